# SPDX-License-Identifier: GPL-3.0-or-later
"""Refused input, interruption and editing of a Bed and a sweep."""

import os
import signal
import threading

import numpy as np
import pytest

import tidmar


@pytest.mark.parametrize("name, value, error, words", [
    ("a2", 0.0000005, ValueError, "a2: '5e-07' is not a probability from 0 to 1 with at most six decimals"),
    ("a0", 1.5, ValueError, "a0: '1.5' is not a probability"),
    ("jump", 101, ValueError, "jump: '101' is not a whole number from 0 to 100"),
    ("jump", 2.5, ValueError, "jump: '2.5' is not a whole number from 0 to 100"),
    ("scheme", "random", ValueError, "scheme: 'random' is not one of sync, async-uc, async-nrs"),
    ("boundary", "open", ValueError, "boundary: 'open' is not periodic or closed"),
    ("long_range", [True], TypeError, "long_range: expected a number or a string, not list"),
])
def test_a_refused_assignment_keeps_the_old_value(name, value, error, words):
    bed = tidmar.Bed(16, 16, seed=3)
    before = getattr(bed, name)
    with pytest.raises(error, match=words.replace("(", r"\(").replace(")", r"\)")):
        setattr(bed, name, value)
    assert getattr(bed, name) == before
    with pytest.raises(error, match=words.split(":")[1].replace("(", r"\(").replace(")", r"\)")):
        tidmar.Bed(16, 16, **{name: value})


def test_refused_calls_say_why_and_change_nothing():
    bed = tidmar.Bed(8, 6, seed=3, mode="fast")
    bed.step(2)
    field = bed.field
    refusals = [
        (lambda: bed.step(-1), ValueError, "n: '-1' is not a whole number"),
        (lambda: bed.step(1.5), ValueError, "n: '1.5' is not a whole number"),
        (lambda: bed.run(2**70), ValueError, "steps: '1180591620717411303424' is not a whole number"),
        (lambda: bed.run(5, every=0), ValueError, "every: '0' is not a whole number from 1"),
        (lambda: bed.run(5, every="\x1b[2J"), ValueError, r"every: '\\x1b\[2J' is not a whole number"),
        (lambda: bed.edit(8, 0, 2), ValueError, r"\(8, 0\) lies outside the 8 x 6 field"),
        (lambda: bed.edit(0, 0, 4), ValueError, "state: 4 is not a cell state"),
        (lambda: bed.edit(0.5, 0, 2), TypeError, "x: expected an integer"),
        (lambda: bed.reset(np.full((6, 8), 2**32 + 2)), ValueError, "field: "),
        (lambda: bed.reset(np.zeros((2, 3, 4), dtype=int)), ValueError, "two-dimensional"),
        # The size is refused before a copy is made, in the array's own size.
        (lambda: bed.reset(np.broadcast_to(np.int64(2), (20000, 20000))), ValueError, "20000 x 20000 is outside"),
        (lambda: bed.reset(np.full((1, 16385), 2)), ValueError, "16385 x 1 is outside"),
        (lambda: bed.reset(np.full((4, 4), 2**64 - 1, dtype=np.uint64)), ValueError, "is not a cell state"),
        (lambda: bed.reset(np.zeros((6, 8))), TypeError, "integer cell codes"),
        (lambda: bed.reset("stripes"), ValueError, "pattern: 'stripes' is not young or line"),
        (lambda: bed.previous, ValueError, "keeps no previous field"),
        (lambda: tidmar.Bed(8, 8, threads=2), ValueError, "threads is for mode fast"),
        (lambda: tidmar.sweep(vary={"a2": [0.1]}, steps=1, colour=2), TypeError, "unexpected keyword"),
        (lambda: tidmar.sweep(vary={"a2": "0.1:0.0000005:1"}, steps=1), ValueError, "vary a2: '0.0000005'"),
        (lambda: tidmar.sweep(vary={"a2": [0.1, 0.3500001]}, steps=1), ValueError, "vary a2: '0.3500001' is not a"),
        (lambda: tidmar.sweep(seed=0, steps=1), ValueError, "seed: seeds start at 1 or above"),
        (lambda: setattr(bed, "D0", 0.05), AttributeError, "Bed has no attribute 'D0'; did you mean 'd0'"),
        (lambda: bed.stepcount, AttributeError, "did you mean 'step_count'"),
    ]
    for call, error, words in refusals:
        with pytest.raises(error, match=words):
            call()
    np.testing.assert_array_equal(bed.field, field)
    assert bed.step_count == 2


def test_beds_without_a_seed_draw_distinct_ones():
    seeds = [tidmar.Bed(4, 4).seed for _ in range(50)]
    assert len(set(seeds)) == 50 and all(1 <= seed <= 2147483646 for seed in seeds)
    with pytest.raises(ValueError, match="seed: seeds start at 1"):
        tidmar.Bed(4, 4, seed=0)


def test_edits_and_laid_down_fields_are_what_the_next_step_reads():
    start = np.random.default_rng(1).integers(-1, 4, size=(5, 7))
    for mode in ("exact", "fast"):
        bed = tidmar.Bed(16, 16, seed=9, mode=mode)
        bed.step(3)
        bed.reset(start, seed=9)
        assert (bed.width, bed.height, bed.step_count, bed.seed) == (7, 5, 0, 9)
        np.testing.assert_array_equal(bed.field, start)
        bed.edit(6, 4, 0)
        start[4, 6] = 0
        np.testing.assert_array_equal(bed.field, start)
        np.testing.assert_array_equal(bed.counts(), [np.count_nonzero(start == c) for c in tidmar.CODES])
        if mode == "exact":
            assert bed.previous[4, 6] == -999  # the redraw mark, as under the mouse
        bed.step(4)
        again = tidmar.Bed(7, 5, seed=9, mode=mode)
        again.reset(start)
        again.step(4)
        np.testing.assert_array_equal(bed.field, again.field)


def interrupt_soon():
    """Sends Ctrl+C to this process from another thread, which needs the GIL
    to run: the long call must have released it."""
    timer = threading.Timer(0.3, os.kill, (os.getpid(), signal.SIGINT))
    timer.start()
    return timer


def test_ctrl_c_stops_long_work_between_steps_and_the_bed_stays_usable():
    bed = tidmar.Bed(64, 64, seed=4)
    for call in (lambda: bed.step(10**8), lambda: bed.run(10**8, every=10**6)):
        interrupt_soon()
        with pytest.raises(KeyboardInterrupt):
            call()
        assert 0 < bed.step_count < 10**8
    reached = bed.step_count
    bed.step(2)
    assert bed.step_count == reached + 2 and bed.counts().sum() == 64 * 64

    interrupt_soon()
    with pytest.raises(KeyboardInterrupt):
        tidmar.sweep(vary={"a2": [0.1, 0.2, 0.3]}, steps=10**8, width=64, height=64, jobs=2)


def test_colormap_draws_each_code_in_the_desktop_colour():
    colors = pytest.importorskip("matplotlib.colors")
    args = tidmar.imshow_args()
    drawn = args["cmap"](args["norm"](np.array(tidmar.CODES + (-999,))))
    wanted = [tidmar.colours[code] for code in tidmar.CODES] + [tidmar.other_colour]
    assert [colors.to_hex(rgba) for rgba in drawn] == wanted
    assert tidmar.colours[2] == "#008000"  # young mussels: dark green


def test_runs_show_a_tqdm_bar_when_tqdm_is_installed_and_count_alike(monkeypatch):
    import sys
    import types

    bars = []

    class Bar:
        def __init__(self, total, unit, delay):
            self.total, self.n, self.closed, self.unit = total, 0, False, unit
            bars.append(self)

        def update(self, n):
            self.n += n

        def close(self):
            self.closed = True

    auto = types.ModuleType("tqdm.auto")
    auto.tqdm = Bar
    monkeypatch.setitem(sys.modules, "tqdm", types.ModuleType("tqdm"))
    monkeypatch.setitem(sys.modules, "tqdm.auto", auto)
    plain = tidmar.Bed(24, 24, seed=3).run(250, every=7, progress=False)
    assert bars == []
    np.testing.assert_array_equal(tidmar.Bed(24, 24, seed=3).run(250, every=7), plain)
    assert [(bar.total, bar.n, bar.closed, bar.unit) for bar in bars] == [(250, 250, True, "step")]
    seen = []
    bed = tidmar.Bed(24, 24, seed=3)
    np.testing.assert_array_equal(bed.run(250.0, every=7, progress=lambda *done: seen.append(done)), plain)
    assert seen == sorted(seen) and seen[-1] == (250, 250) and bed.step_count == 250
