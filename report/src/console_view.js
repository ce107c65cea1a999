// The console lines up to the timeline's time, the latest at the bottom.
// Text goes in as textContent only: robots print whatever they like.
import { frameIndex } from './poses.js';

const SHOWN = 200;

export function consoleView(parent, lines, omitted, timeline) {
  const box = document.createElement('div');
  box.className = 'console';
  box.id = 'console';
  parent.appendChild(box);
  const times = lines.map((l) => l[0]);
  let shownEnd = -1;
  const render = () => {
    // A live run's lines grow as it goes.
    while (times.length < lines.length) times.push(lines[times.length][0]);
    const end = lines.length && timeline.time >= times[0] ? frameIndex(times, timeline.time) + 1 : 0;
    if (end === shownEnd) return;
    shownEnd = end;
    box.replaceChildren();
    if (end === 0) box.appendChild(row('', 'arena', 'no console output up to this time'));
    if (omitted) box.appendChild(row('', 'arena', `${omitted} later lines are in console.log only`));
    for (const [t, robot, stream, text] of lines.slice(Math.max(0, end - SHOWN), end)) {
      box.appendChild(row(`${t.toFixed(3)} [${robot}]`, stream, text));
    }
    box.scrollTop = box.scrollHeight;
  };
  timeline.onChange(render);
  render();
  return box;
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
