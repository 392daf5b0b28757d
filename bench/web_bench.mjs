// SPDX-License-Identifier: GPL-3.0-or-later
// The browser edition's speed, measured side by side in one run on a living
// field (A2 0.6, A0 0.5, D0 0.02, from the predated line):
//  1. the WebAssembly exact engine in Node against the native exact engine
//     (tidmar-batch, the difference of a long and a short run, so that start-up
//     and writing cancel), at 256 x 256 and 1000 x 1000, each scheme;
//  2. the page in headless Chromium, stepping with painting on: steps and
//     painted frames per second, each scheme, at 1000 x 1000 and 256 x 256.
// Prints figures and ratios; asserts nothing.
//
//   NODE_PATH=/usr/share/nodejs node bench/web_bench.mjs SITE_DIR TIDMAR_BATCH [SECONDS]

import { execFileSync } from 'node:child_process';
import { join, resolve } from 'node:path';
import { pathToFileURL } from 'node:url';
import { launch, serve } from '../tests/web/browser.mjs';

const [site, batch] = process.argv.slice(2, 4).map((p) => resolve(p));
const seconds = Number(process.argv[4] || 4);
const { loadEngine, Bed } = await import(pathToFileURL(join(site, 'bed.js')));
const { defaultSettings } = await import(pathToFileURL(join(site, 'settings.js')));

const schemes = ['sync', 'async-uc', 'async-nrs'];
const living = { a2: 600, a0: 500, d0: 20, pattern: 'line', seed: 1000 };
const sizes = [256, 1000];
// Steps before timing (the bed spreads out from the line) and steps timed.
const plan = { 256: { warm: 100, timed: 400 }, 1000: { warm: 20, timed: 40 } };

function nativeRate(size, scheme) {
  const { warm, timed } = plan[size];
  const run = (steps) => {
    const start = process.hrtime.bigint();
    execFileSync(batch, ['--quiet', '--seed', '1000', '--width', size, '--height', size, '--scheme', scheme,
      '--pattern', 'line', '--a2', '0.6', '--a0', '0.5', '--d0', '0.02', '--steps', steps].map(String));
    return Number(process.hrtime.bigint() - start) / 1e9;
  };
  return timed / (run(warm + timed) - run(warm));
}

function wasmRate(engine, size, scheme) {
  const { warm, timed } = plan[size];
  const bed = new Bed(engine, { ...defaultSettings(0), ...living, width: size, height: size, scheme });
  bed.advance(warm);
  const start = process.hrtime.bigint();
  bed.advance(timed);
  const rate = timed / (Number(process.hrtime.bigint() - start) / 1e9);
  bed.free();
  return rate;
}

const fmt = (x) => x.toFixed(x < 10 ? 2 : 1).padStart(8);

console.log('Exact engine, steps per second: WebAssembly in Node against native (tidmar-batch)');
console.log('    size  scheme        wasm    native   ratio');
const engine = await loadEngine();
for (const size of sizes) {
  for (const scheme of schemes) {
    const wasm = wasmRate(engine, size, scheme);
    const native = nativeRate(size, scheme);
    console.log(`${String(size).padStart(8)}  ${scheme.padEnd(10)}${fmt(wasm)}  ${fmt(native)}  ${(wasm / native).toFixed(2)}x`);
  }
}

console.log(`\nThe page in headless Chromium, running with painting on (${seconds} s each)`);
console.log('    size  scheme     steps/s  frames/s  longest pause of the page (ms)');
const server = await serve(site);
const browser = await launch();
try {
  for (const size of [1000, 256]) {
    for (const scheme of schemes) {
      await browser.goto(`${server.url}?width=${size}&height=${size}&seed=1000&scheme=${scheme}&pattern=line`
        + '&a2=0.6&a0=0.5&d0=0.02');
      await browser.waitFor(`!document.getElementById('start').disabled`);
      // Frames painted, and the longest wait of a 10 ms timer on the page's
      // thread: how long the page could not answer the user.
      await browser.eval(`window.frames_ = 0; new MutationObserver(() => ++window.frames_)
        .observe(document.getElementById('counts'), { attributes: true });
        window.pause_ = 0; let last = performance.now();
        setInterval(() => { const now = performance.now(); window.pause_ = Math.max(window.pause_, now - last);
          last = now; }, 10);`);
      await browser.clickElement('start');
      await browser.waitFor(`Number(document.getElementById('step').textContent) >= ${plan[size].warm / 4}`);
      const sample = () => browser.eval(`[Number(document.getElementById('step').textContent), window.frames_,
        performance.now()]`);
      await browser.eval('window.pause_ = 0');
      const [s0, f0, t0] = await sample();
      await new Promise((r) => setTimeout(r, seconds * 1000));
      const [s1, f1, t1] = await sample();
      const pause = await browser.eval('window.pause_');
      await browser.clickElement('start');
      const dt = (t1 - t0) / 1000;
      console.log(`${String(size).padStart(8)}  ${scheme.padEnd(10)}${fmt((s1 - s0) / dt)}  ${fmt((f1 - f0) / dt)}`
        + `  ${fmt(pause)}`);
    }
  }
} finally {
  await browser.close();
  await server.close();
}
