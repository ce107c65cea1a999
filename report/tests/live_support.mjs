// What the live view's browser tests share: an arena started with --view
// (its address read off standard error), a headless chromium, a trace.
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import net from 'node:net';
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

// The first line of the server's answer to a WebSocket handshake for the
// live connection, sent with the given Origin (none when null): a browser's
// own checks would stop a foreign page before the server ever saw it.
export function handshake(pageUrl, origin, token = new URL(pageUrl).searchParams.get('token')) {
  const u = new URL(pageUrl);
  return new Promise((resolve, reject) => {
    const socket = net.connect(Number(u.port), u.hostname, () => {
      socket.write([`GET /live?token=${token} HTTP/1.1`, `Host: ${u.host}`, 'Upgrade: websocket', 'Connection: Upgrade',
        'Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==', 'Sec-WebSocket-Version: 13',
        ...(origin ? [`Origin: ${origin}`] : []), '', ''].join('\r\n'));
    });
    let got = '';
    socket.setEncoding('latin1');
    socket.on('data', (d) => { got += d; if (got.includes('\r\n')) { resolve(got.split('\r\n')[0]); socket.destroy(); } });
    socket.on('error', reject);
    socket.on('close', () => resolve(got.split('\r\n')[0]));
  });
}
