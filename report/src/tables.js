// Plain tables: the summary's figures and the packets a listener heard.
import { hexToText } from './robots.js';

export function table(parent, caption, headers, rows, id) {
  const t = document.createElement('table');
  if (id) t.id = id;
  const c = t.createCaption();
  c.textContent = caption;
  const head = t.createTHead().insertRow();
  for (const h of headers) head.appendChild(document.createElement('th')).textContent = h;
  const body = t.createTBody();
  for (const r of rows) {
    const tr = body.insertRow();
    for (const v of r) tr.insertCell().textContent = v;
  }
  parent.appendChild(t);
  return t;
}

// Nested figures become dotted keys: {"gates": {"passed": 5}} -> gates.passed.
export function flatten(value, prefix = '', out = []) {
  if (value !== null && typeof value === 'object' && !Array.isArray(value)) {
    for (const [k, v] of Object.entries(value)) flatten(v, prefix ? `${prefix}.${k}` : k, out);
  } else {
    out.push([prefix, Array.isArray(value) ? JSON.stringify(value) : String(value)]);
  }
  return out;
}

export function packetTable(parent, robotName, packets) {
  const rows = packets.map(([t, size, hex]) => [t.toFixed(3), size, hexToText(hex), hex]);
  return table(parent, `${robotName}: packets heard (${packets.length})`, ['time (s)', 'bytes', 'text', 'hex'], rows);
}

export function sentTable(parent, robotName, sent) {
  const rows = sent.map(([t, device, hex]) => [t.toFixed(3), device, hex.length / 2, hexToText(hex), hex]);
  return table(parent, `${robotName}: packets sent (${sent.length})`, ['time (s)', 'emitter', 'bytes', 'text', 'hex'], rows);
}
