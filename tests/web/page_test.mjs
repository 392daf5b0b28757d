// SPDX-License-Identifier: GPL-3.0-or-later
// The page in headless Chromium, served from the loopback interface: a
// settings link with run=50 ends on tidmar-batch's counts, drawn on the
// canvas; Start runs and the canvas changes; a parameter changed during the
// run takes effect; clicks paint cells; Save Image saves a PNG; refused
// values in a link are reported and replaced by the defaults. Ends with
// a screenshot of a living bed.
//
// node --experimental-websocket page_test.mjs SITE_DIR TIDMAR_BATCH [SCREENSHOT.png]

import { execFileSync } from 'node:child_process';
import { existsSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
import { launch, serve } from './browser.mjs';

const [site, batch, screenshot] = process.argv.slice(2).map((p) => resolve(p));
const failures = [];
function check(ok, what) {
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${what}`);
  if (!ok) failures.push(what);
}

const link = 'width=64&height=48&seed=4711&scheme=sync&boundary=periodic&long-range=on&jump=10&pattern=line'
  + '&a2=0.6&a0=0.5&d0=0.02&a3=0.1&a4=0.75';
const counts = `document.getElementById('counts').dataset.counts`;
const stepText = `document.getElementById('step').textContent`;
const startText = `document.getElementById('start').textContent`;
// The canvas's pixels counted by the desktop colours, in the order -1 .. 3.
const canvasCounts = `(() => { const c = document.getElementById('field');
  const d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
  const colours = ['0,0,255', '255,0,0', '128,128,128', '0,128,0', '0,90,0']; const n = [0, 0, 0, 0, 0];
  for (let i = 0; i < d.length; i += 4) { const k = colours.indexOf(d[i] + ',' + d[i + 1] + ',' + d[i + 2]); if (k >= 0) ++n[k]; }
  return n.join(','); })()`;
const canvasHash = `(() => { const c = document.getElementById('field');
  const d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data; let h = 0;
  for (let i = 0; i < d.length; ++i) h = (h * 31 + d[i]) | 0; return h; })()`;

const expected = execFileSync(batch, ['--quiet', '--seed', '4711', '--width', '64', '--height', '48', '--scheme', 'sync',
  '--boundary', 'periodic', '--long-range', 'on', '--jump', '10', '--pattern', 'line', '--a2', '0.6', '--a0', '0.5',
  '--d0', '0.02', '--a3', '0.1', '--a4', '0.75', '--steps', '50', '--counts', '-'], { encoding: 'utf8' })
  .trim().split('\n').pop().split(',').slice(1).join(',');

const downloads = mkdtempSync(join(tmpdir(), 'tidmar-downloads-'));
const server = await serve(site);
const browser = await launch();
try {
  // The settings link: 50 steps, then stopped, on tidmar-batch's counts.
  await browser.goto(`${server.url}?${link}&run=50`);
  await browser.waitFor(`${stepText} === '50' && ${startText} === 'Start'`);
  await new Promise((r) => setTimeout(r, 300));  // no step beyond 50 comes
  check(await browser.eval(stepText) === '50', 'run=50 stops at step 50');
  check(await browser.eval(counts) === expected, `counts after 50 steps are tidmar-batch's (${expected})`);
  check(await browser.eval(canvasCounts) === expected, 'the canvas shows the field of those counts');
  check((await browser.eval(`document.getElementById('helptext').textContent`)).toLowerCase().includes('experiments to try'),
    'the help shows the desktop program\'s help text');

  // Start: the counter advances and the canvas changes.
  const before = await browser.eval(canvasHash);
  await browser.clickElement('start');
  await browser.waitFor(`Number(${stepText}) >= 80`);
  check(await browser.eval(canvasHash) !== before, 'Start runs: the counter advances and the canvas changes');

  // During the run: no maturing and every adult torn out, so the adults vanish.
  await browser.eval(`for (const [id, v] of [['a3', '0'], ['d0', '1']]) { const e = document.getElementById(id);
    e.value = v; e.dispatchEvent(new Event('change')); }`);
  // They land between two steps: wait for the adults to go, then see them
  // stay away while the run goes on.
  await browser.waitFor(`${counts}.split(',')[4] === '0'`);
  const goneAt = Number(await browser.eval(stepText));
  await browser.waitFor(`Number(${stepText}) >= ${goneAt + 10}`);
  const during = [await browser.eval(counts), await browser.eval(startText)];
  check(during[0].split(',')[4] === '0' && during[1] === 'Stop',
    `A3 = 0 and D0 = 1 set during the run leave no adult, and the run goes on (${during.join(' ')})`);
  const query = new URL(await browser.eval(`document.getElementById('link').href`)).searchParams;
  check(query.get('a3') === '0' && query.get('d0') === '1', 'the link carries them');

  // Stop, then paint one cell with each of the desktop's buttons.
  await browser.clickElement('start');
  await browser.waitFor(`${startText} === 'Start'`);
  await new Promise((r) => setTimeout(r, 200));
  const rect = await browser.eval(`(() => { const b = document.getElementById('field').getBoundingClientRect();
    return [b.left, b.top, b.width / 64]; })()`);
  const at = (x, y) => [rect[0] + (x + 0.5) * rect[2], rect[1] + (y + 0.5) * rect[2]];
  const cellColour = (x, y) => `Array.from(document.getElementById('field').getContext('2d')
    .getImageData(${x}, ${y}, 1, 1).data.slice(0, 3)).join(',')`;
  const painted = [];
  for (const [x, y, button, colour] of [[10, 7, 'left', '255,0,0'], [11, 7, 'right', '0,0,255'],
    [12, 7, 'middle', '0,128,0']]) {
    await browser.click(...at(x, y), button);
    painted.push(await browser.waitFor(`${cellColour(x, y)} === '${colour}'`, 20000).then(() => true, () => false));
  }
  check(painted.every(Boolean) && await browser.eval(`${counts} === ${canvasCounts}`),
    'the left, right and middle buttons paint red, blue and young, counted in data-counts');

  // Save Image downloads the field as tidmar<step>.png.
  await browser.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: downloads });
  const step = await browser.eval(stepText);
  await browser.clickElement('save');
  const file = join(downloads, `tidmar${step}.png`);
  const end = Date.now() + 20000;
  while (!existsSync(file) && Date.now() < end) await new Promise((r) => setTimeout(r, 100));
  const png = existsSync(file) ? readFileSync(file) : Buffer.alloc(0);
  const scale = Math.round(rect[2]);
  check(png.length > 24 && png.toString('latin1', 1, 4) === 'PNG' && png.readUInt32BE(16) === 64 * scale
    && png.readUInt32BE(20) === 48 * scale, `Save Image writes tidmar${step}.png of 64 x 48 cells`);

  // A link with refused values: one line each, and the defaults kept.
  await browser.goto(`${server.url}?a2=2&width=0&colour=red&seed=12`);
  await browser.waitFor(`!document.getElementById('start').disabled`);
  const message = await browser.eval(`document.getElementById('message').textContent`);
  check(message.split('\n').length === 3 && message.includes('a2=2') && message.includes('width=0')
    && message.includes('"colour"') && await browser.eval(`document.getElementById('a2').value`) === '0.300'
    && await browser.eval(`document.getElementById('field').width`) === 256
    && await browser.eval(`document.getElementById('seed').value`) === '12',
  'a link with refused values says so, line by line, and keeps the defaults');

  check(browser.errors.length === 0, `no errors in the page${browser.errors.length ? `: ${browser.errors}` : ''}`);

  if (screenshot) {
    await browser.goto(`${server.url}?width=200&height=200&seed=42&scheme=async-uc&pattern=line&a2=0.6&a0=0.5&d0=0.02&run=150`);
    await browser.waitFor(`${stepText} === '150' && ${startText} === 'Start'`);
    await new Promise((r) => setTimeout(r, 500));
    writeFileSync(screenshot, await browser.screenshot());
  }
} finally {
  await browser.close();
  await server.close();
  rmSync(downloads, { recursive: true, force: true });
}
process.exit(failures.length ? 1 : 0);
