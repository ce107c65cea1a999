// Time plots (uPlot), each with a line at the timeline's current time;
// a click on a plot moves the timeline there.
import uPlot from 'uplot';

// Only width changes matter here; reacting to height too would loop, since
// redrawing changes the parent's height.
export function onWidthChange(element, fn) {
  let last = element.clientWidth;
  new ResizeObserver(() => {
    if (element.clientWidth !== last) { last = element.clientWidth; fn(); }
  }).observe(element);
}

const COLOURS = ['#1f77b4', '#d62728', '#2ca02c', '#ff7f0e', '#9467bd', '#8c564b', '#17becf', '#e377c2'];

export function timePlot(parent, title, times, series, timeline, { stepped = false } = {}) {
  const box = document.createElement('div');
  box.className = 'plot';
  parent.appendChild(box);
  const width = () => Math.max(box.clientWidth, 280);
  const cursorLine = (u) => {
    const x = u.valToPos(timeline.time, 'x', true);
    const { ctx } = u;
    ctx.save();
    ctx.strokeStyle = '#000';
    ctx.lineWidth = 1.5 * devicePixelRatio;
    ctx.beginPath();
    ctx.moveTo(x, u.bbox.top);
    ctx.lineTo(x, u.bbox.top + u.bbox.height);
    ctx.stroke();
    ctx.restore();
  };
  const opts = {
    title,
    width: width(),
    height: 180,
    cursor: { sync: { key: 'timeline' } },
    scales: { x: { time: false } },
    axes: [{ label: 'time (s)' }, {}],
    series: [{ label: 't' }, ...series.map((s, k) => ({
      label: s.label,
      stroke: s.colour || COLOURS[k % COLOURS.length],
      width: 1.5,
      paths: stepped ? uPlot.paths.stepped({ align: 1 }) : undefined,
      points: { show: false },
    }))],
    hooks: { draw: [cursorLine] },
  };
  const plot = new uPlot(opts, [times, ...series.map((s) => s.values)], box);
  plot.over.addEventListener('click', (e) => timeline.seek(plot.posToVal(e.offsetX, 'x')));
  onWidthChange(box, () => plot.setSize({ width: width(), height: 180 }));
  timeline.onChange(() => plot.redraw(false, false));
  return plot;
}
