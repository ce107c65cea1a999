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

async function openReport(hash = '') {
  const profile = fs.mkdtempSync(path.join(opt.work, 'profile-'));
  const browser = await chromium.launchPersistentContext(profile, {
    executablePath: opt.chromium,
    headless: true,
    viewport: { width: 1400, height: 900 },
    permissions: ['clipboard-read', 'clipboard-write'],
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
  await page.goto(pathToFileURL(reportFile).href + hash);
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

    await t.test('the console shows the last lines up to the moment, scrubbing on and back', async () => {
      for (const f of [0.9, 0.6, 0.1]) {
        const at = await scrubTo(page, info.duration * f);
        const shown = () => page.evaluate((at) => {
          const want = window.__report.data.console.filter((l) => l[0] <= at).slice(-200).map((l) => `${l[0].toFixed(3)} [${l[1]}] `);
          const rows = [...document.querySelectorAll('#console .line .head')].map((h) => h.textContent).filter((h) => h.trim());
          return rows.length === want.length && rows.every((r, i) => r === want[i]) ? null : { at, rows: rows.slice(-2), want: want.slice(-2) };
        }, at);
        for (let tries = 0; tries < 20 && await shown(); tries++) await new Promise((r) => setTimeout(r, 50));
        assert.equal(await shown(), null);
      }
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
    });

    await t.test('the figures are tables: one row per gate, and the docking, also from gates crossed so far', async () => {
      const figures = await page.evaluate(() => window.__report.data.summary?.figures || {});
      const course = figures.course;
      const others = Object.keys(figures).filter((k) => k !== 'course' && k !== 'success').length;
      if (others) assert.ok(await page.locator('#figures tbody tr').count() >= others, 'other figures table');
      if (!course) return t.diagnostic('no course figures in this run');
      const rows = await page.$$eval('#gates tbody tr', (trs) => trs.map((tr) => [...tr.cells].map((c) => c.textContent)));
      assert.equal(rows.length, course.gates.length);
      // Times to the hundredth of a second, offsets to the millimetre.
      const roundedTo = (text, value, digits) => new RegExp(`^-?\\d+\\.\\d{${digits}}$`).test(text)
        && Math.abs(Number(text) - value) <= 0.5 * 10 ** -digits + 1e-12;
      course.gates.forEach((g, i) => {
        assert.equal(rows[i][0], g.gate);
        if (!g.crossed) return;
        assert.ok(roundedTo(rows[i][1], g.time, 2), `${g.gate}: ${rows[i][1]} for ${g.time}`);
        g.offset.forEach((v, k) => assert.ok(roundedTo(rows[i][2 + k], v, 3), `${g.gate}: ${rows[i][2 + k]} for ${v}`));
      });
      const docked = await page.$$eval('#docking tbody tr', (trs) => trs.map((tr) => tr.cells[1].textContent));
      if (course.docking) assert.ok(roundedTo(docked[0], course.docking.time, 2), docked[0]);
      else assert.equal(docked[0], 'not docked');

      // As a live run would: two gates so far, then the whole, into one container.
      const redrawn = await page.evaluate((c) => {
        const box = document.createElement('div');
        const partial = { ...c, docking: null, gates: c.gates.map((g, i) => (i < 2 ? g : { gate: g.gate, crossed: false, outside_crossings: 0 })) };
        const rowsOf = () => [...box.querySelectorAll('.figures-gates tbody tr')].map((tr) => tr.cells[1].textContent);
        window.__report.renderFigures(box, { course: partial });
        const early = { rows: rowsOf(), docking: box.querySelector('.figures-docking td:nth-child(2)').textContent };
        window.__report.renderFigures(box, { course: c });
        return { early, late: rowsOf(), tables: box.querySelectorAll('table').length };
      }, course);
      assert.deepEqual(redrawn.early.rows.slice(2), course.gates.slice(2).map(() => 'not crossed'));
      assert.equal(redrawn.early.docking, 'not docked');
      assert.equal(redrawn.late.length, course.gates.length);
      assert.equal(redrawn.tables, 2, 'a redraw replaces the tables');
    });

    await t.test('robots come in the world\'s order, and bodies carry their names', async () => {
      const stated = JSON.parse(fs.readFileSync(path.join(recording.dir, 'recording.json'), 'utf8')).robots.map((r) => r.name);
      const shown = await page.$$eval('section.robot', (els) => els.map((e) => e.dataset.robot));
      assert.deepEqual(shown, stated.filter((n) => info.robots.includes(n)));
      const labels = () => page.$$eval('.body-label', (els) => els.filter((e) => e.checkVisibility()).map((e) => e.textContent));
      const named = await labels();
      for (const robot of info.robots) assert.ok(named.includes(recording.bodies[robot] || robot), `no label on ${robot}`);
      await page.uncheck('#labels');
      assert.deepEqual(await labels(), [], 'labels still shown when turned off');
      await page.check('#labels');
    });

    await t.test('a #t= link opens the replay at its moment, and the page copies one', async () => {
      const moment = Number((info.duration * 0.6).toFixed(2));
      const mover = recording.mover || info.moving.find((n) => n !== 'world');
      await scrubTo(page, moment);
      const there = await page.evaluate((n) => n && window.__report.bodyPosition(n), mover);
      const linked = await openReport(`#t=${moment}`);
      try {
        const at = await linked.page.evaluate((n) => [window.__report.timeline.time, n && window.__report.bodyPosition(n)], mover);
        assert.deepEqual(at, [moment, there]);
        await linked.page.evaluate(() => { location.hash = '#t=1.5'; });
        await linked.page.waitForFunction(() => window.__report.timeline.time === 1.5);
      } finally {
        await linked.browser.close();
      }
      const now = await scrubTo(page, info.duration * 0.25);
      await page.click('#copy-moment');
      const copied = await page.evaluate(() => navigator.clipboard.readText());
      assert.equal(copied, `${pathToFileURL(reportFile).href}#t=${now.toFixed(2)}`);
    });

    if (opt.case === 'synthetic') {
      await t.test('the header says what --set changed', async () => {
        assert.match(await page.locator('header').innerText(), /changed for this run: --set wind\.airship\.gust=0\.01/);
      });
    }

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
