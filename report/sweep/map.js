// The success map: the share of successful runs at each pair of values of
// two varied parameters, one cell per pair, red for none and green for all.
import { groups, shown } from './stats.js';

const SVG = 'http://www.w3.org/2000/svg';

function svg(tag, attrs, parent, text) {
  const e = document.createElementNS(SVG, tag);
  for (const [k, v] of Object.entries(attrs)) e.setAttribute(k, v);
  if (text !== undefined) e.textContent = text;
  if (parent) parent.appendChild(e);
  return e;
}

export function colour(rate) {
  const hue = Math.round(120 * rate);  // 0 red .. 120 green
  return `hsl(${hue}, 70%, 48%)`;
}

export function successMap(parent, data, xLabel, yLabel) {
  parent.replaceChildren();
  const xs = data.parameters.find((p) => p.label === xLabel).values.map(shown);
  const ys = data.parameters.find((p) => p.label === yLabel).values.map(shown);
  const cells = groups(data.rows, [xLabel, yLabel], data.parameters);
  const cell = 46, left = 150, top = 20, bottom = 60;
  const width = left + xs.length * cell + 20, height = top + ys.length * cell + bottom;
  const root = svg('svg', { class: 'map', width, height, viewBox: `0 0 ${width} ${height}` }, parent);
  for (const g of cells) {
    const x = left + xs.indexOf(g.key[0]) * cell;
    const y = top + (ys.length - 1 - ys.indexOf(g.key[1])) * cell;
    const rect = svg('rect', { x, y, width: cell - 2, height: cell - 2, fill: colour(g.ok / g.n) }, root);
    svg('title', {}, rect, `${xLabel} = ${g.key[0]}, ${yLabel} = ${g.key[1]}: ${g.ok} of ${g.n} succeeded`);
    svg('text', { x: x + cell / 2 - 1, y: y + cell / 2 + 4, class: 'count' }, root, `${g.ok}/${g.n}`);
  }
  xs.forEach((v, i) => {
    svg('text', { x: left + i * cell + cell / 2, y: top + ys.length * cell + 14, class: 'tick x' }, root, v);
  });
  ys.forEach((v, i) => {
    svg('text', { x: left - 6, y: top + (ys.length - 1 - i) * cell + cell / 2 + 4, class: 'tick y' }, root, v);
  });
  svg('text', { x: left + (xs.length * cell) / 2, y: height - 14, class: 'axis' }, root, xLabel);
  const yAxis = svg('text', { x: 14, y: top + (ys.length * cell) / 2, class: 'axis' }, root, yLabel);
  yAxis.setAttribute('transform', `rotate(-90 14 ${top + (ys.length * cell) / 2})`);
  return root;
}
