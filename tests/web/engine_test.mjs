// SPDX-License-Identifier: GPL-3.0-or-later
// The WebAssembly engine against tidmar-batch: for the same settings and
// seed, the counts after every step and the last field are the same, in all
// three schemes, both boundaries, with and without jumps, on several sizes.
//
// node engine_test.mjs SITE_DIR TIDMAR_BATCH

import { execFileSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
import { pathToFileURL } from 'node:url';

const [site, batch] = process.argv.slice(2).map((p) => resolve(p));
const { loadEngine, Bed } = await import(pathToFileURL(join(site, 'bed.js')));
const { defaultSettings, formatThousandths } = await import(pathToFileURL(join(site, 'settings.js')));

const living = { a2: 600, a0: 500, d0: 20 };
const cases = [
  { width: 64, height: 48, seed: 4711, scheme: 'sync', boundary: 'periodic', pattern: 'line', ...living, steps: 60 },
  { width: 37, height: 23, seed: 1, scheme: 'async-uc', boundary: 'closed', pattern: 'line', ...living, jump: 5, steps: 60 },
  { width: 50, height: 50, seed: 99, scheme: 'async-nrs', boundary: 'periodic', pattern: 'young', d0: 50, a4: 1000, steps: 60 },
  { width: 120, height: 90, seed: 2026, scheme: 'async-uc', boundary: 'periodic', pattern: 'line', ...living, jump: 40, steps: 40 },
  { width: 90, height: 61, seed: 7, scheme: 'sync', boundary: 'closed', pattern: 'line', ...living, a3: 50, a4: 1000, steps: 80 },
  { width: 41, height: 40, seed: 5, scheme: 'async-nrs', boundary: 'closed', pattern: 'line', ...living, jump: 3, steps: 60 },
  { width: 33, height: 2, seed: 3, scheme: 'async-nrs', boundary: 'periodic', pattern: 'line', ...living, longRange: false, steps: 30 },
  { width: 3, height: 5, seed: 11, scheme: 'sync', boundary: 'periodic', pattern: 'line', ...living, steps: 30 },
];

const engine = await loadEngine();
const work = mkdtempSync(join(tmpdir(), 'tidmar-web-'));
let failures = 0;
try {
  for (const [index, c] of cases.entries()) {
    const s = { ...defaultSettings(0), ...c };
    const countsFile = join(work, `counts${index}.csv`);
    const fieldFile = join(work, `field${index}.csv`);
    execFileSync(batch, ['--quiet', '--seed', s.seed, '--width', s.width, '--height', s.height, '--scheme', s.scheme,
      '--boundary', s.boundary, '--long-range', s.longRange ? 'on' : 'off', '--jump', s.jump, '--pattern', s.pattern,
      '--a2', formatThousandths(s.a2), '--a0', formatThousandths(s.a0), '--d0', formatThousandths(s.d0),
      '--a3', formatThousandths(s.a3), '--a4', formatThousandths(s.a4), '--steps', s.steps,
      '--counts', countsFile, '--field', fieldFile].map(String));
    const expected = readFileSync(countsFile, 'utf8').trim().split('\n').slice(1);

    const bed = new Bed(engine, s);
    const got = [];
    for (let step = 0; step <= s.steps; ++step) {
      if (step > 0) bed.advance(1);
      got.push([bed.step, ...bed.counts()].join(','));
    }
    const field = readFileSync(fieldFile, 'utf8').trim().split('\n').map((row) => row.split(',').map(Number)).flat();
    const mine = Array.from(bed.field());
    bed.free();

    const name = `${s.width}x${s.height} ${s.scheme} ${s.boundary} ${s.pattern}${s.longRange ? ` jump ${s.jump}` : ''}`;
    const firstDiff = got.findIndex((row, i) => row !== expected[i]);
    if (got.length !== expected.length || firstDiff >= 0) {
      console.log(`FAIL ${name}: counts differ at step ${firstDiff}: ${got[firstDiff]} against ${expected[firstDiff]}`);
      ++failures;
    } else if (mine.length !== field.length || mine.some((v, i) => v !== field[i])) {
      console.log(`FAIL ${name}: the last field differs`);
      ++failures;
    } else {
      console.log(`ok   ${name}: ${s.steps} steps`);
    }
  }
} finally {
  rmSync(work, { recursive: true, force: true });
}
process.exit(failures ? 1 : 0);
