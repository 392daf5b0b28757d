#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Prints what the patch analysis costs, measured side by side in one run on
a living 1000 x 1000 field (A2 0.6, A0 0.5, D0 0.02, 200 synchronous steps
of the exact engine), the two sides alternating:

- labelling: tidmar.patch_sizes of the gap class, periodic edges joined,
  from the field as the bed gives it (codes, classification included),
  against scipy.ndimage.label alone on a ready boolean mask (no seam, no
  sizes);
- fits: tidmar.fit_sizes of 10^5 gap sizes pooled over fields of that run,
  xmin estimated, against one exact synchronous step of the field.

    PYTHONPATH=build/python bench/patterns_bench.py [rounds]

scipy is needed here only.
"""

import sys
import time

import numpy as np
from scipy import ndimage

import tidmar

rounds = int(sys.argv[1]) if len(sys.argv) > 1 else 7


def seconds(action):
    start = time.perf_counter()
    action()
    return time.perf_counter() - start


def report(label, ratios, first, second):
    """The median ratio of the pairs, and the ratio of the two sides' fastest
    times (which a loaded machine disturbs least)."""
    ratios = sorted(ratios)
    print(f"{label}: ratio {np.median(ratios):.2f} (range {ratios[0]:.2f} .. {ratios[-1]:.2f}, {len(ratios)} pairs); "
          f"fastest {min(first) * 1e3:.2f} ms / {min(second) * 1e3:.2f} ms = {min(first) / min(second):.2f}")


bed = tidmar.Bed(1000, 1000, seed=11, scheme="sync", a2=0.6, a0=0.5, d0=0.02)
bed.step(200)
field = bed.field
mask = np.isin(field, (-1, 0, 1))

ratios, ours, theirs = [], [], []
for _ in range(rounds):
    scipy_time = seconds(lambda: ndimage.label(mask))
    tidmar_time = seconds(lambda: tidmar.patch_sizes(field, "gap"))
    ratios.append(scipy_time / tidmar_time)
    ours.append(tidmar_time)
    theirs.append(scipy_time)
report("labelling 1000 x 1000, scipy.ndimage.label / tidmar.patch_sizes", ratios, theirs, ours)

pooled = []
while sum(map(len, pooled)) < 100000:
    bed.step(5)
    pooled.append(tidmar.patch_sizes(bed.field, "gap"))
sizes = np.concatenate(pooled)[:100000]
ratios, ours, steps = [], [], []
for _ in range(rounds):
    step_time = seconds(lambda: bed.step(1))
    fit_time = seconds(lambda: tidmar.fit_sizes(sizes))
    ratios.append(fit_time / step_time)
    ours.append(fit_time)
    steps.append(step_time)
fits = tidmar.fit_sizes(sizes)
report(f"fits of 1e5 sizes ({len(np.unique(sizes))} distinct, xmin {fits.xmin}), fits / one exact sync step", ratios,
       ours, steps)
