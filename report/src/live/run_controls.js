// Pause, one step, speed and the time, shown as the run reports them (every
// page sees the same run) and changed by asking the arena.
import { keyName } from './keys.js';

const SPEEDS = [0.25, 0.5, 1, 2, 4, 8];

export function runControls(parent, feed) {
  const bar = document.createElement('div');
  bar.className = 'controls live-controls';
  const pause = document.createElement('button');
  pause.id = 'pause';
  const step = document.createElement('button');
  step.id = 'step';
  step.textContent = 'One step';
  const speed = document.createElement('select');
  speed.id = 'speed';
  for (const s of SPEEDS) speed.add(new Option(`${s}×`, String(s)));
  speed.add(new Option('as fast as it goes', 'max'));
  const clock = document.createElement('span');
  clock.className = 'clock';
  clock.id = 'clock';
  bar.append(pause, step, speed, clock);
  parent.appendChild(bar);

  let paused = false;
  pause.addEventListener('click', () => feed.send({ type: paused ? 'resume' : 'pause' }));
  step.addEventListener('click', () => feed.send({ type: 'step' }));
  speed.addEventListener('change', () => {
    feed.send({ type: 'speed', value: speed.value === 'max' ? 'max' : Number(speed.value) });
    speed.blur(); // the arrows fly the robot, not this list
  });
  return {
    bar,
    show(frame, duration) {
      paused = frame.paused;
      pause.textContent = paused ? 'Resume' : 'Pause';
      step.disabled = !paused;
      const value = frame.speed === 0 ? 'max' : String(frame.speed);
      if (document.activeElement !== speed) speed.value = value;
      const end = duration >= 1e6 ? 'until stopped' : `${duration.toFixed(1)} s`;
      clock.textContent = `t = ${frame.t.toFixed(3)} s / ${end}${paused ? ' (paused)' : ''}`;
    },
  };
}

// What the keys do: arrows and letters as the programs read them, and the
// world's `once` keys, which count once per press.
export function keyLegend(parent, once) {
  const box = document.createElement('div');
  box.className = 'legend';
  box.id = 'legend';
  const lines = [
    'Click the view, then fly: ← 316, ↑ 317, → 318, ↓ 319; letters as upper case (A 65, Z 90, P 80).',
    'A key is sent to the robot in every step while it is held; a tap reaches exactly one step.',
  ];
  if (once.length) lines.push(`Counted once per press, however long held: ${once.map(keyName).join(', ')}.`);
  for (const text of lines) box.appendChild(document.createElement('p')).textContent = text;
  parent.appendChild(box);
  return box;
}
