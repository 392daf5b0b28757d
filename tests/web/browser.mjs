// SPDX-License-Identifier: GPL-3.0-or-later
// A static server on the loopback interface and headless Chromium driven
// through its DevTools protocol, for the page's test and benchmark. The
// WebSocket is Node's own where it has one (Node 22, or 20 with
// --experimental-websocket), else Debian's node-ws (on NODE_PATH).

import { spawn } from 'node:child_process';
import { createRequire } from 'node:module';
import { mkdtempSync, readFileSync, rmSync, statSync } from 'node:fs';
import { createServer } from 'node:http';
import { tmpdir } from 'node:os';
import { extname, join, normalize } from 'node:path';

const Socket = globalThis.WebSocket ?? createRequire(import.meta.url)('ws');

const Types = {
  '.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css', '.txt': 'text/plain', '.png': 'image/png',
};

// Serves root at http://127.0.0.1:PORT/; resolves to { url, close }.
export function serve(root) {
  const server = createServer((request, response) => {
    const path = normalize(decodeURIComponent(new URL(request.url, 'http://x').pathname)).replace(/^(\.\.[/\\])+/, '');
    let file = join(root, path);
    try {
      if (statSync(file).isDirectory()) file = join(file, 'index.html');
      const body = readFileSync(file);
      response.writeHead(200, { 'Content-Type': Types[extname(file)] || 'application/octet-stream' });
      response.end(body);
    } catch {
      response.writeHead(404);
      response.end();
    }
  });
  return new Promise((resolve) => {
    server.listen(0, '127.0.0.1', () => resolve({
      url: `http://127.0.0.1:${server.address().port}/`,
      close: () => new Promise((done) => server.close(done)),
    }));
  });
}

// Headless Chromium with one page; resolves to a Browser.
export async function launch({ width = 1280, height = 900 } = {}) {
  const profile = mkdtempSync(join(tmpdir(), 'tidmar-chromium-'));
  const executable = process.env.CHROMIUM || 'chromium';
  // As root Chromium runs only without its sandbox; containers often have a
  // small /dev/shm.
  const child = spawn(executable, ['--headless=new', '--no-sandbox', '--disable-gpu', '--disable-dev-shm-usage',
    '--no-first-run', '--no-default-browser-check', '--disable-extensions', '--disable-background-networking',
    `--user-data-dir=${profile}`, '--remote-debugging-port=0', `--window-size=${width},${height}`, 'about:blank'],
  { stdio: ['ignore', 'ignore', 'pipe'] });
  const endpoint = await new Promise((resolve, reject) => {
    let text = '';
    const timer = setTimeout(() => reject(new Error(`${executable} did not start: ${text}`)), 30000);
    child.stderr.on('data', (chunk) => {
      text += chunk;
      const m = /DevTools listening on (ws:\S+)/.exec(text);
      if (m) {
        clearTimeout(timer);
        resolve(m[1]);
      }
    });
    child.on('exit', (code) => reject(new Error(`${executable} ended with ${code}: ${text}`)));
  });
  const browser = new Browser(child, profile, new Socket(endpoint));
  await new Promise((resolve, reject) => {
    browser.socket.onopen = resolve;
    browser.socket.onerror = reject;
  });
  const { targetId } = await browser.send('Target.createTarget', { url: 'about:blank' });
  const { sessionId } = await browser.send('Target.attachToTarget', { targetId, flatten: true });
  browser.session = sessionId;
  await browser.page('Page.enable');
  await browser.page('Runtime.enable');
  await browser.page('Emulation.setDeviceMetricsOverride', { width, height, deviceScaleFactor: 1, mobile: false });
  return browser;
}

export class Browser {
  constructor(child, profile, socket) {
    this.child = child;
    this.profile = profile;
    this.socket = socket;
    this.next = 1;
    this.waiting = new Map();
    this.errors = [];  // exceptions and console errors of the page
    socket.onmessage = ({ data }) => {
      const message = JSON.parse(String(data));
      if (message.id && this.waiting.has(message.id)) {
        const { resolve, reject } = this.waiting.get(message.id);
        this.waiting.delete(message.id);
        if (message.error) reject(new Error(`${message.error.message} ${message.error.data || ''}`));
        else resolve(message.result);
      } else if (message.method === 'Runtime.exceptionThrown') {
        const details = message.params.exceptionDetails;
        this.errors.push(details.exception?.description || details.text);
      } else if (message.method === 'Runtime.consoleAPICalled' && message.params.type === 'error') {
        this.errors.push(message.params.args.map((a) => a.value ?? a.description).join(' '));
      }
    };
  }

  send(method, params = {}, sessionId = undefined) {
    const id = this.next++;
    this.socket.send(JSON.stringify({ id, method, params, sessionId }));
    return new Promise((resolve, reject) => this.waiting.set(id, { resolve, reject }));
  }

  page(method, params = {}) {
    return this.send(method, params, this.session);
  }

  async goto(url) {
    await this.page('Page.navigate', { url });
    await this.waitFor('document.readyState === "complete"');
  }

  // The value of a JavaScript expression in the page (awaited).
  async eval(expression) {
    const { result, exceptionDetails } = await this.page('Runtime.evaluate',
      { expression, awaitPromise: true, returnByValue: true });
    if (exceptionDetails)
      throw new Error(`${expression}: ${exceptionDetails.exception?.description || exceptionDetails.text}`);
    return result.value;
  }

  // Waits until the expression is true; fails after timeoutMs.
  async waitFor(expression, timeoutMs = 60000) {
    const end = Date.now() + timeoutMs;
    for (;;) {
      if (await this.eval(`Boolean(${expression})`)) return;
      if (Date.now() > end) throw new Error(`timed out waiting for ${expression}`);
      await new Promise((r) => setTimeout(r, 50));
    }
  }

  // A real mouse click (press and release) at page coordinates.
  async click(x, y, button = 'left') {
    for (const type of ['mousePressed', 'mouseReleased'])
      await this.page('Input.dispatchMouseEvent', { type, x, y, button, clickCount: 1 });
  }

  // A click in the middle of the element with that id, scrolled into view.
  async clickElement(id, button = 'left') {
    const r = await this.eval(`(() => { const e = document.getElementById('${id}');
      e.scrollIntoView({ block: 'center' }); const b = e.getBoundingClientRect();
      return [b.left + b.width / 2, b.top + b.height / 2]; })()`);
    await this.click(r[0], r[1], button);
  }

  async screenshot() {
    const { data } = await this.page('Page.captureScreenshot', { format: 'png' });
    return Buffer.from(data, 'base64');
  }

  async close() {
    const exited = new Promise((r) => (this.child.exitCode !== null ? r() : this.child.on('exit', r)));
    await Promise.race([this.send('Browser.close').catch(() => {}), new Promise((r) => setTimeout(r, 5000))]);
    this.socket.close();
    await Promise.race([exited, new Promise((r) => setTimeout(r, 5000))]);
    this.child.kill();
    await exited;
    // Helper processes may still be writing into the profile for a moment.
    try {
      rmSync(this.profile, { recursive: true, force: true, maxRetries: 20, retryDelay: 100 });
    } catch (error) {
      console.log(`note: ${this.profile} left behind (${error.code})`);
    }
  }
}
