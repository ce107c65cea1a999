// Opens a sweep's page (sweep.html) from disk in headless chromium and checks
// what a person would see: the success map drawn cell by cell, the success
// against one value with its interval, the figures' distributions, the links
// to kept runs, and no error and no network request.
//
//   node sweep_browser_test.mjs --case synthetic|SPEC --arena BIN --work DIR
//        --artifacts DIR --chromium PATH
// "synthetic" merges rows written here with `arena sweep --collect`; a spec
// is swept by the arena. Exits 77 (skipped) when the arena cannot run it.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { pathToFileURL } from 'node:url';
import { parseArgs } from 'node:util';
import { chromium } from 'playwright-core';

const { values: opt } = parseArgs({ options: Object.fromEntries(
  ['case', 'arena', 'work', 'artifacts', 'chromium'].map((k) => [k, { type: 'string' }])) });
const name = opt.case === 'synthetic' ? 'synthetic' : path.basename(opt.case, '.toml');
const out = path.join(opt.work, 'sweep');

function skip(why) {
  console.log(`skipped: ${why}`);
  process.exit(77);
}

// A 4 x 3 grid with two runs a point, succeeding below a diagonal, and one
// run that failed with a kept recording.
function syntheticSweep() {
  fs.mkdirSync(path.join(out, 'rows'), { recursive: true });
  fs.writeFileSync(path.join(out, 'spec.toml'), `world = "w"
runs = 2
figures = [{ path = "course.docking.time", label = "docking time" }]
[[vary]]
key = "scene.inertial.airship.mass"
label = "mass"
values = [0.22, 0.24, 0.26, 0.28]
[[vary]]
key = "scene.body.airship.pos"
label = "start"
values = ["0 1.8 0", "1 1.8 -1", "0 2.6 0"]
`);
  let index = 0;
  for (let m = 0; m < 4; m++) {
    for (let s = 0; s < 3; s++) {
      for (let r = 0; r < 2; r++, index++) {
        const success = m + s + r < 4 && index !== 5;
        const row = { index, point: m * 3 + s, seed: 1 + r,
          parameters: { mass: [0.22, 0.24, 0.26, 0.28][m], start: ['0 1.8 0', '1 1.8 -1', '0 2.6 0'][s] },
          figures: { 'docking time': success ? 70 + index : null }, success, status: index === 5 ? 1 : 0,
          reason: index === 5 ? 'robot "airship": killed by SIGSEGV at 3.000 s' : '', wall_time: 0.1,
          kept: success ? '' : `runs/${String(index).padStart(6, '0')}` };
        fs.writeFileSync(path.join(out, 'rows', `${String(index).padStart(6, '0')}.json`), JSON.stringify(row));
      }
    }
  }
  execFileSync(opt.arena, ['sweep', '--collect', out], { stdio: ['ignore', 'ignore', 'inherit'] });
}

function sweepSpec() {
  const run = spawnSync(opt.arena, ['sweep', opt.case, '--out', out, '--jobs', '2'],
    { stdio: ['ignore', 'ignore', 'pipe'], encoding: 'utf8', timeout: 600_000 });
  if (run.status !== 0) throw new Error(`arena sweep ${opt.case}: status ${run.status}\n${run.stderr}`);
  const rows = JSON.parse(fs.readFileSync(path.join(out, 'sweep.json'), 'utf8')).rows;
  if (rows.every((r) => r.status === 2)) skip(`the arena cannot run this spec yet: ${rows[0]?.reason}`);
}

fs.rmSync(opt.work, { recursive: true, force: true });
fs.mkdirSync(opt.work, { recursive: true });
if (opt.case === 'synthetic') syntheticSweep(); else sweepSpec();
const data = JSON.parse(fs.readFileSync(path.join(out, 'sweep.json'), 'utf8'));

test(`sweep page of ${name}`, async (t) => {
  const profile = fs.mkdtempSync(path.join(opt.work, 'profile-'));
  const browser = await chromium.launchPersistentContext(profile, {
    executablePath: opt.chromium, headless: true, viewport: { width: 1300, height: 900 },
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking',
      '--disable-component-update', '--disable-sync'],
  });
  try {
    const page = await browser.newPage();
    const problems = [];
    page.on('console', (m) => { if (m.type() === 'error') problems.push(`console: ${m.text()}`); });
    page.on('pageerror', (e) => problems.push(`page error: ${e.message}`));
    page.on('request', (r) => { if (!/^(file|data|blob):/.test(r.url())) problems.push(`request: ${r.url()}`); });
    await page.goto(pathToFileURL(path.join(out, 'sweep.html')).href);
    await page.waitForSelector('.chart-section canvas');

    await t.test('the success map has a cell for each pair of values the runs reached', async () => {
      const labels = data.parameters.map((p) => p.label);
      if (labels.length < 2) return t.diagnostic('one varied value: no map');
      const [x, y] = labels;
      const pairs = new Set(data.rows.filter((r) => x in r.parameters && y in r.parameters)
        .map((r) => JSON.stringify([r.parameters[x], r.parameters[y]])));
      assert.equal(await page.locator('svg.map rect').count(), pairs.size);
      const fills = new Set(await page.$$eval('svg.map rect', (rs) => rs.map((r) => r.getAttribute('fill'))));
      const rates = new Set([...pairs].map((p) => {
        const runs = data.rows.filter((r) => JSON.stringify([r.parameters[x], r.parameters[y]]) === p);
        return runs.filter((r) => r.success).length / runs.length;
      }));
      assert.equal(fills.size, rates.size, 'one colour per success rate');
    });

    await t.test('the success chart and the distributions are drawn', async () => {
      const drawn = await page.$$eval('.chart canvas', (cs) => cs.map((c) => {
        const px = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
        let ink = 0;
        for (let i = 3; i < px.length; i += 4) ink += px[i] > 0 ? 1 : 0;
        return ink;
      }));
      const numeric = data.figures.filter((f) => data.rows.some((r) => typeof r.figures[f] === 'number'));
      assert.equal(drawn.length, 1 + numeric.length);
      for (const ink of drawn) assert.ok(ink > 500, `a chart with only ${ink} drawn pixels`);
    });

    await t.test('each kept run is linked to its report', async () => {
      const links = await page.$$eval('section.runs a', (as) => as.map((a) => a.getAttribute('href')));
      assert.deepEqual(links.sort(), data.rows.filter((r) => r.kept).map((r) => `${r.kept}/report.html`).sort());
    });

    fs.mkdirSync(opt.artifacts, { recursive: true });
    await page.screenshot({ path: path.join(opt.artifacts, `sweep-${name}.png`), fullPage: true });
    await t.test('the page logged no error and fetched nothing', () => assert.deepEqual(problems, []));
  } finally {
    await browser.close();
  }
});
