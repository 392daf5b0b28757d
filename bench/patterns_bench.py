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
    """The wall-clock and the CPU seconds of the calling thread (both sides
    run on it), which other work on a shared machine disturbs less."""
    start, cpu = time.perf_counter(), time.thread_time()
    action()
    return time.perf_counter() - start, time.thread_time() - cpu


def report(label, first, second):
    """The median ratio of the pairs, and the ratio of the two sides' fastest
    times (which a loaded machine disturbs least), by the wall clock and by
    CPU time."""
    for clock, kind in ((0, "wall"), (1, "CPU")):
        a, b = [t[clock] for t in first], [t[clock] for t in second]
        ratios = sorted(x / y for x, y in zip(a, b))
        print(f"{label} ({kind}): ratio {np.median(ratios):.2f} (range {ratios[0]:.2f} .. {ratios[-1]:.2f}, "
              f"{len(ratios)} pairs); fastest {min(a) * 1e3:.2f} ms / {min(b) * 1e3:.2f} ms = {min(a) / min(b):.2f}")


bed = tidmar.Bed(1000, 1000, seed=11, scheme="sync", a2=0.6, a0=0.5, d0=0.02)
bed.step(200)
field = bed.field
mask = np.isin(field, (-1, 0, 1))

ours, theirs = [], []
for _ in range(rounds):
    theirs.append(seconds(lambda: ndimage.label(mask)))
    ours.append(seconds(lambda: tidmar.patch_sizes(field, "gap")))
report("labelling 1000 x 1000, scipy.ndimage.label / tidmar.patch_sizes", theirs, ours)

pooled = []
while sum(map(len, pooled)) < 100000:
    bed.step(5)
    pooled.append(tidmar.patch_sizes(bed.field, "gap"))
sizes = np.concatenate(pooled)[:100000]
ours, steps = [], []
for _ in range(rounds):
    steps.append(seconds(lambda: bed.step(1)))
    ours.append(seconds(lambda: tidmar.fit_sizes(sizes)))
fits = tidmar.fit_sizes(sizes)
report(f"fits of 1e5 sizes ({len(np.unique(sizes))} distinct, xmin {fits.xmin}), fits / one exact sync step", ours,
       steps)
