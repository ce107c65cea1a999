// Recorded poses, one track per body: t (seconds) and p, seven numbers per
// frame (x, y, z, qw, qx, qy, qz). A body that never moved has one frame.

// Index of the last frame at or before t (0 before the first).
export function frameIndex(times, t) {
  let lo = 0, hi = times.length - 1;
  if (hi < 0 || t < times[0]) return 0;
  if (t >= times[hi]) return hi;
  while (hi - lo > 1) {
    const mid = (lo + hi) >> 1;
    if (times[mid] <= t) lo = mid; else hi = mid;
  }
  return lo;
}

// Pose at time t, interpolated between the two frames around it
// (position linearly, orientation by normalised quaternion blend).
export function poseAt(track, t) {
  const i = frameIndex(track.t, t);
  const a = track.p.slice(7 * i, 7 * i + 7);
  if (i + 1 >= track.t.length || t <= track.t[i]) return a;
  const b = track.p.slice(7 * i + 7, 7 * i + 14);
  const f = (t - track.t[i]) / (track.t[i + 1] - track.t[i]);
  const out = a.map((v, k) => v + (b[k] - v) * f);
  const dot = a[3] * b[3] + a[4] * b[4] + a[5] * b[5] + a[6] * b[6];
  if (dot < 0) for (let k = 3; k < 7; k++) out[k] = a[k] - (b[k] + a[k]) * f; // shorter way round
  const n = Math.hypot(out[3], out[4], out[5], out[6]) || 1;
  for (let k = 3; k < 7; k++) out[k] /= n;
  return out;
}
