// Opens a run report from disk in headless chromium and checks what a person
// would see: the 3D view draws, scrubbing moves the robots, each robot has
// its plots, and the page logs no error and asks for nothing over a network.
//
//   node browser_test.mjs --case synthetic|WORLD --report-tool BIN --bin DIR
//        --worlds DIR --work DIR --artifacts DIR --chromium PATH
// Exits 77 (skipped) when the world or the arena does not exist yet.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { pathToFileURL } from 'node:url';
import { parseArgs } from 'node:util';
import { chromium } from 'playwright-core';

const { values: opt } = parseArgs({ options: Object.fromEntries(
  ['case', 'report-tool', 'bin', 'worlds', 'work', 'artifacts', 'chromium'].map((k) => [k, { type: 'string' }])) });
const here = path.dirname(new URL(import.meta.url).pathname);

// Short runs keep the suite quick; the gate course is flown whole.
const RUN_SECONDS = { obstacle_room: 30, ir_link: 20 };
// What each world's robots must show up as.
const KINDS = {
  gate_course: { airship: 'airship' },
  obstacle_room: { ir_avoider: 'wheeled', camera_avoider: 'wheeled' },
  ir_link: { beacon: 'emitter', receiver: 'listener', listener: 'listener' },
};

function skip(why) {
  console.log(`skipped: ${why}`);
  process.exit(77);
}

// robot name -> body name, from the world's manifest ([[robot]] name/body).
function robotBodies(worldDir) {
  const map = {};
  let name = null;
  for (const line of fs.readFileSync(path.join(worldDir, 'world.toml'), 'utf8').split('\n')) {
    if (/^\s*\[\[robot\]\]/.test(line)) name = null;
    const m = line.match(/^\s*(name|body)\s*=\s*"([^"]*)"/);
    if (m && m[1] === 'name' && name === null) name = m[2];
    if (m && m[1] === 'body' && name !== null) map[name] = m[2];
  }
  return map;
}

function prepareRecording() {
  const dir = path.join(opt.work, 'recording');
  fs.rmSync(opt.work, { recursive: true, force: true });
  fs.mkdirSync(opt.work, { recursive: true });
  if (opt.case === 'synthetic') {
    execFileSync(process.execPath, [path.join(here, 'make_recording.mjs'), dir, '120']);
    return { dir, bodies: { airship: 'airship', rover: 'rover', listener: 'listener' },
      kinds: { airship: 'airship', rover: 'wheeled', listener: 'listener' }, mover: 'airship' };
  }
  const world = path.join(opt.worlds, opt.case);
  const arena = path.join(opt.bin, 'arena');
  if (!fs.existsSync(path.join(world, 'world.toml'))) skip(`no world ${opt.case} yet`);
  if (!fs.existsSync(arena)) skip('arena is not built');
  const args = ['run', world, '--record', dir];
  if (RUN_SECONDS[opt.case]) args.push('--duration', String(RUN_SECONDS[opt.case]));
  // Status 2 is a world the arena cannot load (yet); 1 is a controller that
  // failed, whose recording is exactly what a report is for.
  const run = spawnSync(arena, args, { stdio: ['ignore', 'ignore', 'pipe'], timeout: 600_000, encoding: 'utf8' });
  if (run.status === 2) skip(`the arena cannot load ${opt.case}: ${run.stderr.trim()}`);
  if (run.status !== 0 && run.status !== 1) throw new Error(`arena run ${opt.case}: status ${run.status} ${run.signal ?? ''}\n${run.stderr}`);
  if (run.status === 1) console.log(`# a controller failed in this run:\n${run.stderr}`);
  return { dir, bodies: robotBodies(world), kinds: KINDS[opt.case] || {}, mover: opt.case === 'gate_course' ? 'airship' : null };
}

const recording = prepareRecording();
execFileSync(opt['report-tool'], [recording.dir], { stdio: ['ignore', 'ignore', 'inherit'] });
const reportFile = path.join(recording.dir, 'report.html');
fs.mkdirSync(opt.artifacts, { recursive: true });
const shot = (name) => path.join(opt.artifacts, `${opt.case}-${name}.png`);

async function openReport() {
  const profile = fs.mkdtempSync(path.join(opt.work, 'profile-'));
  const browser = await chromium.launchPersistentContext(profile, {
    executablePath: opt.chromium,
    headless: true,
    viewport: { width: 1400, height: 900 },
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync',
      '--use-angle=swiftshader', '--enable-unsafe-swiftshader'],
  });
  const page = await browser.newPage();
  const problems = [];
  page.on('console', (m) => { if (m.type() === 'error') problems.push(`console: ${m.text()}`); });
  page.on('pageerror', (e) => problems.push(`page error: ${e.message}`));
  page.on('request', (r) => { if (!/^(file|data|blob):/.test(r.url())) problems.push(`request: ${r.url()}`); });
  const started = Date.now();
  await page.goto(pathToFileURL(reportFile).href);
  await page.waitForFunction(() => window.__report, null, { timeout: 60_000 });
  const openMs = Date.now() - started;
  return { browser, page, problems, openMs };
}

const scrubTo = async (page, seconds) => {
  await page.locator('#scrub').fill(String(Math.round(seconds * 1000)));
  return page.evaluate(() => window.__report.timeline.time);
};

test(`report of ${opt.case}`, async (t) => {
  const size = fs.statSync(reportFile).size;
  const { browser, page, problems, openMs } = await openReport();
  t.diagnostic(`report.html: ${(size / 1e6).toFixed(2)} MB, ready in the browser after ${openMs} ms`);
  try {
    const info = await page.evaluate(() => {
      const r = window.__report;
      return { duration: r.timeline.duration, robots: Object.keys(r.data.robots), kinds: r.kinds,
        figures: Object.keys(r.data.summary?.figures || {}).length,
        bodies: Object.fromEntries([...r.replay.bodies].map(([n, g]) => [n, g.children.length])),
        moving: Object.entries(r.data.poses).filter(([, tr]) => tr.t.length > 1).map(([n]) => n) };
    });

    await t.test('the 3D view draws the scene', async () => {
      const stats = await page.evaluate(() => window.__report.canvasStats());
      assert.ok(stats.width > 100 && stats.height > 100, `canvas ${stats.width}x${stats.height}`);
      assert.ok(stats.nonBackground > 0.02, `only ${(stats.nonBackground * 100).toFixed(2)}% of the canvas is drawn`);
    });

    await t.test('every robot has its section and a body in the replay', async () => {
      assert.ok(info.robots.length > 0, 'the recording has no robot traces');
      for (const robot of info.robots) {
        assert.equal(await page.locator(`section.robot[data-robot="${robot}"]`).count(), 1, `robot ${robot}: no section`);
        const body = recording.bodies[robot] || robot;
        assert.ok(info.bodies[body] > 0, `robot ${robot}: no drawn body "${body}" in the replay`);
      }
      for (const [robot, kind] of Object.entries(recording.kinds)) assert.equal(info.kinds[robot], kind, robot);
    });

    await t.test('scrubbing the timeline moves the robots and the picture', async () => {
      const mover = recording.mover || info.moving.find((n) => n !== 'world');
      if (!mover) return t.diagnostic('no body moved in this run');
      const canvas = page.locator('#view3d canvas');
      const early = await scrubTo(page, info.duration * 0.1);
      const a = await page.evaluate((n) => window.__report.bodyPosition(n), mover);
      const before = await canvas.screenshot();
      const late = await scrubTo(page, info.duration * 0.6);
      const b = await page.evaluate((n) => window.__report.bodyPosition(n), mover);
      const after = await canvas.screenshot();
      assert.ok(late > early, `timeline at ${early} then ${late}`);
      const moved = Math.hypot(b[0] - a[0], b[1] - a[1], b[2] - a[2]);
      assert.ok(moved > 0.05, `${mover} moved ${moved} m between ${early} s and ${late} s`);
      assert.ok(!before.equals(after), 'the 3D view did not change');
    });

    await t.test('each robot has its plots', async () => {
      const titles = await page.$$eval('.u-title, .plot-title', (els) => els.map((e) => e.textContent));
      for (const robot of info.robots) {
        const shown = await page.locator(`section.robot[data-robot="${robot}"]`).locator('.plot canvas, table').count();
        assert.ok(shown > 0, `${robot}: neither plot nor table`);
      }
      for (const [robot, kind] of Object.entries(info.kinds)) {
        const section = page.locator(`section.robot[data-robot="${robot}"]`);
        if (kind === 'airship') {
          for (const words of ['Top view', 'Altitude', 'Force', 'Ground sensors', ...(opt.case === 'synthetic' ? ['Wind'] : [])]) {
            assert.ok(titles.some((s) => s.includes(words)), `${robot}: no "${words}" plot`);
          }
        } else if (kind === 'wheeled') {
          assert.ok(await section.locator('.topview').count() > 0, `${robot}: no path`);
          assert.ok(await section.locator('.u-title', { hasText: 'Wheel commands' }).count() > 0, `${robot}: no wheel plot`);
        } else if (kind === 'listener' || kind === 'emitter') {
          assert.ok(await section.locator('table').count() > 0, `${robot}: no packet table`);
        }
      }
      if (info.figures) assert.ok(await page.locator('#figures tbody tr').count() >= info.figures, 'summary figures table');
    });

    await t.test('play advances the timeline and follow keeps the robot in view', async () => {
      const start = await scrubTo(page, info.duration * 0.3);
      await page.click('#play');
      await page.waitForFunction((s) => window.__report.timeline.time > s, start, { timeout: 30_000 });
      await page.click('#play');
      const follow = recording.mover || info.robots.map((r) => recording.bodies[r] || r).find((b) => info.bodies[b]);
      if (follow) await page.selectOption('#camera', follow);
      await scrubTo(page, info.duration * 0.45);
      await page.locator('#view3d').screenshot({ path: shot('follow') });
      await page.selectOption('#camera', '');
    });

    await scrubTo(page, info.duration * 0.45);
    await page.screenshot({ path: shot('page'), fullPage: true });
    await page.screenshot({ path: shot('top') });

    await t.test('the page logged no error and fetched nothing', () => {
      assert.deepEqual(problems, []);
    });
  } finally {
    await browser.close();
  }
});
