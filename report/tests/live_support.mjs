// What the live view's browser tests share: an arena started with --view
// (its address read off standard error), a headless chromium, a trace.
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';

export function startArena(bin, args) {
  const child = spawn(path.join(bin, 'arena'), ['run', ...args], { stdio: ['ignore', 'ignore', 'pipe'] });
  let stderr = '';
  const exit = new Promise((resolve) => child.on('exit', (code, signal) => resolve(code ?? signal)));
  return new Promise((resolve, reject) => {
    child.stderr.setEncoding('utf8');
    child.stderr.on('data', (d) => {
      stderr += d;
      const m = /view at (http:\/\/\S+)/.exec(stderr);
      if (m) resolve({ url: m[1], pid: child.pid, exit, stderr: () => stderr, interrupt: () => child.kill('SIGINT'),
        kill: () => { if (child.exitCode === null && child.signalCode === null) child.kill('SIGKILL'); } });
    });
    exit.then((status) => reject(new Error(`arena ended (${status}) before serving its page:\n${stderr}`)));
  });
}

export async function openBrowser(chromium, opt) {
  const profile = fs.mkdtempSync(path.join(opt.work, 'profile-'));
  const browser = await chromium.launchPersistentContext(profile, {
    executablePath: opt.chromium,
    headless: true,
    viewport: { width: 1400, height: 900 },
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync',
      '--use-angle=swiftshader', '--enable-unsafe-swiftshader'],
  });
  const problems = [];
  browser.on('page', (page) => {
    page.on('console', (m) => { if (m.type() === 'error') problems.push(`console: ${m.text()}`); });
    page.on('pageerror', (e) => problems.push(`page error: ${e.message}`));
    page.on('request', (r) => { if (!/^(http|ws):\/\/127\.0\.0\.1:\d+\//.test(r.url())) problems.push(`request: ${r.url()}`); });
  });
  return { browser, problems };
}

export function trace(rec, robot) {
  return fs.readFileSync(path.join(rec, 'traces', `${robot}.jsonl`), 'utf8').trim().split('\n').map((l) => JSON.parse(l));
}
