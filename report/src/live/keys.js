// The pilot's keyboard: browser keys to the codes the programs read (arrows
// 316 left, 317 up, 318 right, 319 down; letters upper case; digits; space),
// sent as they go down and up. A browser repeats a held key: repeats are no
// new presses. Keys held when the page loses focus are let go.
const ARROWS = { ArrowLeft: 316, ArrowUp: 317, ArrowRight: 318, ArrowDown: 319 };

export function keyCode(event) {
  if (event.key in ARROWS) return ARROWS[event.key];
  const m = /^(Key|Digit)([A-Z0-9])$/.exec(event.code);
  if (m) return m[2].charCodeAt(0);
  if (event.code === 'Space') return 32;
  return 0;
}

export const KEY_NAMES = { 316: '←', 317: '↑', 318: '→', 319: '↓', 32: 'space' };
export function keyName(code) {
  return KEY_NAMES[code] || (code >= 32 && code < 127 ? String.fromCharCode(code) : `#${code}`);
}

export class KeyCapture {
  // send(code, down, at) is called for every press and release; `at` is the
  // event's time in milliseconds since the epoch.
  constructor(send) {
    this.send = send;
    this.down = new Map(); // code -> performance.now() of its press
    window.addEventListener('keydown', (e) => this.onKey(e, true));
    window.addEventListener('keyup', (e) => this.onKey(e, false));
    window.addEventListener('blur', () => this.releaseAll());
  }

  onKey(event, down) {
    if (event.ctrlKey || event.metaKey || event.altKey) return;
    if (event.target instanceof HTMLSelectElement || event.target instanceof HTMLInputElement) return;
    const code = keyCode(event);
    if (!code) return;
    event.preventDefault(); // arrows and space would scroll the page
    if (down && (event.repeat || this.down.has(code))) return;
    if (!down && !this.down.has(code)) return;
    if (down) this.down.set(code, performance.now()); else this.down.delete(code);
    // Date.now(), not the event's monotonic time stamp: the arena's steps
    // carry the wall clock, and the two clocks drift apart.
    this.send(code, down, Date.now());
  }

  releaseAll() {
    for (const code of [...this.down.keys()]) { this.down.delete(code); this.send(code, false, Date.now()); }
  }
}
