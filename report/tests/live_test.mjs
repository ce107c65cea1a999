// The live view as a pilot meets it: arena runs the gate course with --view,
// and Debian's chromium opens its page, flies the airship with the keyboard,
// pauses, steps, changes speed, opens a second page and closes it. The
// recording then says what the keys did. A second run checks that Ctrl-C
// ends a watched run with 130 and closes its port.
//
//   node live_test.mjs --bin DIR --worlds DIR --work DIR --artifacts DIR --chromium PATH
import { test } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { parseArgs } from 'node:util';
import { chromium } from 'playwright-core';
import { startArena, openBrowser, trace, handshake } from './live_support.mjs';

const { values: opt } = parseArgs({ options: Object.fromEntries(
  ['bin', 'worlds', 'work', 'artifacts', 'chromium'].map((k) => [k, { type: 'string' }])) });
fs.rmSync(opt.work, { recursive: true, force: true });
fs.mkdirSync(opt.work, { recursive: true });
fs.mkdirSync(opt.artifacts, { recursive: true });
const world = path.join(opt.worlds, 'gate_course');
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

const simTime = (page) => page.evaluate(() => window.__live.time());
const waitForTime = (page, t) => page.waitForFunction((s) => window.__live.time() >= s, t, { timeout: 60_000 });
const state = (page) => page.evaluate(() => window.__live.state());

// How far simulated time goes in `ms` of wall time.
async function advanceIn(page, ms) {
  const a = await simTime(page);
  await sleep(ms);
  return (await simTime(page)) - a;
}

test('flying the gate course live', async (t) => {
  const rec = path.join(opt.work, 'rec');
  const arena = await startArena(opt.bin, [world, '--view', '--record', rec, '--no-report']);
  const { browser, problems } = await openBrowser(chromium, opt);
  try {
    await t.test('the page needs the token', async () => {
      assert.equal((await fetch(arena.url)).status, 200);
      assert.equal((await fetch(arena.url.replace(/token=.*/, ''))).status, 403);
      assert.equal((await fetch(arena.url.replace(/token=(.)/, 'token=0$1'))).status, 403);
    });

    await t.test('a live connection from another origin or without the token is refused', async () => {
      const own = new URL(arena.url).origin;
      assert.match(await handshake(arena.url, own), / 101 /, 'the page\'s own origin');
      assert.doesNotMatch(await handshake(arena.url, 'http://elsewhere.test'), / 101 /, 'another origin');
      assert.doesNotMatch(await handshake(arena.url, own, 'f'.repeat(32)), / 101 /, 'a wrong token');
      assert.match(arena.stderr(), /refused a live connection from another origin/);
    });

    const page = await browser.newPage();
    await page.goto(arena.url);
    await page.waitForFunction(() => window.__live && window.__live.time() > 0, null, { timeout: 60_000 });

    await t.test('bodies move and the console fills as the run goes', async () => {
      // From wherever the run is by now: a busy machine may have made the
      // checks above take seconds.
      const [a, t0] = await page.evaluate(() => [window.__live.bodyPosition('airship'), window.__live.replay.time]);
      await waitForTime(page, t0 + 3);
      await page.waitForFunction((t) => window.__live.replay.time >= t, t0 + 3); // drawn, not only received
      const b = await page.evaluate(() => window.__live.bodyPosition('airship'));
      assert.ok(Math.hypot(b[0] - a[0], b[1] - a[1], b[2] - a[2]) > 0.05, `airship at ${a} then ${b}`);
      await page.waitForFunction(() => window.__live.feed.console.length > 0, null, { timeout: 60_000 });
      assert.ok(await page.locator('#console .line').count() > 0);
      assert.match(await page.locator('#hud').textContent(), /altitude/);
    });

    // The pilot takes over with P, holds the up arrow for a second and hands
    // back; the recording says below what reached the craft.
    let tookOver = 0, handedBack = 0, heldMs = 0;
    {
      // On the way to gate 3, where the course leaves room to fly straight on.
      await page.selectOption('#speed', '8');
      await waitForTime(page, 33);
      await page.selectOption('#speed', '1');
      await page.waitForFunction(() => window.__live.state().speed === 1);
      // The figures so far: three gates crossed, gate3 next.
      await page.waitForFunction(() => /^next: gate3, \d+\.\d{3} m away$/.test(
        document.querySelector('#figures .next-gate')?.textContent ?? ''), null, { timeout: 10_000 });
      assert.equal(await page.locator('#gates tr:has-text("not crossed")').count(), 2);
      await page.click('#view3d');
      tookOver = await simTime(page);
      await page.keyboard.press('p');
      await sleep(500);
      const down = Date.now();
      await page.keyboard.down('ArrowUp');
      await sleep(Math.max(0, 1000 - (Date.now() - down)));
      await page.keyboard.up('ArrowUp');
      const log = await page.evaluate(() => window.__live.keyLog.filter(([code]) => code === 317));
      heldMs = log[1][2] - log[0][2]; // as the page saw the key go down and up
      handedBack = await simTime(page);
      await page.keyboard.press('p');
      await sleep(300);
    }

    await t.test('pause holds simulated time; one step advances it by one step', async () => {
      await page.click('#pause');
      await page.waitForFunction(() => window.__live.state().paused);
      const t1 = await simTime(page);
      await sleep(1000);
      assert.equal(await simTime(page), t1, 'simulated time moved while paused');
      await page.click('#step');
      await page.waitForFunction((s) => window.__live.time() > s, t1);
      assert.ok(Math.abs((await simTime(page)) - t1 - 0.032) < 1e-9, `one step went from ${t1} to ${await simTime(page)}`);
      await page.click('#pause'); // resume
      await page.waitForFunction(() => !window.__live.state().paused);
    });

    await t.test('two pages see the same run; closing one leaves it untouched', async () => {
      const second = await browser.newPage();
      await second.goto(arena.url);
      await second.waitForFunction(() => window.__live && window.__live.time() > 0, null, { timeout: 60_000 });
      const [a, b] = [await simTime(page), await simTime(second)];
      assert.ok(Math.abs(a - b) < 0.5, `the pages show ${a} s and ${b} s`);
      await second.selectOption('#speed', '4');
      await page.waitForFunction(() => window.__live.state().speed === 4, null, { timeout: 10_000 });
      await second.close();
      assert.ok((await advanceIn(page, 500)) > 0, 'the run stopped when a page closed');
    });

    await t.test('4x runs about four times as fast as 1x', async () => {
      const fast = await advanceIn(page, 3000);
      await page.selectOption('#speed', '1');
      await page.waitForFunction(() => window.__live.state().speed === 1);
      const slow = await advanceIn(page, 3000);
      t.diagnostic(`in 3 s of wall time: ${fast.toFixed(3)} s simulated at 4x, ${slow.toFixed(3)} s at 1x`);
      // A machine busy with other work may hold 4x back a little, never 1x.
      assert.ok(fast / slow > 2.5 && fast / slow < 5, `4x against 1x: ${fast / slow}`);
    });

    await page.selectOption('#camera', 'airship');
    await sleep(500);
    await page.screenshot({ path: path.join(opt.artifacts, 'live-view.png') });
    const latencies = await page.evaluate(() => window.__live.latencies);
    t.diagnostic(`key latency, keydown to the step that reported it: ${latencies.map((l) => l.toFixed(0)).join(', ')} ms`);

    await page.selectOption('#speed', 'max');
    const status = await arena.exit;
    assert.equal(status, 0, arena.stderr());

    await t.test('the recording shows the keys as flown, the craft speeding up, and still docking', () => {
      const steps = trace(rec, 'airship');
      const withKey = (code) => steps.filter((s) => (s.samples.keys || []).includes(code));
      const p = withKey(80);
      assert.equal(p.length, 2, `P in passes at ${p.map((s) => s.t)}`);
      assert.ok(p[0].t >= tookOver - 0.5 && p[1].t <= handedBack + 1, `P at ${p.map((s) => s.t)}`);
      const up = withKey(317);
      const consecutive = up.every((s, i) => i === 0 || s.step === up[i - 1].step + 1);
      assert.ok(consecutive, 'the held arrow reached consecutive passes');
      // As many 32 ms passes as the page held the key, give or take the
      // passes that its two messages took to arrive.
      const expected = heldMs / 32;
      t.diagnostic(`ArrowUp held for ${heldMs} ms reached ${up.length} passes`);
      assert.ok(Math.abs(up.length - expected) <= 3, `ArrowUp held for ${heldMs} ms reached ${up.length} passes`);
      // The craft's speed along its heading, over the five passes up to step i,
      // from its GPS (column-major: x axis in 0..2, position in 12..14).
      const at = (n) => steps.findIndex((s) => s.step === n);
      const forwardSpeed = (i) => {
        const a = steps[i - 5].samples.gps, b = steps[i].samples.gps;
        return [0, 1, 2].reduce((sum, k) => sum + (b[12 + k] - a[12 + k]) * b[k], 0) / (5 * 0.032);
      };
      const [first, last] = [forwardSpeed(at(up[0].step)), forwardSpeed(at(up[up.length - 1].step))];
      assert.ok(last > first, `forward speed ${first} m/s as the arrow went down, ${last} m/s as it came up`);
      const summary = JSON.parse(fs.readFileSync(path.join(rec, 'summary.json'), 'utf8'));
      assert.equal(typeof summary.figures.course.docking?.time, 'number', JSON.stringify(summary.figures.course));
    });

    await t.test('the page logged no error and fetched nothing but the arena', () => {
      assert.deepEqual(problems, []);
    });
  } finally {
    await browser.close();
    arena.kill();
  }
});

test('Ctrl-C ends a watched run with 130 and closes the port', async () => {
  const arena = await startArena(opt.bin, [world, '--view', '--duration', '0', '--no-record']);
  const { browser } = await openBrowser(chromium, opt);
  try {
    const page = await browser.newPage();
    await page.goto(arena.url);
    await page.waitForFunction(() => window.__live && window.__live.time() > 0.5, null, { timeout: 60_000 });
    arena.interrupt();
    assert.equal(await arena.exit, 130, arena.stderr());
    await assert.rejects(fetch(arena.url), 'the port is still open');
  } finally {
    await browser.close();
    arena.kill();
  }
});
