// Success rates of groups of runs, with the Wilson score interval: unlike
// the normal approximation it stays inside 0..1 and means something for
// a handful of runs, all succeeding or all failing.
export function wilson(successes, n, z = 1.96) {
  if (n === 0) return { rate: NaN, lo: NaN, hi: NaN };
  const p = successes / n;
  const z2 = z * z;
  const centre = (p + z2 / (2 * n)) / (1 + z2 / n);
  const half = (z / (1 + z2 / n)) * Math.sqrt((p * (1 - p)) / n + z2 / (4 * n * n));
  return { rate: p, lo: Math.max(0, centre - half), hi: Math.min(1, centre + half) };
}

// A value as shown: numbers as they are, arrays space-separated.
export function shown(v) {
  if (v === null || v === undefined) return '';
  if (Array.isArray(v)) return v.map(shown).join(' ');
  return String(v);
}

// Runs grouped by the shown values of the given parameters, in the order
// the sweep file lists the values; groups no run reached are left out.
export function groups(rows, labels, parameters) {
  const order = labels.map((l) => parameters.find((p) => p.label === l).values.map(shown));
  const map = new Map();
  for (const row of rows) {
    if (!labels.every((l) => l in row.parameters)) continue;
    const key = labels.map((l) => shown(row.parameters[l]));
    const id = JSON.stringify(key);
    if (!map.has(id)) map.set(id, { key, values: labels.map((l) => row.parameters[l]), n: 0, ok: 0 });
    const g = map.get(id);
    g.n += 1;
    g.ok += row.success ? 1 : 0;
  }
  const rank = (g) => g.key.map((k, i) => order[i].indexOf(k));
  return [...map.values()].sort((a, b) => {
    const ra = rank(a), rb = rank(b);
    for (let i = 0; i < ra.length; i++) if (ra[i] !== rb[i]) return ra[i] - rb[i];
    return 0;
  });
}
