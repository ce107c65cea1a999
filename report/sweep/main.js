// The page of a sweep: reads the data embedded in it and shows the success
// map over two varied parameters, the success against one, the
// distributions of the figures, and the runs that failed or were kept.
import 'uplot/dist/uPlot.min.css';
import './style.css';
import { successMap } from './map.js';
import { successChart, histogram } from './charts.js';
import { shown } from './stats.js';
import { element } from '../src/element.js';

function picker(parent, caption, labels, chosen, onChange) {
  const l = element('label', 'picker', parent, `${caption} `);
  const s = element('select', '', l);
  for (const label of labels) element('option', '', s, label).value = label;
  s.value = chosen;
  s.addEventListener('change', () => onChange(s.value));
  return s;
}

function header(data, parent) {
  const h = element('header', '', parent);
  element('h1', '', h, `Sweep: ${data.name}`);
  const ok = data.rows.filter((r) => r.success).length;
  const failed = data.rows.filter((r) => r.status !== 0).length;
  element('p', 'facts', h, `${data.rows.length} of ${data.runs} runs done · ${ok} succeeded · ` +
    `${failed} ended with an error · ${data.runs_per_point} run${data.runs_per_point === 1 ? '' : 's'} per point · ` +
    `success is the figure "${data.success_figure}"`);
  if (data.rows.length < data.runs) element('p', 'note', h, `${data.runs - data.rows.length} runs have no result yet.`);
}

function mapSection(data, parent) {
  const section = element('section', 'map-section', parent);
  element('h2', '', section, 'Success map');
  const labels = data.parameters.map((p) => p.label);
  if (labels.length < 2) {
    element('p', 'note', section, 'A map needs two varied values; this sweep varies one.');
    return;
  }
  let x = labels[0], y = labels[1];
  const controls = element('div', 'controls', section);
  const target = element('div', 'map-box', section);
  const draw = () => successMap(target, data, x, y);
  picker(controls, 'across', labels, x, (v) => { x = v; draw(); });
  picker(controls, 'up', labels, y, (v) => { y = v; draw(); });
  draw();
}

function chartSection(data, parent) {
  const section = element('section', 'chart-section', parent);
  element('h2', '', section, 'Success against one value');
  const labels = data.parameters.map((p) => p.label);
  let chosen = labels[0];
  const controls = element('div', 'controls', section);
  const target = element('div', '', section);
  picker(controls, 'value', labels, chosen, (v) => { chosen = v; successChart(target, data, chosen); });
  successChart(target, data, chosen);
}

function distributions(data, parent) {
  if (data.figures.length === 0) return;
  const section = element('section', 'distributions', parent);
  element('h2', '', section, 'Distributions of the figures');
  const grid = element('div', 'charts', section);
  for (const f of data.figures) {
    if (!histogram(grid, data, f)) element('p', 'note', grid, `${f}: no run has a number for it.`);
  }
}

function runTable(data, parent) {
  const listed = data.rows.filter((r) => !r.success || r.kept);
  const section = element('section', 'runs', parent);
  element('h2', '', section, 'Runs that failed or were kept');
  if (listed.length === 0) {
    element('p', '', section, 'Every run succeeded, and none was kept.');
    return;
  }
  const table = element('table', '', section);
  const head = element('tr', '', table);
  const labels = data.parameters.map((p) => p.label);
  for (const c of ['run', 'seed', ...labels, 'success', 'status', 'reason', 'report']) element('th', '', head, c);
  for (const r of listed) {
    const tr = element('tr', r.success ? '' : 'failed', table);
    for (const v of [r.index, r.seed, ...labels.map((l) => shown(r.parameters[l])), r.success, r.status, r.reason]) {
      element('td', '', tr, String(v));
    }
    const td = element('td', '', tr);
    if (r.kept) {
      const a = element('a', '', td, 'report');
      a.href = `${r.kept}/report.html`;
    }
  }
}

const data = JSON.parse(document.getElementById('sweep-data').textContent);
const app = document.getElementById('app');
header(data, app);
mapSection(data, app);
chartSection(data, app);
distributions(data, app);
runTable(data, app);
