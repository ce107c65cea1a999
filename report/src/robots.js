// What kind of robot each trace belongs to, judged by what its trace holds,
// and the series the console adds to it (the airship's autopilot events).

export function robotKind(robot) {
  const s = robot.series;
  const hasGps = Object.values(robot.devices).includes('gps');
  if ('fx' in s && hasGps) return 'airship';
  if ('wheel_left' in s) return 'wheeled';
  if (robot.sent.length) return 'emitter';
  if (Object.values(robot.devices).includes('receiver') || robot.packets.length) return 'listener';
  // A receiver that heard nothing never shows in the samples, only in the
  // enables: an enabled device without samples is a receiver here, since an
  // emitter would have sent.
  if (robot.enabled.some((d) => !(d in robot.devices))) return 'listener';
  return 'other';
}

export function devicesOfType(robot, type) {
  return Object.entries(robot.devices).filter(([, t]) => t === type).map(([name]) => name);
}

// The autopilot prints when it reaches a row of its course and when it has
// docked; the loop prints its overrides. Each becomes a series over the
// robot's steps: the count of rows reached, and 1 where an event was printed.
const EVENTS = [
  ['rows reached', /He llegado a mi destino/, 'count'],
  ['docked', /Docking COMPLETADO/, 'latch'],
  ['ceiling override', /Evitando salida a la estratosfera/, 'flag'],
  ['low-altitude warning', /Altura demasiado baja/, 'flag'],
  ['emergency climb', /MANIOBRA DE EMERGENCIA/, 'flag'],
];

export function autopilotSeries(robotName, robot, consoleLines) {
  const ms = (t) => Math.round(t * 1000);
  const hits = EVENTS.map(() => new Map());
  for (const [t, who, , text] of consoleLines) {
    if (who !== robotName) continue;
    EVENTS.forEach(([, re], k) => {
      if (re.test(text)) hits[k].set(ms(t), (hits[k].get(ms(t)) || 0) + 1);
    });
  }
  const out = [];
  EVENTS.forEach(([label, , mode], k) => {
    if (hits[k].size === 0) return;
    const pending = [...hits[k].entries()].sort((a, b) => a[0] - b[0]);
    let level = 0, j = 0;
    const values = robot.t.map((t) => {
      let here = 0;
      // Events between two kept (possibly decimated) steps count at the next one.
      while (j < pending.length && pending[j][0] <= ms(t)) here += pending[j++][1];
      if (mode === 'count') level += here;
      else if (mode === 'latch') level = level || (here ? 1 : 0);
      else level = here ? 1 : 0;
      return level;
    });
    out.push({ label, values });
  });
  return out;
}

// Receiver bytes as text where printable, with dots elsewhere.
export function hexToText(hex) {
  let s = '';
  for (let i = 0; i + 1 < hex.length; i += 2) {
    const c = parseInt(hex.slice(i, i + 2), 16);
    s += c >= 32 && c < 127 ? String.fromCharCode(c) : '.';
  }
  return s;
}

// Robot names as the world lists them; a recording from before the order
// was kept falls back to the traces' own order.
export function worldOrder(data) {
  const traced = Object.keys(data.robots || {});
  const order = (data.robotOrder || []).filter((n) => traced.includes(n));
  return [...order, ...traced.filter((n) => !order.includes(n))];
}

// Entries of an object keyed by robot name, the world's robots first in its
// order, others after them by name.
export function inWorldOrder(entries, order) {
  const rank = (name) => { const i = order.indexOf(name); return i < 0 ? order.length : i; };
  return [...entries].sort(([a], [b]) => rank(a) - rank(b) || (a < b ? -1 : a > b ? 1 : 0));
}
