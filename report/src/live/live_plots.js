// Each robot's plots, growing as its steps arrive: altitude from its GPS,
// its distance sensors, its wheel commands, the keys it was sent.
import { timePlot } from '../plots.js';

function seriesOf(robot) {
  const out = [];
  for (const d of robot.devices) {
    if (d.type === 'gps') out.push({ title: 'Altitude (m), from the GPS', label: 'y', value: (s) => s.samples[d.name]?.[13] });
    if (d.type === 'distance_sensor') out.push({ title: 'Distance sensors', label: d.name, value: (s) => s.samples[d.name] });
  }
  if (robot.drive === 'differential') {
    out.push({ title: 'Wheel commands', label: 'left', value: (s) => s.commands.wheels?.[0] });
    out.push({ title: 'Wheel commands', label: 'right', value: (s) => s.commands.wheels?.[1] });
  }
  out.push({ title: 'Keys sent (codes)', label: 'key', value: (s) => (s.samples.keys?.length ? Math.max(...s.samples.keys) : null) });
  return out;
}

// The plots' own clock: their line marks the latest step, and they redraw
// when their data grows (a few times a second), not at every frame.
const stillClock = { time: 0, onChange() {}, seek() {} };
const KEPT = 20000; // steps per robot: a run until stopped must not fill the page's memory

export class LivePlots {
  constructor(parent, robots) {
    const timeline = stillClock;
    this.robots = new Map();
    for (const robot of robots) {
      const section = document.createElement('section');
      section.className = 'robot';
      section.dataset.robot = robot.name;
      section.appendChild(document.createElement('h2')).textContent = robot.name;
      parent.appendChild(section);
      const plots = new Map(); // title -> {plot, series}
      for (const s of seriesOf(robot)) {
        if (!plots.has(s.title)) plots.set(s.title, { series: [] });
        plots.get(s.title).series.push(s);
      }
      const state = { t: [], columns: new Map(), plots: [] };
      for (const [title, { series }] of plots) {
        const columns = series.map(() => []);
        const plot = timePlot(section, title, state.t, series.map((s, k) => ({ label: s.label, values: columns[k] })),
          timeline, { stepped: title.startsWith('Keys') || title.startsWith('Wheel') });
        state.plots.push({ plot, series, columns });
      }
      this.robots.set(robot.name, state);
    }
  }

  add(robotName, steps) {
    const state = this.robots.get(robotName);
    if (!state) return;
    for (const step of steps) {
      state.t.push(step.t);
      for (const p of state.plots) p.series.forEach((s, k) => p.columns[k].push(s.value(step) ?? null));
    }
    if (state.t.length > KEPT + KEPT / 10) {
      const drop = state.t.length - KEPT;
      state.t.splice(0, drop);
      for (const p of state.plots) for (const c of p.columns) c.splice(0, drop);
    }
    this.dirty = true;
  }

  redraw() {
    if (!this.dirty) return;
    this.dirty = false;
    for (const state of this.robots.values()) {
      stillClock.time = Math.max(stillClock.time, state.t[state.t.length - 1] ?? 0);
      for (const p of state.plots) p.plot.setData([state.t, ...p.columns]);
    }
  }
}
