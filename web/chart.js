// SPDX-License-Identifier: GPL-3.0-or-later
// The time series of the five fractions on a canvas, in the field's colours,
// the two predators ten times exaggerated as in the desktop program's window.

const Colours = ['#0000ff', '#ff0000', '#808080', '#008000', '#005a00'];
const Scale = [10, 10, 1, 1, 1];
const MaxPoints = 20000;  // the oldest half goes beyond this

export class Chart {
  constructor(canvas) {
    this.canvas = canvas;
    this.points = [];  // [step, five counts]
    this.cells = 1;
  }

  clear(cells) {
    this.points = [];
    this.cells = cells;
  }

  add(rows) {
    for (const row of rows) {
      const last = this.points[this.points.length - 1];
      if (last && row[0] < last[0]) this.points = [];  // a new run from its start pattern
      else if (last && row[0] === last[0]) this.points.pop();  // the same step, maybe painted since
      this.points.push(row);
    }
    if (this.points.length > MaxPoints) this.points.splice(0, this.points.length - MaxPoints / 2);
  }

  draw() {
    const { canvas } = this;
    const g = canvas.getContext('2d');
    const w = canvas.width;
    const h = canvas.height;
    const left = 34;
    const bottom = h - 16;
    g.clearRect(0, 0, w, h);
    g.fillStyle = '#444';
    g.font = '10px sans-serif';
    g.strokeStyle = '#ccc';
    g.beginPath();
    for (const f of [0, 0.5, 1]) {
      const y = bottom - f * (bottom - 6);
      g.moveTo(left, y);
      g.lineTo(w, y);
      g.fillText(f.toFixed(1), 4, y + 3);
    }
    g.stroke();
    const pts = this.points;
    if (pts.length === 0) return;
    const first = pts[0][0];
    const last = Math.max(pts[pts.length - 1][0], first + 1);
    g.fillText(String(first), left, h - 3);
    const label = String(pts[pts.length - 1][0]);
    g.fillText(label, w - g.measureText(label).width - 2, h - 3);
    const xOf = (step) => left + ((step - first) / (last - first)) * (w - left - 2);
    // At most about two points a pixel.
    const stride = Math.max(1, Math.floor(pts.length / (2 * (w - left))));
    for (let k = 0; k < 5; ++k) {
      g.strokeStyle = Colours[k];
      g.beginPath();
      for (let i = 0; i < pts.length; i += stride) {
        const f = Math.min(1, (pts[i][k + 1] / this.cells) * Scale[k]);
        const x = xOf(pts[i][0]);
        const y = bottom - f * (bottom - 6);
        if (i === 0) g.moveTo(x, y);
        else g.lineTo(x, y);
      }
      g.stroke();
    }
  }
}
