// SPDX-License-Identifier: GPL-3.0-or-later
// The exact engine, compiled to WebAssembly, as one object: the page's worker
// and the tests in Node use it alike.

import createTidmarEngine from './tidmar-engine.js';
import { Schemes } from './settings.js';

export async function loadEngine() {
  return createTidmarEngine();
}

export class Bed {
  // A bed of the settings' size, parameters, seed and start pattern.
  constructor(engine, settings) {
    this.m = engine;
    this.ptr = engine._tidmar_create(settings.width, settings.height, settings.seed);
    if (!this.ptr) throw new RangeError(`field size ${settings.width} x ${settings.height} is outside 1 .. 2048`);
    this.reset(settings);
  }

  free() {
    this.m._tidmar_destroy(this.ptr);
    this.ptr = 0;
  }

  get width() { return this.m._tidmar_width(this.ptr); }
  get height() { return this.m._tidmar_height(this.ptr); }
  get step() { return this.m._tidmar_step(this.ptr); }

  // The parameters, from the next step on.
  setParameters(s) {
    this.m._tidmar_set(this.ptr, s.a2, s.a0, s.d0, s.a3, s.a4, s.jump, s.longRange ? 1 : 0,
      s.boundary === 'periodic' ? 1 : 0, Schemes.indexOf(s.scheme));
  }

  // Everything from the settings: size, parameters, seed, then the start
  // pattern at step 0, as tidmar-batch sets up a run.
  reset(s) {
    if ((s.width !== this.width || s.height !== this.height) && !this.m._tidmar_resize(this.ptr, s.width, s.height))
      throw new RangeError(`field size ${s.width} x ${s.height} is outside 1 .. 2048`);
    this.m._tidmar_seed(this.ptr, s.seed);
    this.setParameters(s);
    this.m._tidmar_pattern(this.ptr, s.pattern === 'line' ? 1 : 0);
  }

  advance(n = 1) { this.m._tidmar_advance(this.ptr, n); }

  edit(x, y, state) { return this.m._tidmar_edit(this.ptr, x, y, state) !== 0; }

  // The counts of the states -1, 0, 1, 2, 3.
  counts() {
    const at = this.m._tidmar_counts(this.ptr) >> 2;
    return Array.from(this.m.HEAP32.subarray(at, at + 5));
  }

  // The field's RGBA pixels, one a cell, row by row, copied into out (a
  // Uint8ClampedArray of 4 width height bytes).
  pixelsInto(out) {
    const at = this.m._tidmar_pixels(this.ptr);
    out.set(this.m.HEAPU8.subarray(at, at + out.length));
    return out;
  }

  // The field codes, row by row, as a field CSV lists them.
  field() {
    const at = this.m._tidmar_field(this.ptr) >> 2;
    return Int32Array.from(this.m.HEAP32.subarray(at, at + this.width * this.height));
  }
}
