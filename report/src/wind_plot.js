// The wind on a robot's body, when its world blows one: world axes, as the
// trace records it at each step.
import { timePlot } from './plots.js';

export function windPlot(parent, robot, timeline) {
  const axes = ['x', 'y', 'z'].filter((a) => robot.series[`wind.${a}`]);
  if (!axes.length) return;
  timePlot(parent, 'Wind on the body (N, world axes)', robot.t,
    axes.map((a) => ({ label: a, values: robot.series[`wind.${a}`] })), timeline);
}
