// The run as it arrives on the live connection: the hello (scene, robots,
// `once` keys), then batches of frames. Poses, console lines and robot steps
// are kept in the shapes the report's views read, and grow as frames come.
const KEPT_FRAMES = 6000; // per body: a few minutes of poses for the 3D view
const KEPT_STEPS = 20000; // per robot: ten minutes of the airship's steps
const KEPT_LINES = 2000; // the console shows the latest 200; console.log keeps them all

export class LiveFeed {
  constructor(url) {
    this.url = url;
    this.hello = null;
    this.poses = {};
    this.console = [];
    this.steps = {}; // robot -> [{t, samples, commands}]
    this.last = null; // the latest frame
    this.framesReceived = 0;
    this.lost = 0;
    this.listeners = { hello: [], frame: [], close: [], step: [] };
  }

  on(what, fn) { this.listeners[what].push(fn); }
  emit(what, arg) { for (const fn of this.listeners[what]) fn(arg); }

  connect() {
    this.socket = new WebSocket(this.url);
    this.socket.addEventListener('message', (e) => this.receive(JSON.parse(e.data)));
    this.socket.addEventListener('close', () => this.emit('close'));
  }

  send(message) {
    if (this.socket && this.socket.readyState === WebSocket.OPEN) this.socket.send(JSON.stringify(message));
  }

  receive(message) {
    if (message.type === 'hello') { this.hello = message; this.emit('hello', message); return; }
    if (message.type !== 'frames') return;
    this.lost += message.lost;
    for (const frame of message.frames) this.take(frame);
    this.last = message.frames[message.frames.length - 1] || this.last;
    if (this.last) this.emit('frame', this.last);
  }

  take(frame) {
    this.framesReceived++;
    for (const [name, p] of Object.entries(frame.bodies)) {
      const track = this.poses[name] || (this.poses[name] = { t: [], p: [] });
      if (track.t.length && track.t[track.t.length - 1] >= frame.t) continue; // paused: nothing new
      track.t.push(frame.t);
      track.p.push(...p);
      if (track.t.length > KEPT_FRAMES) { track.t.splice(0, 1000); track.p.splice(0, 7000); }
    }
    for (const line of frame.console) this.console.push(line);
    if (this.console.length > 2 * KEPT_LINES) this.console.splice(0, this.console.length - KEPT_LINES);
    for (const [robot, steps] of Object.entries(frame.steps)) {
      const list = this.steps[robot] || (this.steps[robot] = []);
      list.push(...steps);
      if (list.length > KEPT_STEPS) list.splice(0, list.length - KEPT_STEPS);
      for (const fn of this.listeners.step) fn(robot, steps);
    }
  }
}
