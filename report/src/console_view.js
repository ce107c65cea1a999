// The console lines up to the timeline's time, the latest at the bottom.
// Text goes in as textContent only: robots print whatever they like.
const SHOWN = 200;
// Lines are redrawn at most this often (ms): a run can print a line every
// step, faster than anyone reads, and laying out rows is a page's dearest work.
const GAP = 100;

export function consoleView(parent, lines, omitted, timeline) {
  const box = document.createElement('div');
  box.className = 'console';
  box.id = 'console';
  parent.appendChild(box);
  const notes = omitted ? [row('', 'arena', `${omitted} later lines are in console.log only`)] : [];
  const append = (from, end) => {
    for (const [t, robot, stream, text] of lines.slice(from, end)) box.appendChild(row(`${t.toFixed(3)} [${robot}]`, stream, text));
  };
  let shownLast; // the last line shown: a live run's lines grow, and its oldest are dropped
  const show = () => {
    const end = linesUpTo(lines, timeline.time);
    const last = lines[end - 1] ?? null;
    if (last === shownLast) return;
    const start = Math.max(0, end - SHOWN);
    const at = shownLast ? lines.lastIndexOf(shownLast, end - 1) : -1;
    if (at >= 0 && at >= start - 1) { // on from what is shown: add the new lines, drop the oldest
      append(at + 1, end);
      while (box.childElementCount > notes.length + SHOWN) box.children[notes.length].remove();
    } else {
      box.replaceChildren(...notes);
      if (end === 0) box.appendChild(row('', 'arena', 'no console output up to this time'));
      append(start, end);
    }
    shownLast = last;
    box.scrollTop = box.scrollHeight;
  };
  let shownAt = -Infinity, pending = null;
  const render = () => {
    const wait = shownAt + GAP - performance.now();
    if (wait > 0) {
      pending ??= setTimeout(() => { pending = null; render(); }, wait);
      return;
    }
    shownAt = performance.now();
    show();
  };
  timeline.onChange(render);
  render();
  return box;
}

// How many lines were printed at or before t; lines are in time order.
function linesUpTo(lines, t) {
  let lo = 0, hi = lines.length;
  while (lo < hi) {
    const mid = (lo + hi) >> 1;
    if (lines[mid][0] <= t) lo = mid + 1; else hi = mid;
  }
  return lo;
}

function row(head, stream, text) {
  const div = document.createElement('div');
  div.className = `line ${stream}`;
  const h = document.createElement('span');
  h.className = 'head';
  h.textContent = head + ' ';
  div.append(h, document.createTextNode(text));
  return div;
}
