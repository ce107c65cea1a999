// The live view's costs, measured side by side in one run of this script on
// the gate course (never run by ctest; numbers go to the README and notes):
//
//   node bench/live_view.mjs BUILD_DIR [CHROMIUM]
//
// - key latency: from the keydown's time in the page to the wall time of the
//   robot's step that reported the key (both from this machine's clock);
// - frames drawn per second by a page at 1x, and the arena's CPU share then;
// - the arena's CPU share at 1x with --view and no page, against --realtime;
// - simulated seconds per wall second at "as fast as it goes" while a page
//   watches, against the same run with --no-record and no page, in three
//   rounds that alternate the two (this machine's speed drifts by a third
//   within minutes); the watched speed is the arena's own count of simulated
//   time from the switch to the interrupt.
import { createRequire } from 'node:module';
import { execFileSync, spawn } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';

const repo = path.resolve(path.dirname(new URL(import.meta.url).pathname), '..');
const require = createRequire(path.join(repo, 'report/package.json'));
const { chromium } = require('playwright-core');
const { startArena, openBrowser } = await import(path.join(repo, 'report/tests/live_support.mjs'));

const build = path.resolve(process.argv[2] || 'build');
const bin = path.join(build, 'bin');
const opt = { chromium: process.argv[3] || '/usr/bin/chromium', work: fs.mkdtempSync(path.join(os.tmpdir(), 'live-bench-')) };
const world = path.join(repo, 'worlds/gate_course');
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));
// CPU time of every thread of a process, in seconds, to the nanosecond
// (/proc/PID/stat counts in 10 ms ticks: too coarse for a process using 1 %).
function cpuSeconds(pid) {
  let ns = 0;
  for (const task of fs.readdirSync(`/proc/${pid}/task`)) {
    try { ns += Number(fs.readFileSync(`/proc/${pid}/task/${task}/schedstat`, 'utf8').split(' ')[0]); } catch { /* ended */ }
  }
  return ns / 1e9;
}

// Share of one core the arena process uses over `ms`, from 2 s in.
async function cpuShare(pid, ms) {
  await sleep(2000);
  const [c0, w0] = [cpuSeconds(pid), performance.now()];
  await sleep(ms);
  return (cpuSeconds(pid) - c0) / ((performance.now() - w0) / 1000);
}

const pct = (x, digits = 1) => `${(100 * x).toFixed(digits)} %`;
const median = (xs) => [...xs].sort((a, b) => a - b)[Math.floor(xs.length / 2)];

// Plain --realtime and --view without a page, side by side, twice over.
for (let round = 1; round <= 2; round++) {
  for (const [label, args] of [['--realtime', ['--realtime']], ['--view, no page', ['--view']]]) {
    const child = spawn(path.join(bin, 'arena'), ['run', world, '--no-record', '--duration', '14', ...args], { stdio: 'ignore' });
    console.log(`arena CPU at 1x, ${label}, round ${round}: ${pct(await cpuShare(child.pid, 10000), 2)} of one core`);
    child.kill('SIGINT');
    await new Promise((r) => child.on('exit', r));
  }
}

// One page watching at 1x: frames, CPU, keys.
const arena = await startArena(bin, [world, '--view', '--no-record', '--duration', '0']);
const { browser } = await openBrowser(chromium, opt);
const page = await browser.newPage();
await page.goto(arena.url);
await page.waitForFunction(() => window.__live && window.__live.time() > 1, null, { timeout: 60_000 });
const counts = () => page.evaluate(() => [window.__live.drawn(), window.__live.feed.framesReceived]);
const c0 = await counts();
const share = await cpuShare(arena.pid, 5000);
const c1 = await counts();
console.log(`page at 1x: ${((c1[1] - c0[1]) / 7).toFixed(1)} frames received and ${((c1[0] - c0[0]) / 7).toFixed(1)} drawn per second; arena CPU ${pct(share)} of one core`);

await page.click('#view3d');
await page.keyboard.press('p'); // the pilot's own: arrows then reach the thrusters
for (let i = 0; i < 20; i++) {
  await page.keyboard.press('ArrowLeft');
  await sleep(150 + 37 * (i % 5)); // not in step with the 32 ms passes
}
await sleep(300);
const lat = await page.evaluate(() => window.__live.latencies);
console.log(`key latency (keydown to the step that reported it, ${lat.length} presses): median ${median(lat).toFixed(1)} ms, max ${Math.max(...lat).toFixed(1)} ms`);

await browser.close();
arena.interrupt();
await arena.exit;

// As fast as it goes: a fresh run watched by a fresh page, then the same
// world with --no-record alone, three times over.
async function watchedFlatOut() {
  const run = await startArena(bin, [world, '--view', '--no-record', '--duration', '0']);
  const { browser: b } = await openBrowser(chromium, opt);
  const p = await b.newPage();
  await p.goto(run.url);
  await p.waitForFunction(() => window.__live && window.__live.time() > 1, null, { timeout: 60_000 });
  const [t0, w0] = [await p.evaluate(() => window.__live.time()), performance.now()];
  await p.selectOption('#speed', 'max');
  await sleep(10_000);
  run.interrupt();
  const wall = (performance.now() - w0) / 1000;
  await run.exit;
  await b.close();
  return (Number(/ran ([\d.]+) s of simulated time/.exec(run.stderr())[1]) - t0) / wall;
}
function plainFlatOut() {
  const out = execFileSync('sh', ['-c', `"${path.join(bin, 'arena')}" run "${world}" --no-record --duration 12000 2>&1 >/dev/null`], { encoding: 'utf8' });
  const m = /ran ([\d.]+) s of simulated time in ([\d.]+) s/.exec(out);
  return Number(m[1]) / Number(m[2]);
}
const ratios = [];
for (let round = 1; round <= 3; round++) {
  const watched = await watchedFlatOut();
  const plain = plainFlatOut();
  ratios.push(watched / plain);
  console.log(`as fast as it goes, round ${round}: ${watched.toFixed(0)} simulated s per s watched by a page, ${plain.toFixed(0)} with --no-record alone: ${pct(watched / plain)}`);
}
console.log(`as fast as it goes, watched against --no-record alone: median ${pct(median(ratios))}`);
fs.rmSync(opt.work, { recursive: true, force: true });
