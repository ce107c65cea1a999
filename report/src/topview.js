// Top view of a room or course: the static geoms' footprints seen from
// above (x to the right, z downwards), paths over them, and a marker at
// each path's position at the timeline's current time.
import { frameIndex } from './poses.js';
import { onWidthChange } from './plots.js';

export function topView(parent, title, { footprints, labels, paths }, timeline) {
  const box = document.createElement('div');
  box.className = 'plot topview';
  const heading = document.createElement('div');
  heading.className = 'plot-title';
  heading.textContent = title;
  const canvas = document.createElement('canvas');
  box.append(heading, canvas);
  parent.appendChild(box);

  const bounds = { x0: Infinity, x1: -Infinity, z0: Infinity, z1: -Infinity };
  const grow = (x, z) => {
    bounds.x0 = Math.min(bounds.x0, x); bounds.x1 = Math.max(bounds.x1, x);
    bounds.z0 = Math.min(bounds.z0, z); bounds.z1 = Math.max(bounds.z1, z);
  };
  for (const f of footprints) if (!f.plane) { grow(f.box.min.x, f.box.min.z); grow(f.box.max.x, f.box.max.z); }
  for (const p of paths) p.x.forEach((x, i) => grow(x, p.z[i]));
  if (!isFinite(bounds.x0)) Object.assign(bounds, { x0: -1, x1: 1, z0: -1, z1: 1 });

  function draw() {
    const w = Math.max(box.clientWidth, 280), h = Math.min(w, 420);
    canvas.width = w * devicePixelRatio; canvas.height = h * devicePixelRatio;
    canvas.style.width = w + 'px'; canvas.style.height = h + 'px';
    const ctx = canvas.getContext('2d');
    ctx.scale(devicePixelRatio, devicePixelRatio);
    const margin = 0.3, pad = 12;
    const spanX = bounds.x1 - bounds.x0 + 2 * margin, spanZ = bounds.z1 - bounds.z0 + 2 * margin;
    const k = Math.min((w - 2 * pad) / spanX, (h - 2 * pad) / spanZ);
    const px = (x) => pad + (x - bounds.x0 + margin) * k;
    const pz = (z) => pad + (z - bounds.z0 + margin) * k;
    ctx.fillStyle = '#f7f8fa'; ctx.fillRect(0, 0, w, h);
    for (const f of footprints) {
      if (f.plane) continue;
      ctx.fillStyle = f.colour;
      ctx.fillRect(px(f.box.min.x), pz(f.box.min.z), Math.max((f.box.max.x - f.box.min.x) * k, 2), Math.max((f.box.max.z - f.box.min.z) * k, 2));
    }
    ctx.fillStyle = '#222'; ctx.font = '11px sans-serif';
    for (const l of labels) ctx.fillText(l.text, px(l.x) + 4, pz(l.z) - 4);
    for (const p of paths) {
      ctx.strokeStyle = p.colour; ctx.lineWidth = 1.5;
      ctx.beginPath();
      p.x.forEach((x, i) => (i ? ctx.lineTo(px(x), pz(p.z[i])) : ctx.moveTo(px(x), pz(p.z[i]))));
      ctx.stroke();
      const i = frameIndex(p.t, timeline.time);
      ctx.fillStyle = p.colour;
      ctx.beginPath(); ctx.arc(px(p.x[i]), pz(p.z[i]), 5, 0, 2 * Math.PI); ctx.fill();
      ctx.fillText(p.label, px(p.x[i]) + 7, pz(p.z[i]) + 4);
    }
  }
  draw();
  timeline.onChange(draw);
  onWidthChange(box, draw);
  return canvas;
}
