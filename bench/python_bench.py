#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Prints what the Python module costs over the command line, measured side
by side in one run:

- stepping: 1000 steps of a 256 x 256 field from Python (making the Bed
  included) against tidmar-batch doing the same (its start included), in
  each mode, the two alternating;
- reading: bed.field of a 1000 x 1000 field against a numpy copy of an array
  of the same shape and type, alternating.

    PYTHONPATH=build/python bench/python_bench.py [path/to/tidmar-batch] [rounds]
"""

import os
import subprocess
import sys
import time

import numpy as np

import tidmar

here = os.path.dirname(os.path.abspath(__file__))
tool = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "build", "batch", "tidmar-batch")
rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 5
SETTINGS = dict(a2=0.6, a0=0.5, d0=0.02)


def seconds(action):
    start = time.perf_counter()
    action()
    return time.perf_counter() - start


def python_steps(mode, scheme):
    tidmar.Bed(256, 256, seed=11, mode=mode, scheme=scheme, **SETTINGS).step(1000)


def batch_steps(mode, scheme):
    subprocess.run([tool, "--width", "256", "--height", "256", "--seed", "11", "--mode", mode, "--scheme",
                    scheme, "--steps", "1000", "--quiet", "--a2", "0.6", "--a0", "0.5", "--d0", "0.02"],
                   check=True)


def report(label, ratios):
    ratios = sorted(ratios)
    print(f"{label}: ratio {np.median(ratios):.3f} (range {ratios[0]:.3f} .. {ratios[-1]:.3f}, {len(ratios)} pairs)")


for mode, scheme in (("exact", "async-uc"), ("exact", "sync"), ("fast", "async-uc"), ("fast", "sync")):
    ratios = []
    for _ in range(rounds):
        batch = seconds(lambda: batch_steps(mode, scheme))
        python = seconds(lambda: python_steps(mode, scheme))
        ratios.append(python / batch)
    report(f"1000 steps of 256 x 256, {mode} {scheme}, Python / tidmar-batch", ratios)

bed = tidmar.Bed(1000, 1000, seed=11, mode="fast", **SETTINGS)
bed.step(5)
plain = bed.field.copy()
ratios = []
for _ in range(20 * rounds):
    copy = min(seconds(lambda: plain.copy()) for _ in range(5))
    field = min(seconds(lambda: bed.field) for _ in range(5))
    ratios.append(field / copy)
report("bed.field of 1000 x 1000 / numpy copy of int32 (1000, 1000)", ratios)
