// One robot's section of the report: the plots its trace supports.
import { robotKind, devicesOfType, autopilotSeries } from './robots.js';
import { timePlot } from './plots.js';
import { topView } from './topview.js';
import { packetTable, sentTable } from './tables.js';
import { windPlot } from './wind_plot.js';

const COURSE = /^(gate|dock)/;

// The robot's path: its body's recorded poses, else its own GPS readings.
function pathOf(name, robot, data) {
  const track = data.poses[name];
  if (track && track.t.length > 1) {
    const n = track.t.length;
    const x = [], z = [];
    for (let i = 0; i < n; i++) { x.push(track.p[7 * i]); z.push(track.p[7 * i + 2]); }
    return { t: track.t, x, z };
  }
  const gps = devicesOfType(robot, 'gps')[0];
  if (gps) return { t: robot.t, x: robot.series[`${gps}.x`], z: robot.series[`${gps}.z`] };
  return null;
}

// Static things seen from above: the world's own geoms and every body that
// is no robot; the course's gates and dock carry their names.
function surroundings(data, replay) {
  const footprints = [], labels = [];
  for (const body of data.scene.bodies) {
    if (body.name in data.robots) continue;
    footprints.push(...replay.footprints(body.name));
    if (COURSE.test(body.name)) {
      const p = replay.bodyPosition(body.name);
      if (p) labels.push({ text: body.name, x: p[0], z: p[2] });
    }
  }
  return { footprints, labels };
}

function sensorPlot(parent, title, robot, names, timeline) {
  if (!names.length) return;
  timePlot(parent, title, robot.t, names.map((n) => ({ label: n, values: robot.series[n] })), timeline);
}

export function robotPanel(parent, name, robot, data, replay, timeline) {
  const kind = robotKind(robot);
  const section = document.createElement('section');
  section.className = `robot ${kind}`;
  section.dataset.robot = name;
  const h = document.createElement('h2');
  h.textContent = `${name} (${kind}, ${robot.steps} steps${robot.stride > 1 ? `, every ${robot.stride}th shown` : ''})`;
  section.appendChild(h);
  parent.appendChild(section);

  const path = pathOf(name, robot, data);
  if (path) {
    const { footprints, labels } = surroundings(data, replay);
    const title = kind === 'airship' ? 'Top view: path, gates and dock (x right, z down)' : 'Top view: path in the room (x right, z down)';
    topView(section, title, { footprints, labels, paths: [{ label: name, colour: '#c0392b', ...path }] }, timeline);
  }
  const gps = devicesOfType(robot, 'gps')[0];
  const sensors = devicesOfType(robot, 'distance_sensor');
  if (kind === 'airship') {
    if (gps) timePlot(section, 'Altitude (m)', robot.t, [{ label: 'y', values: robot.series[`${gps}.y`] }], timeline);
    const ft = ['fx', 'fy', 'fz', 'tx', 'ty', 'tz'];
    timePlot(section, 'Force (N) and torque (N·m) sent, robot axes', robot.t,
      ft.map((k) => ({ label: k, values: robot.series[k] })), timeline, { stepped: true });
    const events = autopilotSeries(name, robot, data.console);
    if (events.length) timePlot(section, 'Autopilot and overrides (from the console)', robot.t, events, timeline, { stepped: true });
    sensorPlot(section, 'Ground sensors', robot, sensors, timeline);
  } else if (kind === 'wheeled') {
    sensorPlot(section, 'Infrared readings', robot, sensors, timeline);
    timePlot(section, 'Wheel commands', robot.t, [
      { label: 'left', values: robot.series.wheel_left },
      { label: 'right', values: robot.series.wheel_right },
    ], timeline, { stepped: true });
  } else {
    sensorPlot(section, 'Distance sensors', robot, sensors, timeline);
  }
  windPlot(section, robot, timeline);
  if (kind === 'listener' || robot.packets.length) packetTable(section, name, robot.packets);
  if (robot.sent.length) sentTable(section, name, robot.sent);
  return kind;
}
