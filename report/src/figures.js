// The run's figures as tables: for a course, one row per gate (when it was
// crossed and where in its opening) and the docking; anything else as
// plain key/value rows. Built from the figures alone, so the same call
// draws a finished run's figures or the gates crossed so far, and calling it
// again with newer figures redraws the container.
import { table, flatten } from './tables.js';

// Rounded, without the "-0.000" of a tiny negative number.
const rounded = (v, digits) => {
  if (typeof v !== 'number') return '—';
  const text = v.toFixed(digits);
  return Number(text) === 0 ? (0).toFixed(digits) : text;
};
const seconds = (t) => rounded(t, 2);
const metres = (m) => rounded(m, 3);
const yesNo = (b) => (b ? 'yes' : 'no');

// A course's figures hold a list of gates; other figures are plain values.
function isCourse(value) {
  return value !== null && typeof value === 'object' && Array.isArray(value.gates);
}

function gateRows(gates) {
  return gates.map((g) => {
    const [x, y] = Array.isArray(g.offset) ? g.offset : [];
    const off = g.crossed && typeof x === 'number' ? Math.hypot(x, y) : undefined;
    return [g.gate ?? '?', g.crossed ? seconds(g.time) : 'not crossed', g.crossed ? metres(x) : '—',
      g.crossed ? metres(y) : '—', metres(off), g.outside_crossings ?? 0];
  });
}

function dockingRows(course, success) {
  const d = course.docking;
  const rows = [['docked at (s)', d ? seconds(d.time) : 'not docked'],
    ['distance to the dock then (m)', d ? metres(d.distance) : '—']];
  const first = (course.first_contacts || []).map((c) => `${c.geom} at ${seconds(c.time)} s`).join(', ');
  rows.push(['touched anything', course.touched ? `yes, in ${course.contact_steps} steps${first ? ` (first: ${first})` : ''}` : 'no']);
  if (typeof success === 'boolean') rows.push(['success', yesNo(success)]);
  return rows;
}

function courseTables(parent, key, course, success) {
  const gates = course.gates;
  const crossed = gates.filter((g) => g.crossed).length;
  const who = course.robot ? ` by ${course.robot}` : '';
  const t = table(parent, `Gates crossed${who}: ${crossed} of ${gates.length}`,
    ['gate', 'crossed at (s)', 'offset x (m)', 'offset y (m)', 'off centre (m)', 'crossings outside'],
    gateRows(gates), key === 'course' ? 'gates' : `gates-${key}`);
  t.classList.add('figures-gates');
  const d = table(parent, 'Docking', ['figure', 'value'], dockingRows(course, course.success ?? success),
    key === 'course' ? 'docking' : `docking-${key}`);
  d.classList.add('figures-docking');
}

export function renderFigures(container, figures) {
  container.replaceChildren();
  const rest = {};
  const courses = Object.entries(figures || {}).filter(([, v]) => isCourse(v));
  for (const [key, value] of Object.entries(figures || {})) {
    if (isCourse(value)) continue;
    if (key === 'success' && courses.length) continue; // shown with the docking
    rest[key] = value;
  }
  for (const [key, course] of courses) courseTables(container, key, course, figures.success);
  const other = flatten(rest);
  if (other.length) table(container, courses.length ? 'Other figures' : 'Figures', ['figure', 'value'], other, 'figures');
  return container;
}
