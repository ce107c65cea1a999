// The run report: reads the data embedded in the page and builds the 3D
// replay, the console beside it, the timeline, and each robot's plots.
import 'uplot/dist/uPlot.min.css';
import './style.css';
import { Replay } from './scene3d.js';
import { Timeline, timelineControls, momentLink, seekToHash } from './timeline.js';
import { consoleView } from './console_view.js';
import { robotPanel } from './robot_panel.js';
import { table } from './tables.js';
import { labelToggle } from './label_toggle.js';
import { renderFigures } from './figures.js';
import { worldOrder, inWorldOrder } from './robots.js';
import { liveMain } from './live/live_main.js';
import { element } from './element.js';

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

function summaryTables(data, parent, order) {
  const s = data.summary || {};
  const section = element('section', 'summary', parent);
  element('h2', '', section, 'Summary');
  renderFigures(element('div', 'figures', section), s.figures);
  const exits = inWorldOrder(Object.entries(s.exits || {}), order).map(([robot, e]) => [robot, e.how ?? '', e.status ?? '', e.signal ?? '', typeof e.time === 'number' ? e.time.toFixed(3) : '']);
  const contacts = s.contacts || {};
  const steps = inWorldOrder(Object.entries(s.steps || {}), order).map(([robot, n]) => [robot, n, (contacts[robot] || []).length]);
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
  labelToggle(bar, replay);
  momentLink(bar, timeline);
  timeline.onChange((t) => replay.setTime(t));

  const plots = element('section', 'robots', app);
  const kinds = {};
  const order = worldOrder(data);
  for (const name of order) kinds[name] = robotPanel(plots, name, data.robots[name], data, replay, timeline);
  summaryTables(data, app, order);
  seekToHash(timeline);

  // Read by the browser test, handy from the developer console too.
  window.__report = {
    data, timeline, replay, kinds,
    seek: (t) => timeline.seek(t),
    renderFigures,
    bodyPosition: (name) => replay.bodyPosition(name),
    canvasStats: () => replay.canvasStats(),
    plotCount: () => document.querySelectorAll('.plot').length,
  };
}

// The same viewer serves a run live: the arena's page says so.
if (document.getElementById('live-config')) liveMain(); else main();
