// uPlot charts of a sweep: the success rate against one parameter with its
// 95 % Wilson interval as a band, and the distribution of a figure.
import uPlot from 'uplot';
import { groups, wilson } from './stats.js';

function box(parent) {
  const b = document.createElement('div');
  b.className = 'chart';
  parent.appendChild(b);
  return b;
}

const width = (b) => Math.max(b.clientWidth, 320);

export function successChart(parent, data, label) {
  parent.replaceChildren();
  const gs = groups(data.rows, [label], data.parameters);
  const numeric = gs.every((g) => typeof g.values[0] === 'number');
  const xs = gs.map((g, i) => (numeric ? g.values[0] : i));
  const stats = gs.map((g) => wilson(g.ok, g.n));
  const b = box(parent);
  const ticks = gs.map((g) => g.key[0]);
  const opts = {
    title: `success against ${label} (95 % Wilson interval)`,
    width: width(b),
    height: 240,
    scales: { x: { time: false }, y: { range: [0, 1] } },
    axes: [
      { label, values: numeric ? undefined : (u, vals) => vals.map((v) => ticks[v] ?? '') },
      { label: 'share succeeded' },
    ],
    series: [
      { label },
      { label: 'success', stroke: '#1f77b4', width: 2, points: { show: true, size: 7 } },
      { label: 'low', stroke: '#9ec5e8', width: 1, points: { show: false } },
      { label: 'high', stroke: '#9ec5e8', width: 1, points: { show: false } },
    ],
    bands: [{ series: [3, 2], fill: 'rgba(31,119,180,0.15)' }],
  };
  return new uPlot(opts, [xs, stats.map((s) => s.rate), stats.map((s) => s.lo), stats.map((s) => s.hi)], b);
}

// A histogram of a numeric figure over the runs that have it.
export function histogram(parent, data, figure) {
  const values = data.rows.map((r) => r.figures[figure]).filter((v) => typeof v === 'number' && Number.isFinite(v));
  if (values.length === 0) return null;
  const lo = Math.min(...values), hi = Math.max(...values);
  const bins = Math.min(20, Math.max(1, Math.ceil(Math.sqrt(values.length))));
  const step = hi > lo ? (hi - lo) / bins : 1;
  const counts = new Array(bins).fill(0);
  for (const v of values) counts[Math.min(bins - 1, Math.floor((v - lo) / step))] += 1;
  const centres = counts.map((_, i) => lo + (i + 0.5) * step);
  const b = box(parent);
  const opts = {
    title: `${figure} (${values.length} runs)`,
    width: width(b),
    height: 200,
    scales: { x: { time: false }, y: { range: (u, min, max) => [0, Math.max(1, max)] } },
    axes: [{ label: figure }, { label: 'runs' }],
    series: [{ label: figure }, {
      label: 'runs', fill: 'rgba(44,160,44,0.5)', stroke: '#2ca02c',
      paths: uPlot.paths.bars({ size: [0.9, Infinity] }), points: { show: false },
    }],
  };
  return new uPlot(opts, [centres, counts], b);
}
