// The run report: reads the data embedded in the page and builds the 3D
// replay, the console beside it, the timeline, and each robot's plots.
import 'uplot/dist/uPlot.min.css';
import './style.css';
import { Replay } from './scene3d.js';
import { Timeline, timelineControls } from './timeline.js';
import { consoleView } from './console_view.js';
import { robotPanel } from './robot_panel.js';
import { table, flatten } from './tables.js';

function element(tag, className, parent, text) {
  const e = document.createElement(tag);
  if (className) e.className = className;
  if (text !== undefined) e.textContent = text;
  if (parent) parent.appendChild(e);
  return e;
}

function runDuration(data) {
  let end = data.summary?.duration || 0;
  for (const track of Object.values(data.poses)) end = Math.max(end, track.t[track.t.length - 1] || 0);
  for (const robot of Object.values(data.robots)) end = Math.max(end, robot.t[robot.t.length - 1] || 0);
  return end;
}

function header(data, parent) {
  const s = data.summary || {};
  const h = element('header', '', parent);
  element('h1', '', h, s.title || data.name);
  const facts = [`world ${s.world ?? '?'}`, `${(s.duration ?? 0).toFixed(1)} s simulated`, `seed ${s.seed ?? '?'}`];
  if (s.wall_time !== undefined) facts.push(`${Number(s.wall_time).toFixed(1)} s wall time`);
  element('p', 'facts', h, facts.join(' · '));
  const sets = (s.overrides || []).map((o) => (typeof o === 'string' ? o : '(bytes)'));
  if (sets.length) element('p', 'facts', h, `changed for this run: --set ${sets.join(' --set ')}`);
  if (s.interrupted) element('p', 'note', h, 'The run was interrupted before its end.');
  if (s.error) element('p', 'note', h, `The run ended with an error: ${s.error}`);
  for (const note of data.notes) element('p', 'note', h, note);
}

function summaryTables(data, parent) {
  const s = data.summary || {};
  const section = element('section', 'summary', parent);
  element('h2', '', section, 'Summary');
  if (s.figures && Object.keys(s.figures).length) table(section, 'Figures', ['figure', 'value'], flatten(s.figures), 'figures');
  const exits = Object.entries(s.exits || {}).map(([robot, e]) => [robot, e.how ?? '', e.status ?? '', e.signal ?? '', e.time ?? '']);
  const contacts = s.contacts || {};
  const steps = Object.entries(s.steps || {}).map(([robot, n]) => [robot, n, (contacts[robot] || []).length]);
  if (exits.length) table(section, 'Controller exits', ['robot', 'how', 'status', 'signal', 'time (s)'], exits);
  if (steps.length) table(section, 'Controller steps', ['robot', 'steps', 'contacts'], steps);
}

function cameraChoice(parent, replay) {
  const select = element('select', '', parent);
  select.id = 'camera';
  select.add(new Option('orbit camera', ''));
  for (const name of replay.bodies.keys()) if (name !== 'world') select.add(new Option(`follow ${name}`, name));
  select.addEventListener('change', () => replay.setFollow(select.value || null));
}

function main() {
  const data = JSON.parse(document.getElementById('report-data').textContent);
  const app = document.getElementById('app');
  header(data, app);

  const timeline = new Timeline(runDuration(data));
  const stage = element('section', 'stage', app);
  const view = element('div', 'view3d', stage);
  view.id = 'view3d';
  const replay = new Replay(view, data.scene, data.poses);
  consoleView(stage, data.console, data.consoleOmitted, timeline);
  const bar = timelineControls(app, timeline);
  cameraChoice(bar, replay);
  timeline.onChange((t) => replay.setTime(t));

  const plots = element('section', 'robots', app);
  const kinds = {};
  for (const [name, robot] of Object.entries(data.robots)) {
    kinds[name] = robotPanel(plots, name, robot, data, replay, timeline);
  }
  summaryTables(data, app);

  // Read by the browser test, handy from the developer console too.
  window.__report = {
    data, timeline, replay, kinds,
    seek: (t) => timeline.seek(t),
    bodyPosition: (name) => replay.bodyPosition(name),
    canvasStats: () => replay.canvasStats(),
    plotCount: () => document.querySelectorAll('.plot').length,
  };
}

main();
