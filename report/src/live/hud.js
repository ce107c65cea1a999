// The heads-up display over the 3D view, for the robot being flown: its
// altitude, heading (0° facing +x, 90° facing +z, as its GPS reads it),
// speed, and the keys it was sent in its last step.
import { keyName } from './keys.js';

export function headingDegrees([qw, qx, qy, qz]) {
  // The body's x axis in the world: the first column of its rotation.
  const fx = 1 - 2 * (qy * qy + qz * qz);
  const fz = 2 * (qx * qz - qw * qy);
  return ((Math.atan2(fz, fx) * 180) / Math.PI + 360) % 360;
}

export class Hud {
  constructor(parent) {
    this.box = document.createElement('div');
    this.box.className = 'hud';
    this.box.id = 'hud';
    parent.appendChild(this.box);
    this.previous = null; // [t, x, y, z] of the pilot's body
  }

  show(frame, body, keys) {
    const p = body && frame.bodies[body];
    if (!p) { this.box.textContent = frame.pilot ? '' : 'no robot has enabled its keyboard yet'; return; }
    let speed = this.speed || 0;
    if (this.previous && frame.t > this.previous[0]) {
      const dt = frame.t - this.previous[0];
      speed = Math.hypot(p[0] - this.previous[1], p[1] - this.previous[2], p[2] - this.previous[3]) / dt;
    }
    if (!this.previous || frame.t > this.previous[0]) this.previous = [frame.t, p[0], p[1], p[2]];
    this.speed = speed;
    const rows = [
      ['flying', frame.pilot],
      ['altitude', `${p[1].toFixed(2)} m`],
      ['heading', `${headingDegrees(p.slice(3, 7)).toFixed(0)}°`],
      ['speed', `${speed.toFixed(2)} m/s`],
      ['keys sent', keys.length ? keys.map(keyName).join(' ') : '–'],
    ];
    this.box.replaceChildren(...rows.map(([k, v]) => {
      const row = document.createElement('div');
      const key = document.createElement('span');
      key.textContent = `${k} `;
      row.append(key, document.createTextNode(v));
      return row;
    }));
  }
}
