// SPDX-License-Identifier: GPL-3.0-or-later
// The page: the controls, the field's canvas and the time series, talking to
// the engine's worker. Settings start from the desktop's start-up values,
// overridden by the link's query.

import { Chart } from './chart.js';
import {
  batchCommand, defaultSettings, formatThousandths, MaxCells, parseThousandths, Probabilities, queryOf,
  settingsFromQuery,
} from './settings.js';

const $ = (id) => document.getElementById(id);
const Speeds = [1, 2, 5, 10, 20, 50, 100, 200, 500, 0];  // steps per second; 0: as fast as it goes

const parsed = settingsFromQuery(location.search, defaultSettings());
const settings = parsed.settings;
const canvas = $('field');
const chart = new Chart($('series'));
const worker = new Worker(new URL('./worker.js', import.meta.url), { type: 'module' });

let running = false;
let seq = 0;             // the number of the last command that starts or stops a run
let repeatable = true;   // no change since the last start pattern
let size = { width: settings.width, height: settings.height };
let step = 0;

function showMessage(lines) {
  const box = $('message');
  box.textContent = lines.join('\n');
  box.hidden = lines.length === 0;
}

function send(message, transfer = []) {
  worker.postMessage(message, transfer);
}

function command(message) {
  send({ ...message, seq: ++seq });
}

// --- the controls ---

function showSettings() {
  for (const p of Probabilities) $(p).value = formatThousandths(settings[p]);
  $('jump').value = settings.jump;
  $('jump').disabled = !settings.longRange;
  $('longrange').checked = settings.longRange;
  $('periodic').checked = settings.boundary === 'periodic';
  for (const radio of document.querySelectorAll('input[name=scheme]')) radio.checked = radio.value === settings.scheme;
  $('seed').value = settings.seed;
  $('width').value = settings.width;
  $('height').value = settings.height;
  showLink();
}

function showLink() {
  $('link').href = `?${queryOf(settings)}`;
  $('command').textContent = repeatable
    ? batchCommand(settings, step)
    : 'The run was changed after its start pattern: press a start pattern for a run that tidmar-batch repeats.';
}

function parametersChanged() {
  repeatable = false;
  send({ type: 'parameters', settings });
  showLink();
}

function setRunning(on) {
  running = on;
  $('start').textContent = on ? 'Stop' : 'Start';
}

// Size, seed and parameters anew, with the start pattern, at step 0.
function reset(pattern) {
  settings.pattern = pattern;
  repeatable = true;
  setRunning(false);
  command({ type: 'reset', settings });
  chart.clear(settings.width * settings.height);
  showLink();
}

for (const p of Probabilities) {
  $(p).addEventListener('change', () => {
    const value = parseThousandths($(p).value);
    if (value === null) {
      showMessage([`${p.toUpperCase()}: "${$(p).value}" is no decimal from 0 to 1 with at most three decimals; kept ${formatThousandths(settings[p])}`]);
    } else {
      showMessage([]);
      settings[p] = value;
      parametersChanged();
    }
    $(p).value = formatThousandths(settings[p]);
  });
}

function wholeInput(id, lo, hi, name, apply) {
  $(id).addEventListener('change', () => {
    const text = $(id).value;
    const n = Number(text);
    if (!/^\d+$/.test(text) || n < lo || n > hi) {
      showMessage([`${name}: "${text}" is no whole number from ${lo} to ${hi}; kept ${settings[id]}`]);
      $(id).value = settings[id];
      return;
    }
    showMessage([]);
    apply(n);
  });
}

wholeInput('jump', 0, 100, 'jumping range', (n) => { settings.jump = n; parametersChanged(); });
wholeInput('seed', 0, 2147483646, 'Seed', (n) => { settings.seed = n; reset(settings.pattern); });
wholeInput('width', 1, MaxCells, 'width', (n) => { settings.width = n; });
wholeInput('height', 1, MaxCells, 'height', (n) => { settings.height = n; });

$('longrange').addEventListener('change', () => {
  settings.longRange = $('longrange').checked;
  $('jump').disabled = !settings.longRange;
  parametersChanged();
});
$('periodic').addEventListener('change', () => {
  settings.boundary = $('periodic').checked ? 'periodic' : 'closed';
  parametersChanged();
});
for (const radio of document.querySelectorAll('input[name=scheme]')) {
  radio.addEventListener('change', () => {
    settings.scheme = radio.value;
    parametersChanged();
  });
}
$('line').addEventListener('click', () => reset('line'));
$('young').addEventListener('click', () => reset('young'));
$('resize').addEventListener('click', () => reset('young'));

$('start').addEventListener('click', () => {
  setRunning(!running);
  command(running ? { type: 'run', steps: null } : { type: 'stop' });
});
$('single').addEventListener('click', () => {
  setRunning(false);
  command({ type: 'single' });
});

function showSpeed() {
  const rate = Speeds[Number($('speed').value)];
  $('speedvalue').textContent = rate ? `${rate} steps/s` : 'as fast as it goes';
  send({ type: 'speed', stepsPerSecond: rate });
}
$('speed').addEventListener('input', showSpeed);

// Save Image: the field at its size on the screen, as tidmar<step>.png.
$('save').addEventListener('click', () => {
  const scale = Math.max(1, Math.round(canvas.getBoundingClientRect().width / canvas.width));
  const picture = document.createElement('canvas');
  picture.width = canvas.width * scale;
  picture.height = canvas.height * scale;
  const g = picture.getContext('2d');
  g.imageSmoothingEnabled = false;
  g.drawImage(canvas, 0, 0, picture.width, picture.height);
  const name = `tidmar${step}.png`;
  picture.toBlob((blob) => {
    const a = document.createElement('a');
    a.href = URL.createObjectURL(blob);
    a.download = name;
    a.click();
    setTimeout(() => URL.revokeObjectURL(a.href), 10000);
  }, 'image/png');
});

// --- painting with the mouse or a finger ---

let brush = null;  // the state being painted while a button is held
let edits = [];

function brushFor(event) {
  const chosen = $('brush').value;
  if (chosen !== 'buttons') return Number(chosen);
  // As the desktop: left predators on young, right on adults, middle young.
  return { 0: 0, 1: 2, 2: -1 }[event.button] ?? null;
}

function paintAt(event) {
  const rect = canvas.getBoundingClientRect();
  const x = Math.floor(((event.clientX - rect.left) * canvas.width) / rect.width);
  const y = Math.floor(((event.clientY - rect.top) * canvas.height) / rect.height);
  if (x < 0 || y < 0 || x >= canvas.width || y >= canvas.height) return;
  if (edits.length === 0) queueMicrotask(flushEdits);
  edits.push(x, y, brush);
}

function flushEdits() {
  repeatable = false;
  send({ type: 'edit', cells: edits });
  edits = [];
  showLink();
}

canvas.addEventListener('pointerdown', (event) => {
  brush = brushFor(event);
  if (brush === null) return;
  event.preventDefault();
  canvas.setPointerCapture(event.pointerId);
  paintAt(event);
});
canvas.addEventListener('pointermove', (event) => {
  if (brush !== null && event.buttons) paintAt(event);
});
for (const type of ['pointerup', 'pointercancel']) canvas.addEventListener(type, () => { brush = null; });
canvas.addEventListener('contextmenu', (event) => event.preventDefault());
canvas.addEventListener('mousedown', (event) => { if (event.button === 1) event.preventDefault(); });

// --- what the worker sends ---

function fitCanvas(width, height) {
  canvas.width = width;
  canvas.height = height;
  // Whole pixels a cell: 2 for the desktop's 256 x 256, at least 1.
  const cell = Math.max(1, Math.min(8, Math.floor(640 / Math.max(width, height))));
  canvas.style.width = `${width * cell}px`;  // the height follows (style.css), also when narrowed
  chart.clear(width * height);
  size = { width, height };
}

function paint(frame) {
  if (frame.width !== size.width || frame.height !== size.height) fitCanvas(frame.width, frame.height);
  canvas.getContext('2d').putImageData(new ImageData(new Uint8ClampedArray(frame.pixels), frame.width, frame.height), 0, 0);
  step = frame.step;
  $('step').textContent = String(frame.step);
  const counts = $('counts');
  counts.dataset.counts = frame.counts.join(',');
  const cells = frame.width * frame.height;
  frame.counts.forEach((n, i) => { $(`f${i - 1}`).textContent = `${(n / cells).toFixed(3)} (${n})`; });
  chart.add(frame.series);
  chart.add([[frame.step, ...frame.counts]]);
  if (frame.seq === seq) setRunning(frame.running);
  if (!chartQueued) {
    chartQueued = true;
    requestAnimationFrame(() => { chartQueued = false; chart.draw(); });
  }
  if (repeatable) showLink();
}
let chartQueued = false;

worker.onmessage = ({ data }) => {
  if (data.type === 'frame') {
    paint(data);
    send({ type: 'painted', pixels: data.pixels }, [data.pixels]);
  } else if (data.type === 'ready') {
    $('start').disabled = false;
    $('single').disabled = false;
    if (parsed.run !== null) {
      setRunning(true);
      command({ type: 'run', steps: parsed.run });
    }
  } else if (data.type === 'error') {
    showMessage([`The engine stopped: ${data.message}`]);
  }
};

fitCanvas(settings.width, settings.height);
showSettings();
showSpeed();
showMessage(parsed.errors);
send({ type: 'init', settings });
fetch('tidmarhelp.txt').then((r) => (r.ok ? r.text() : '')).then((text) => { $('helptext').textContent = text; });
