// SPDX-License-Identifier: GPL-3.0-or-later
// The settings of a run, and the link that carries them: the same names and
// values as tidmar-batch's options, so that a link reads as a command line.

export const MaxCells = 1000;
export const MaxSeed = 2147483646;
export const Schemes = ['sync', 'async-uc', 'async-nrs'];  // ids 0, 1, 2 as the desktop's
export const Probabilities = ['a2', 'a0', 'd0', 'a3', 'a4'];

// The desktop program's start-up values; the seed comes from the clock.
export function defaultSettings(now = Date.now()) {
  return {
    width: 256, height: 256, seed: seedFromTime(Math.floor(now / 1000)),
    scheme: 'async-uc', boundary: 'periodic', longRange: true, jump: 10, pattern: 'young',
    a2: 300, a0: 750, d0: 0, a3: 100, a4: 750,
  };
}

// Seconds into 1 .. MaxSeed, as the desktop program seeds from the clock.
export function seedFromTime(seconds) {
  if (seconds >= 1 && seconds <= MaxSeed) return seconds;
  const reduced = (seconds - 1) % MaxSeed;
  return (reduced < 0 ? reduced + MaxSeed : reduced) + 1;
}

// A probability as thousandths: a decimal from 0 to 1 with at most three
// decimals (0.3, .75, 1, 0,25), as tidmar-batch reads it; null otherwise.
export function parseThousandths(text) {
  const m = /^\s*(\d*)(?:[.,](\d{0,3}))?\s*$/.exec(String(text));
  if (!m || (m[1] === '' && (m[2] === undefined || m[2] === ''))) return null;
  const value = Number(m[1] || '0') * 1000 + Number((m[2] || '').padEnd(3, '0'));
  return value <= 1000 ? value : null;
}

export function formatThousandths(n) {
  return (n / 1000).toFixed(3);
}

function parseWhole(text, lo, hi) {
  if (!/^\s*\d+\s*$/.test(String(text))) return null;
  const n = Number(text);
  return n >= lo && n <= hi ? n : null;
}

const readers = {
  width: (v) => parseWhole(v, 1, MaxCells),
  height: (v) => parseWhole(v, 1, MaxCells),
  seed: (v) => parseWhole(v, 0, MaxSeed),
  jump: (v) => parseWhole(v, 0, 100),
  scheme: (v) => (Schemes.includes(v) ? v : null),
  boundary: (v) => (v === 'periodic' || v === 'closed' ? v : null),
  'long-range': (v) => (v === 'on' ? true : v === 'off' ? false : null),
  pattern: (v) => (v === 'young' || v === 'line' ? v : null),
  run: (v) => parseWhole(v, 0, 2147483647),
};
for (const p of Probabilities) readers[p] = parseThousandths;

const expected = {
  width: `a whole number from 1 to ${MaxCells}`, height: `a whole number from 1 to ${MaxCells}`,
  seed: `a whole number from 0 to ${MaxSeed}`, jump: 'a whole number from 0 to 100',
  scheme: 'sync, async-uc or async-nrs', boundary: 'periodic or closed', 'long-range': 'on or off',
  pattern: 'young or line', run: 'a whole number of steps',
};
for (const p of Probabilities) expected[p] = 'a decimal from 0 to 1 with at most three decimals';

// The settings a link's query gives over the defaults, the steps to run
// (run=N, or null) and one message for every value refused (which keeps its
// default).
export function settingsFromQuery(query, defaults) {
  const settings = { ...defaults };
  const errors = [];
  let run = null;
  for (const [key, text] of new URLSearchParams(query)) {
    const read = readers[key];
    if (!read) {
      errors.push(`unknown setting "${key}" in the link, ignored`);
      continue;
    }
    const value = read(text);
    if (value === null) {
      errors.push(`${key}=${text} in the link: expected ${expected[key]}; kept ${describe(key, defaults)}`);
      continue;
    }
    if (key === 'run') run = value;
    else if (key === 'long-range') settings.longRange = value;
    else settings[key] = value;
  }
  return { settings, run, errors };
}

function describe(key, s) {
  if (key === 'run') return 'no run';
  if (key === 'long-range') return s.longRange ? 'on' : 'off';
  return Probabilities.includes(key) ? formatThousandths(s[key]) : String(s[key]);
}

// The query of a link to these settings, in the order of the command line.
export function queryOf(s) {
  const q = new URLSearchParams();
  q.set('width', s.width);
  q.set('height', s.height);
  q.set('seed', s.seed);
  q.set('scheme', s.scheme);
  q.set('boundary', s.boundary);
  q.set('long-range', s.longRange ? 'on' : 'off');
  q.set('jump', s.jump);
  q.set('pattern', s.pattern);
  for (const p of Probabilities) q.set(p, formatThousandths(s[p]).replace(/\.?0+$/, '') || '0');
  return q.toString();
}

// The tidmar-batch command that repeats a run of these settings for steps steps.
export function batchCommand(s, steps) {
  const p = Probabilities.map((k) => `--${k} ${formatThousandths(s[k])}`).join(' ');
  return `tidmar-batch --seed ${s.seed} --width ${s.width} --height ${s.height} --scheme ${s.scheme} ` +
    `--boundary ${s.boundary} --long-range ${s.longRange ? 'on' : 'off'} --jump ${s.jump} ` +
    `--pattern ${s.pattern} ${p} --steps ${steps} --counts counts.csv --picture field.png --cell-size 2`;
}
