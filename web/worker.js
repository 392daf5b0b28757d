// SPDX-License-Identifier: GPL-3.0-or-later
// The engine's thread: owns the bed, steps it in slices between which the
// page's messages (parameters, edits, resets, Stop) land, and sends the field
// back as RGBA pixels with its step and counts. A frame is sent only when the
// page has painted the one before, so a large field never queues frames;
// the counts of every step travel along for the time series.

import { Bed, loadEngine } from './bed.js';

const SliceMs = 12;  // steps in one go before the thread looks at its messages

let bed = null;
let running = false;
let stopAt = null;      // the step at which a run=N run stops
let rate = 0;           // steps per second; 0: as fast as it goes
let rateStart = 0;      // time and step count from which the rate is kept
let rateSteps = 0;
let scheduled = false;
let framePending = false;  // a frame is out, not yet painted
let dirty = true;          // the field changed since the last frame
let series = [];           // [step, five counts] of every step since the last frame
let seq = 0;               // the last run command handled, echoed in frames
const spare = [];          // pixel buffers the page gave back

const channel = new MessageChannel();  // a yield without the timers' clamping
channel.port1.onmessage = slice;

function schedule(delayMs = 0) {
  if (scheduled) return;
  scheduled = true;
  if (delayMs > 0) setTimeout(() => channel.port2.postMessage(0), delayMs);
  else channel.port2.postMessage(0);
}

function record() {
  series.push([bed.step, ...bed.counts()]);
}

function restartRate() {
  rateStart = performance.now();
  rateSteps = 0;
}

// The steps due now by the rate: the first at once, then one every 1/rate s.
function due() {
  if (rate <= 0) return Infinity;
  const ahead = Math.floor(((performance.now() - rateStart) * rate) / 1000) + 1 - rateSteps;
  if (ahead > rate) {  // more than a second behind: keep the rate from now on
    restartRate();
    return 1;
  }
  return ahead;
}

function stepOnce() {
  bed.advance(1);
  ++rateSteps;
  record();
  dirty = true;
  if (stopAt !== null && bed.step >= stopAt) {
    running = false;
    stopAt = null;
  }
}

function slice() {
  scheduled = false;
  if (running) {
    const start = performance.now();
    let left = due();
    while (running && left > 0) {
      stepOnce();
      --left;
      if (performance.now() - start >= SliceMs) break;
    }
  }
  sendFrame();
  if (running) {
    const wait = rate > 0 && due() <= 0 ? Math.max(1, 1000 / rate - (performance.now() - rateStart) % (1000 / rate)) : 0;
    schedule(wait);
  }
}

function sendFrame() {
  if (framePending || !dirty) return;
  const bytes = bed.width * bed.height * 4;
  let buffer = spare.pop();
  if (!buffer || buffer.byteLength !== bytes) buffer = new ArrayBuffer(bytes);
  bed.pixelsInto(new Uint8ClampedArray(buffer));
  postMessage({
    type: 'frame', step: bed.step, width: bed.width, height: bed.height, counts: bed.counts(),
    running, seq, series, pixels: buffer,
  }, [buffer]);
  series = [];
  dirty = false;
  framePending = true;
}

const handlers = {
  async init(message) {
    bed = new Bed(await loadEngine(), message.settings);
    record();
    postMessage({ type: 'ready' });
    sendFrame();
  },
  // Parameters, scheme and boundary, from the next step on.
  parameters({ settings }) {
    bed.setParameters(settings);
  },
  // Size, seed, parameters and start pattern anew, at step 0.
  reset({ settings }) {
    bed.reset(settings);
    series = [];
    record();
    dirty = true;
  },
  run({ steps }) {
    stopAt = steps === null ? null : bed.step + steps;
    running = stopAt === null || stopAt > bed.step;
    restartRate();
  },
  stop() {
    running = false;
    stopAt = null;
  },
  single() {
    running = false;
    stopAt = null;
    stepOnce();
  },
  speed({ stepsPerSecond }) {
    rate = stepsPerSecond;
    restartRate();
  },
  // Cells painted with the mouse: x, y, state, x, y, state, ...
  edit({ cells }) {
    for (let i = 0; i + 2 < cells.length; i += 3) bed.edit(cells[i], cells[i + 1], cells[i + 2]);
    dirty = true;
  },
  painted({ pixels }) {
    framePending = false;
    if (pixels) spare.push(pixels);
  },
};

// Messages are handled in order: init finishes before the rest are read.
let queue = Promise.resolve();
onmessage = (event) => {
  queue = queue.then(async () => {
    if (event.data.seq) seq = event.data.seq;
    await handlers[event.data.type](event.data);
    if (event.data.type !== 'init' || bed) schedule();
  }).catch((error) => postMessage({ type: 'error', message: String(error && error.message || error) }));
};
