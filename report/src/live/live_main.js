// The live page: the report's viewer fed by the run as it goes. The 3D
// scene, the console and the robots' plots grow with every frame; the
// heads-up display, the run controls and the pilot's keyboard are live only.
import './live.css';
import { Replay } from '../scene3d.js';
import { Timeline } from '../timeline.js';
import { consoleView } from '../console_view.js';
import { renderFigures } from '../figures.js';
import { labelToggle } from '../label_toggle.js';
import { LiveFeed } from './feed.js';
import { KeyCapture } from './keys.js';
import { Hud } from './hud.js';
import { runControls, keyLegend } from './run_controls.js';
import { LivePlots } from './live_plots.js';
import { CameraViews } from './camera_view.js';
import { element } from '../element.js';

function choice(parent, id, options, onChange) {
  const select = element('select', '', parent);
  select.id = id;
  for (const [label, value] of options) select.add(new Option(label, value));
  select.addEventListener('change', () => { onChange(select.value); select.blur(); });
  return select;
}

function build(app, feed, hello) {
  const robots = hello.world.robots;
  const header = element('header', '', app);
  element('h1', '', header, `${hello.world.title} (live)`);
  const status = element('p', 'facts', header, 'connected');
  status.id = 'status';

  const timeline = new Timeline(0);
  const stage = element('section', 'stage', app);
  const view = element('div', 'view3d', stage);
  view.id = 'view3d';
  view.tabIndex = 0;
  const replay = new Replay(view, hello.scene, feed.poses);
  const hud = new Hud(view);
  consoleView(stage, feed.console, 0, timeline);
  timeline.onChange((t) => replay.setTime(t));

  const controls = runControls(app, feed);
  choice(controls.bar, 'camera', [['orbit camera', ''], ...[...replay.bodies.keys()].filter((n) => n !== 'world').map((n) => [`follow ${n}`, n])],
    (name) => replay.setFollow(name || null));
  labelToggle(controls.bar, replay);
  let chosen = '';
  choice(controls.bar, 'pilot', [['fly: the first robot with a keyboard', ''], ...robots.map((r) => [`fly: ${r.name}`, r.name])],
    (name) => { keys.releaseAll(); chosen = name; });
  keyLegend(app, hello.once);
  const figures = element('section', 'summary', app);
  figures.id = 'figures';
  const plots = new LivePlots(element('section', 'robots', app), robots);
  const cameras = new CameraViews();
  const sectionOf = (robot) => document.querySelector(`section.robot[data-robot="${CSS.escape(robot)}"]`);
  feed.on('frame', (frame) => cameras.show(frame.images, sectionOf));

  const latencies = [];
  const keys = new KeyCapture((code, down) => {
    const message = { type: 'key', code, down };
    if (chosen) message.robot = chosen;
    feed.send(message);
  });
  // Key latency: from the keydown's time to the wall time of the first step
  // that reported the key, both from this machine's clock.
  const pressedAt = new Map(); // code -> keydown time of a press not yet seen in a step
  const keyLog = []; // [code, down, at] as the page sent them
  keys.send = ((send) => (code, down, at) => {
    if (down) pressedAt.set(code, at);
    keyLog.push([code, down, at]);
    send(code, down);
  })(keys.send);

  let lastKeys = [];
  feed.on('step', (robot, steps) => {
    plots.add(robot, steps);
    const pilot = chosen || feed.last?.pilot;
    if (robot !== pilot) return;
    for (const s of steps) {
      for (const code of s.samples.keys || []) {
        if (pressedAt.has(code)) { latencies.push(s.wall - pressedAt.get(code)); pressedAt.delete(code); }
      }
      lastKeys = s.samples.keys || []; // a step with no key lists none
    }
  });

  // A frame is drawn when one arrives, and between frames the page asks for
  // no animation frame at all: a browser that draws at the display's rate,
  // nothing changed or not, wakes several of its threads sixty times a
  // second, and those wake-ups took the cores from a run going flat out
  // (it ran at half its speed under an idle page).
  let drawn = 0, lastFigures = 0, asked = false, ended = false;
  const draw = () => {
    asked = false;
    const frame = feed.last; // the latest of those that came since the last draw
    timeline.duration = frame.t;
    timeline.seek(frame.t);
    if (drawn++ === 0) replay.frameAll(); // the bodies are where they are only now
    hud.show(frame, robots.find((r) => r.name === (chosen || frame.pilot))?.body, lastKeys);
    controls.show(frame, hello.duration);
    if (frame.droppedLines && !ended) {
      status.textContent = `connected; ${frame.droppedLines} console lines went by too fast to show here (console.log keeps them all)`;
    }
    const now = performance.now();
    if (now - lastFigures > 500) {
      lastFigures = now;
      plots.redraw();
      if (frame.figures && Object.keys(frame.figures).length) renderFigures(figures, frame.figures);
    }
  };
  feed.on('frame', () => {
    if (!asked) requestAnimationFrame(draw);
    asked = true;
  });
  feed.on('close', () => { ended = true; status.textContent = 'the run has ended (or the arena was stopped)'; });

  // Read by the browser tests and the benchmark; handy from the developer console too.
  window.__live = {
    feed, timeline, replay, latencies, keyLog,
    drawn: () => drawn,
    time: () => feed.last?.t ?? 0,
    state: () => feed.last && { paused: feed.last.paused, speed: feed.last.speed, pilot: feed.last.pilot },
    bodyPosition: (name) => replay.bodyPosition(name),
    send: (m) => feed.send(m),
  };
}

export function liveMain() {
  const app = document.getElementById('app');
  const token = new URLSearchParams(location.search).get('token') || '';
  const feed = new LiveFeed(`ws://${location.host}/live?token=${encodeURIComponent(token)}`);
  feed.on('hello', (hello) => build(app, feed, hello));
  feed.on('close', () => { if (!feed.hello) element('p', 'note', app, 'The live connection was refused or has ended.'); });
  feed.connect();
}
