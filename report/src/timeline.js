// The run's clock shared by every view: play, pause, scrub and speed.
export class Timeline {
  constructor(duration) {
    this.duration = duration;
    this.time = 0;
    this.speed = 1;
    this.playing = false;
    this.listeners = [];
    this.lastFrame = null;
  }

  onChange(fn) { this.listeners.push(fn); }

  seek(t) {
    this.time = Math.min(Math.max(t, 0), this.duration);
    for (const fn of this.listeners) fn(this.time);
  }

  play() {
    if (this.time >= this.duration) this.seek(0);
    this.playing = true;
    this.lastFrame = null;
    requestAnimationFrame((now) => this.tick(now));
  }

  pause() { this.playing = false; }

  tick(now) {
    if (!this.playing) return;
    if (this.lastFrame !== null) this.seek(this.time + ((now - this.lastFrame) / 1000) * this.speed);
    this.lastFrame = now;
    if (this.time >= this.duration) { this.playing = false; this.seek(this.duration); return; }
    requestAnimationFrame((n) => this.tick(n));
  }
}

// Play button, range input, time read-out and speed choice.
export function timelineControls(parent, timeline) {
  const bar = document.createElement('div');
  bar.className = 'controls';
  const play = document.createElement('button');
  play.id = 'play';
  const range = document.createElement('input');
  range.type = 'range'; range.id = 'scrub';
  range.min = 0; range.max = Math.round(timeline.duration * 1000); range.step = 1; range.value = 0;
  const clock = document.createElement('span');
  clock.className = 'clock';
  const speed = document.createElement('select');
  speed.id = 'speed';
  for (const s of [0.25, 0.5, 1, 2, 4, 8]) speed.add(new Option(`${s}×`, s, s === 1, s === 1));
  bar.append(play, range, clock, speed);
  parent.appendChild(bar);

  const show = () => {
    play.textContent = timeline.playing ? 'Pause' : 'Play';
    range.value = Math.round(timeline.time * 1000);
    clock.textContent = `${timeline.time.toFixed(2)} / ${timeline.duration.toFixed(2)} s`;
  };
  play.addEventListener('click', () => { timeline.playing ? timeline.pause() : timeline.play(); show(); });
  range.addEventListener('input', () => timeline.seek(range.value / 1000));
  speed.addEventListener('change', () => { timeline.speed = Number(speed.value); });
  timeline.onChange(show);
  show();
  return bar;
}

// "#t=12.5" in the page's address opens the replay at 12.5 s; anything
// else in the fragment is left alone.
export function momentInHash(hash) {
  const m = /^#t=(\d+(?:\.\d*)?)$/.exec(hash);
  return m ? Number(m[1]) : null;
}

export function seekToHash(timeline) {
  const go = () => {
    const t = momentInHash(location.hash);
    if (t !== null) timeline.seek(t);
  };
  window.addEventListener('hashchange', go);
  go();
}

// A link to the moment shown, for the address bar and the clipboard. The
// address is only rewritten on a click, so the browser's history is not
// flooded while the replay plays.
export function momentLink(parent, timeline) {
  const button = document.createElement('button');
  button.id = 'copy-moment';
  button.textContent = 'Copy link to this moment';
  const status = document.createElement('span');
  status.className = 'moment-status';
  parent.append(button, status);
  button.addEventListener('click', async () => {
    const hash = `#t=${timeline.time.toFixed(2)}`;
    history.replaceState(null, '', hash);
    try {
      await navigator.clipboard.writeText(location.href);
      status.textContent = 'copied';
    } catch {
      status.textContent = 'in the address bar';
    }
  });
  timeline.onChange(() => { status.textContent = ''; });
  return button;
}
