// Writes a synthetic recording of gate-course size in the arena's recording
// format: an airship flying five gates to a dock for 120 s (trace and poses
// every 32 ms), a wheeled rover circling, a listener hearing packets, and
// ten bodies in all. Lets the report be tested before any world runs.
//
//   node make_recording.mjs DIR [seconds]
import fs from 'node:fs';
import path from 'node:path';

const dir = process.argv[2];
const duration = Number(process.argv[3] || 120);
if (!dir) throw new Error('usage: make_recording.mjs DIR [seconds]');
fs.mkdirSync(path.join(dir, 'traces'), { recursive: true });

const DT = 0.032;
const steps = Math.round(duration / DT);
const course = [[0, 1.0, 0], [0.95, 1.8, 3.0], [1.15, 1.8, -6.5], [-0.6, 1.8, -3.5], [-0.6, 1.8, 4.8],
  [2.5, 1.8, 4.5], [3.5, 2.2, 2.0], [3.5, 2.2, 0.0]];

const geom = (type, size, pos, rgba, quat = [1, 0, 0, 0]) => ({ type, size, pos, quat, rgba });
const yawQuat = (heading) => [Math.cos(-heading / 2), 0, Math.sin(-heading / 2), 0]; // heading 0 faces +x, +pi/2 faces +z

const bodies = [
  { name: 'world', geoms: [geom('plane', [0, 0, 0.1], [0, 0, 0], [0.55, 0.6, 0.55, 1], [0.70710678, -0.70710678, 0, 0]),
    geom('capsule', [0.15, 0.5, 0], [-3, 0.5, 0], [0.3, 0.3, 0.35, 1], [0.70710678, -0.70710678, 0, 0])] },
  { name: 'airship', geoms: [geom('ellipsoid', [0.45, 0.18, 0.18], [0, 0, 0], [0.92, 0.92, 0.97, 1]),
    geom('box', [0.1, 0.04, 0.05], [0, -0.2, 0], [0.3, 0.3, 0.35, 1])] },
  { name: 'rover', geoms: [geom('cylinder', [0.1, 0.04, 0], [0, 0.05, 0], [0.2, 0.4, 0.9, 1], [0.70710678, -0.70710678, 0, 0])] },
  { name: 'listener', geoms: [geom('sphere', [0.1, 0, 0], [0, 0.1, 0], [0.2, 0.8, 0.3, 1])] },
  { name: 'dock', geoms: [geom('cylinder', [0.05, 1.1, 0], [0, -1.1, 0], [0.4, 0.4, 0.45, 1], [0.70710678, -0.70710678, 0, 0])] },
];
const gateColours = [[0.85, 0.25, 0.2, 1], [0.95, 0.6, 0.15, 1], [0.9, 0.85, 0.2, 1], [0.3, 0.7, 0.3, 1], [0.25, 0.45, 0.85, 1]];
for (let g = 0; g < 5; g++) {
  bodies.push({ name: `gate${g}`, geoms: [
    geom('box', [0.04, 1.22, 0.04], [-0.94, -0.58, 0], gateColours[g]),
    geom('box', [0.04, 1.22, 0.04], [0.94, -0.58, 0], gateColours[g]),
    geom('box', [0.98, 0.04, 0.04], [0, 0.64, 0], gateColours[g])] });
}
fs.writeFileSync(path.join(dir, 'scene.json'), JSON.stringify({ bodies }));

// The airship goes from waypoint to waypoint in equal time, facing its way.
function airshipAt(t) {
  const legs = course.length - 1;
  const u = Math.min(t / (duration * 0.9), 1) * legs;
  const k = Math.min(Math.floor(u), legs - 1), f = u - k;
  const a = course[k], b = course[k + 1];
  const pos = a.map((v, i) => v + (b[i] - v) * f);
  return { pos, heading: Math.atan2(b[2] - a[2], b[0] - a[0]), leg: k, f };
}

const poses = ['time,body,x,y,z,qw,qx,qy,qz'];
const airshipTrace = [], roverTrace = [], listenerTrace = [];
const consoleLines = [];
let lastLeg = 0;
for (let i = 0; i <= steps; i++) {
  const t = i * DT;
  const a = airshipAt(t);
  const q = yawQuat(a.heading);
  poses.push([t, 'airship', ...a.pos, ...q].join(','));
  const rx = 2 * Math.cos(t / 10), rz = 2 * Math.sin(t / 10);
  poses.push([t, 'rover', rx, 0.05, rz, ...yawQuat(t / 10 + Math.PI / 2)].join(','));
  poses.push([t, 'listener', -2, 0, -1, 1, 0, 0, 0].join(','));
  poses.push([t, 'dock', 3.5, 2.2, 0, 1, 0, 0, 0].join(','));
  for (let g = 0; g < 5; g++) poses.push([t, `gate${g}`, ...course[g + 1], 1, 0, 0, 0].join(','));

  const c = Math.cos(a.heading), s = Math.sin(a.heading);
  const gps = [c, 0, s, 0, 0, 1, 0, 0, -s, 0, c, 0, ...a.pos, 1];
  const ground = Math.max(0, Math.round(1000 - a.pos[1] * 300));
  airshipTrace.push(JSON.stringify({ step: i, t, ms: 32,
    samples: { gps, ds0: ground, ds1: ground + 3, keys: i === 900 ? [80] : [] },
    commands: { force_torque: [0.3 * Math.cos(t), 2.4525 + 0.1 * Math.sin(t / 3), 0, 0, 0.02 * Math.sin(t / 2), 0] },
    wind: [0.02 + 0.01 * Math.sin(t / 5), 0, 0.01 * Math.cos(t / 7)] }));
  if (a.leg !== lastLeg) {
    consoleLines.push(`${t.toFixed(3)}\tairship\tconsole\t`, `${t.toFixed(3)}\tairship\tconsole\tHe llegado a mi destino!!!`);
    lastLeg = a.leg;
  }
  if (i % 2 === 0) {
    const near = Math.round(500 + 400 * Math.sin(t / 3));
    roverTrace.push(JSON.stringify({ step: i / 2, t, ms: 64, samples: { ir0: near, ir1: 1000 - near },
      commands: i % 40 === 0 ? { wheels: [near > 700 ? -5 : 10, 10] } : {} }));
    const heard = i % 32 === 0;
    const text = Buffer.from(`hello ${i / 32}`);
    listenerTrace.push(JSON.stringify({ step: i / 2, t, ms: 64,
      samples: heard ? { ircom: { size: text.length, hex: text.toString('hex') } } : {}, commands: {} }));
    if (heard) consoleLines.push(`${t.toFixed(3)}\tlistener\tconsole\treceived: hello ${i / 32}`);
  }
}
consoleLines.push(`${duration.toFixed(3)}\tairship\tconsole\tDocking COMPLETADO`);
consoleLines.push(`${duration.toFixed(3)}\tairship\tarena\tstopped at the end of the run`);

fs.writeFileSync(path.join(dir, 'poses.csv'), poses.join('\n') + '\n');
fs.writeFileSync(path.join(dir, 'traces/airship.jsonl'), airshipTrace.join('\n') + '\n');
fs.writeFileSync(path.join(dir, 'traces/rover.jsonl'), roverTrace.join('\n') + '\n');
fs.writeFileSync(path.join(dir, 'traces/listener.jsonl'), listenerTrace.join('\n') + '\n');
fs.writeFileSync(path.join(dir, 'console.log'), consoleLines.join('\n') + '\n');
fs.writeFileSync(path.join(dir, 'summary.json'), JSON.stringify({
  world: 'synthetic', title: 'Synthetic gate course (test recording)', duration, seed: 1,
  steps: { airship: steps + 1, rover: roverTrace.length, listener: listenerTrace.length },
  exits: { airship: { how: 'stopped', status: 0, time: duration } }, wall_time: 1.5,
  figures: { gates_passed: 5, gates: { count: 5, order_ok: true }, docked: true, dock_error_m: 0.0008 },
}));
