# SPDX-License-Identifier: GPL-3.0-or-later
"""tidmar: the mussel-bed automaton of Tidmar III for notebooks and scripts.

The engines are those of the desktop program and of tidmar-batch, and every
value is read by tidmar-batch's own readers: probabilities are exact
decimals with up to six places (0.3, and so is 0.1 + 0.2; 0.0005;
0.0000005 is refused), and refused values raise ValueError naming the
argument.

    bed = tidmar.Bed(128, 128, seed=7, a2=0.6, a0=0.5, d0=0.02)
    counts = bed.run(200, every=10)       # counts over time
    plt.imshow(bed.field, **tidmar.imshow_args())
    table = tidmar.sweep(vary={"a2": [0.2, 0.6]}, replicates=3, steps=200)

Cell codes: -1 predator on adults, 0 predator on young, 1 empty, 2 young
mussel, 3 adult mussel. Counts and fractions come in that order (STATES).
"""

import numpy as _np

from . import _tidmar
from ._patterns import PatternSummary, fit_sizes, patch_sizes, patterns
from ._pictures import colormap, colours, imshow_args, other_colour
from ._values import settings as _settings
from ._values import typed_columns as _typed_columns
from ._values import value as _value

#: The version of Tidmar III the module belongs to.
__version__ = _tidmar.__version__

__all__ = ["Bed", "sweep", "STATES", "CODES", "colours", "other_colour", "colormap", "imshow_args",
           "default_jobs", "patterns", "patch_sizes", "fit_sizes", "PatternSummary"]

#: The state names in the order of counts() and fractions(): codes -1 .. 3.
STATES = tuple(_tidmar.STATE_NAMES)
#: The cell codes in the same order.
CODES = (-1, 0, 1, 2, 3)

_COUNT_COLUMNS = tuple(_tidmar.counts_header().strip().split(","))


def _setting(name, doc):
    def get(self):
        return self._bed.settings()[name]

    def set(self, value):
        self._bed.set(name, _value(name, value))

    return property(get, set, doc=doc)


class Bed:
    """One mussel bed: a field of width x height cells on either engine.

    The defaults are the desktop program's start values. mode="exact" runs
    the engine of the desktop program, cell for cell the same as tidmar-batch
    for the same settings and seed; mode="fast" runs the throughput engine
    (the same model on its own random numbers), whose synchronous steps
    threads share without changing any result. seed=None draws one from the
    system's entropy, never that of the bed made just before (see the seed
    attribute). The field starts all young mussels.

    Parameters and scheme, boundary, jump and long range may change between
    steps, as the desktop controls change them during a run:

        bed.a2 = 0.6           # recolonisation, from the next step on
        bed.scheme = "sync"

    A refused value raises ValueError (or TypeError for a value of the wrong
    kind) and keeps the old one; an attribute the bed does not have (a typo
    such as bed.D0) raises AttributeError naming the nearest one. step() and run() release the GIL; Ctrl+C
    stops them between two steps with KeyboardInterrupt, and the bed stays
    usable (step_count tells how far it got).
    """

    __slots__ = ("_bed",)

    def __init__(self, width=256, height=256, *, seed=None, scheme="async-uc", mode="exact", a2=0.3,
                 a0=0.75, d0=0.0, a3=0.1, a4=0.75, jump=10, long_range=True, boundary="periodic",
                 threads=1):
        values = dict(width=width, height=height, seed=seed, scheme=scheme, mode=mode, a2=a2, a0=a0,
                      d0=d0, a3=a3, a4=a4, jump=jump, long_range=long_range, boundary=boundary)
        # Threads are the fast engine's; the exact engine refuses any but one.
        if not (isinstance(threads, int) and not isinstance(threads, bool) and threads == 1):
            values["threads"] = threads
        self._bed = _tidmar._Bed(_settings(values))

    width = property(lambda self: self._bed.settings()["width"], doc="Cells across (x).")
    height = property(lambda self: self._bed.settings()["height"], doc="Cells down (y).")
    seed = property(lambda self: self._bed.settings()["seed"],
                    doc="The seed the generators started from (at creation or the last reset with a seed).")
    mode = property(lambda self: self._bed.settings()["mode"], doc='The engine: "exact" or "fast".')
    threads = property(lambda self: self._bed.settings()["threads"],
                       doc="Threads sharing each synchronous step of the fast engine.")
    step_count = property(lambda self: self._bed.steps, doc="Steps since the bed was made or last reset.")
    generator_period_passed = property(
        lambda self: self._bed.generator_period_passed,
        doc="Whether this exact bed has drawn more numbers than its generator's period (2^31 - 2), so that "
            "its numbers repeat; a RuntimeWarning says so once when it happens.")

    a2 = _setting("a2", "Recolonisation A2, a probability in millionths (0 .. 1).")
    a0 = _setting("a0", "Neighbour coupling A0, a probability in millionths.")
    d0 = _setting("d0", "Ocean forcing D0, a probability in millionths.")
    a3 = _setting("a3", "Maturing A3, a probability in millionths.")
    a4 = _setting("a4", "Predation A4, a probability in millionths.")
    jump = _setting("jump", "The predators' jumping range, 0 .. 100 cells.")
    long_range = _setting("long_range", "Whether predators on young jump (True or False).")
    boundary = _setting("boundary", '"periodic" (the field wraps round) or "closed".')
    scheme = _setting("scheme", 'The update scheme: "sync", "async-uc" or "async-nrs".')

    def step(self, n=1):
        """Performs n steps (n >= 0) of the current scheme."""
        self._bed.step(_value("n", n))

    def run(self, steps, every=1, as_frame=False, progress=None):
        """Performs steps steps and returns the counts at the steps 0, every,
        2 every, ... and the last of the run (the start field included), as
        tidmar-batch's --counts-every records them: a numpy
        structured array with the columns of tidmar-batch's counts CSV (step,
        then the five states; step is step_count), or a pandas DataFrame with
        as_frame=True (needs pandas). progress: by default a tqdm bar when
        tqdm is installed, shown once the run has lasted two seconds (nothing
        otherwise), False for none, or a function called with the steps done
        and all steps."""
        steps, every = _value("steps", steps), _value("every", every)
        report = _progress_reporter(progress, "step", delay=2)
        whole = [int(n) if type(n) in (int, float) and float(n).is_integer() else None for n in (steps, every)]
        if report is None or None in whole or whole[0] < 0 or whole[1] < 1:
            table = self._bed.run(steps, every)
        else:
            table = self._run_in_parts(*whole, report)
        records = _np.rec.fromarrays(table.T, names=list(_COUNT_COLUMNS))
        if as_frame:
            import pandas

            return pandas.DataFrame(records)
        return records.view(_np.ndarray)

    def _run_in_parts(self, steps, every, report):
        """run(steps, every) in about a hundred parts of whole intervals,
        reporting after each; the rows are those of one call."""
        part = every * max(1, -(-steps // (100 * every)))
        done = min(part, steps)
        parts = [self._bed.run(done, every)]
        report(done, steps)
        while done < steps:
            n = min(part, steps - done)
            parts.append(self._bed.run(n, every)[1:])  # its first row is the last one's
            done += n
            report(done, steps)
        return _np.concatenate(parts)

    def counts(self):
        """The cells in each state, in the order of STATES (codes -1 .. 3)."""
        return _np.array(self._bed.counts(), dtype=_np.int64)

    def fractions(self):
        """The share of the cells in each state, in the order of STATES."""
        return self.counts() / float(self.width * self.height)

    @property
    def field(self):
        """A copy of the current field: a numpy int32 array of shape
        (height, width) holding the cell codes, field[y, x], in the
        orientation of tidmar-batch's field CSV (row 0 is line 1). It is
        stored column by column (Fortran order), as the engines store the
        field, which makes reading it a plain copy;
        numpy.ascontiguousarray(bed.field) gives row order."""
        return self._bed.field(False)

    @property
    def previous(self):
        """A copy of the field before the last step, as field. Only the exact
        engine keeps it; a cell edited since holds -999 (the redraw mark)."""
        return self._bed.field(True)

    def edit(self, x, y, state):
        """Sets cell (x, y) to state (a code -1 .. 3), as the mouse does in
        the desktop program; the next step reads it."""
        self._bed.edit(_index("x", x), _index("y", y), _index("state", state))

    def reset(self, pattern="young", *, seed=None):
        """Lays down a start pattern and sets step_count to 0: "young" (every
        cell a young mussel), "line" (the middle column predators on young),
        a random start such as "random:adult=0.5,young=0.1" (each cell
        independently, the rest empty or rest=STATE; drawn from the seed by a
        generator of its own, so the model's draws are unchanged) or a 2-D
        integer array of codes (height, width), which may change the field's
        size. The generators go on from where they are, as in the
        desktop program, unless seed restarts them."""
        seed = None if seed is None else _value("seed", seed)
        if isinstance(pattern, str):
            self._bed.reset(pattern, seed)
            return
        cells = _np.asarray(pattern)
        if cells.dtype.kind not in "iu":
            raise TypeError(f"a field holds integer cell codes, not {cells.dtype}")
        self._bed.reset_field(cells, seed)

    def __setattr__(self, name, value):
        if name != "_bed" and not isinstance(getattr(type(self), name, None), property):
            raise AttributeError(_no_attribute(name))
        object.__setattr__(self, name, value)

    def __getattr__(self, name):
        # Only called when the attribute is not found.
        raise AttributeError(_no_attribute(name))

    def patterns(self, cls="gap", *, wrap=None, neighbourhood=4, coarse_grain=4, xmin="estimate",
                 min_tail=10):
        """tidmar.patterns of the current field; wrap defaults to the bed's
        boundary (periodic joins patches across the edges)."""
        if wrap is None:
            wrap = self.boundary == "periodic"
        return patterns(self._bed.field(False), cls, wrap=wrap, neighbourhood=neighbourhood,
                        coarse_grain=coarse_grain, xmin=xmin, min_tail=min_tail)

    def save(self, path):
        """Writes the bed's whole state (field, previous field, parameters,
        generators, step_count) to path, as tidmar-batch --save-state does:
        Bed.load(path) and tidmar-batch --from-state go on from it exactly
        as this bed would."""
        import os
        import tempfile

        data = self._bed.state()
        folder = os.path.dirname(os.path.abspath(path))
        fd, temporary = tempfile.mkstemp(prefix=".tidmar-state-", dir=folder)
        try:
            with os.fdopen(fd, "wb") as file:
                file.write(data)
            os.replace(temporary, path)
        except BaseException:
            os.unlink(temporary)
            raise

    @classmethod
    def load(cls, path, *, threads=1):
        """The bed saved at path (by save() or tidmar-batch --save-state);
        threads share the fast engine's synchronous steps. A file of another
        kind or version, or a damaged one, raises ValueError."""
        with open(path, "rb") as file:
            data = file.read()
        return cls._from_state(data, repr(str(path)), threads)

    @classmethod
    def _from_state(cls, data, what, threads):
        bed = cls.__new__(cls)
        bed._bed = _tidmar._Bed.from_state(data, what, _index("threads", threads))
        return bed

    # Copies and pickles carry the whole state, so they go on as the original would.
    def __getstate__(self):
        return {"state": self._bed.state(), "threads": self.threads}

    def __setstate__(self, saved):
        self._bed = _tidmar._Bed.from_state(saved["state"], "the pickled bed", saved["threads"])

    def __repr__(self):
        s = self._bed.settings()
        return (f"tidmar.Bed({s['width']}, {s['height']}, seed={s['seed']}, scheme={s['scheme']!r}, "
                f"mode={s['mode']!r}, a2={s['a2']}, a0={s['a0']}, d0={s['d0']}, a3={s['a3']}, "
                f"a4={s['a4']}, jump={s['jump']}, long_range={s['long_range']}, "
                f"boundary={s['boundary']!r}) at step {self._bed.steps}")


def _no_attribute(name):
    """The message for an attribute a Bed does not have, naming the nearest."""
    import difflib

    known = {attribute.lower(): attribute for attribute in dir(Bed) if not attribute.startswith("_")}
    nearest = difflib.get_close_matches(str(name).lower(), known, n=1, cutoff=0.6)
    hint = f"; did you mean {known[nearest[0]]!r}?" if nearest else ""
    return f"Bed has no attribute {name!r}{hint}"


def _index(name, value):
    import operator

    if isinstance(value, bool):
        raise TypeError(f"{name}: expected an integer, not bool")
    try:
        return operator.index(value)
    except TypeError:
        raise TypeError(f"{name}: expected an integer, not {type(value).__name__}") from None


# The options a sweep takes besides vary, replicates, seed, steps and jobs.
_SWEEP_FIXED = ("width", "height", "scheme", "mode", "a2", "a0", "d0", "a3", "a4", "jump", "long_range",
                "boundary", "threads", "pattern", "burn_in", "stop_when")


def _design_text(name, given):
    """A design's value as --vary spells it: True as on, 0.3 as 0.3."""
    value = _value(name, given)
    if isinstance(value, bool):
        return "on" if value else "off"
    return value if isinstance(value, str) else repr(value)


def _write_design(design, folder):
    """design (a pandas DataFrame or a list of dicts) as a --design CSV in
    folder; the columns' names as vary takes them."""
    import csv
    import os

    if hasattr(design, "to_dict"):
        rows = design.to_dict("records")
    else:
        rows = list(design)
    if not rows or not all(isinstance(row, dict) for row in rows):
        raise TypeError("design: expected a DataFrame or a non-empty list of dicts")
    names = list(rows[0])
    for row in rows:
        if list(row) != names:
            raise ValueError(f"design: every row needs the columns {names}, in that order; one has {list(row)}")
    path = os.path.join(folder, "design.csv")
    with open(path, "w", newline="") as file:
        writer = csv.writer(file)
        writer.writerow([name.replace("_", "-") for name in names])
        for row in rows:
            writer.writerow([_design_text(name, row[name]) for name in names])
    return path


def _progress_reporter(progress, unit="run", delay=0):
    """What is called with the units done and all units: progress itself
    when callable, a tqdm bar (shown after delay seconds) when tqdm is
    installed and progress is None, nothing otherwise."""
    if callable(progress):
        return progress
    if progress is False:
        return None
    try:
        from tqdm.auto import tqdm
    except ImportError:
        return None
    bars = []

    def report(done, total):
        if not bars:
            bars.append(tqdm(total=total, unit=unit, delay=delay))
        bars[0].update(done - bars[0].n)
        if done == total:
            bars[0].close()

    return report


def sweep(vary=None, replicates=5, seed=1000, steps=400, jobs=None, as_frame=None, patch_class=None,
          patterns=None, design=None, counts_every=None, progress=None, **fixed):
    """Runs a parameter sweep as tidmar-batch sweep does and returns its
    summary: the same runs, seeds and rows.

    vary maps parameter names (a2, a0, d0, a3, a4, jump, scheme, ...) to a
    list of values or to the command line's text ("0.1:0.5:0.1"); every
    combination runs replicates times, the first name varying slowest; run k
    has the seed seed + k (seed=None: drawn). fixed takes the other
    parameters as Bed does (and pattern: young, line, random:..., a field
    CSV file or a 2-D integer array of codes as Bed.reset takes it; burn_in, the
    steps before the means and spreads are taken, by default half the run;
    stop_when, a --stop-when condition such as "predators-extinct", which
    ends each run there and adds the extinction steps, None where none came).
    jobs runs that many runs side by side (default: as tidmar-batch, one per
    CPU this process may use). design takes the combinations instead of
    vary: a pandas DataFrame or a list of dicts whose keys are vary's names
    (a Latin hypercube made elsewhere, for instance), each row run
    replicates times in order. counts_every=N also keeps every run's counts
    at steps 0, N, 2N, ... and its last, and returns (summary, series), the
    series with tidmar-batch's time-series columns (run, step, the states).
    progress: by default a tqdm bar when tqdm is installed (nothing
    otherwise), False for none, or a function called with the runs done
    and all runs.

    Returns a pandas DataFrame with the summary's columns, or without pandas
    (or with as_frame=False) a list of dicts. Runs release the GIL; Ctrl+C
    stops the sweep within a step with KeyboardInterrupt.

    patch_class (a list of class names, such as ["gap", "mussel"]) adds the
    patch columns of tidmar-batch's --patch-class: per class the means of
    the patch measures and indicators over the fields sampled in the window
    and the fits of their sizes pooled (gap_cover, ..., gap_pl_alpha, ...).
    patterns takes the analysis options as a dict: patterns_every,
    neighbourhood, coarse_grain, xmin, min_tail.
    """
    for name in fixed:
        if name not in _SWEEP_FIXED:
            raise TypeError(f"sweep() got an unexpected keyword argument '{name}'")
    import tempfile

    every = 0 if counts_every is None else _index("counts_every", counts_every)
    if counts_every is not None and every < 1:
        raise ValueError(f"counts_every: {every} is not a whole number from 1")
    # A design and a pattern given as an array reach the sweep as files.
    with tempfile.TemporaryDirectory(prefix="tidmar-sweep-") as folder:
        pattern = fixed.get("pattern")
        if pattern is not None and not isinstance(pattern, str):
            cells = _np.asarray(pattern)
            if cells.ndim != 2 or cells.dtype.kind not in "iu":
                raise TypeError("pattern: expected young, line, random:..., a file name or a 2-D integer array")
            fixed["pattern"] = f"{folder}/pattern.csv"
            _np.savetxt(fixed["pattern"], cells, fmt="%d", delimiter=",")
        if design is not None:
            fixed["design"] = _write_design(design, folder)
        settings = _settings(dict(replicates=replicates, seed=seed, steps=steps, jobs=jobs, **fixed))
        varied = []
        for name, values in (vary or {}).items():
            if not isinstance(values, str):
                try:
                    items = list(values)
                except TypeError:
                    raise TypeError(f"vary[{name!r}]: expected a list of values or a string, "
                                    f"not {type(values).__name__}") from None
                values = [_value(name, item) for item in items]
            varied.append((name, values))
        if patch_class is not None:
            settings.append(("patch_class", patch_class if isinstance(patch_class, str) else ",".join(patch_class)))
        settings += _settings(dict(patterns or {}))
        rows, series = _tidmar.sweep_rows(settings, varied, every, _progress_reporter(progress))
        header = _tidmar.sweep_header(settings, varied)
    names, table = _typed_columns(header, rows)
    if counts_every is not None:
        series_names = _tidmar.time_series_header().strip().split(",")
        series_table = [[int(value) for value in line.split(",")] for text in series for line in text.splitlines()]
        return (_frame_or_records(names, table, as_frame), _frame_or_records(series_names, series_table, as_frame))
    return _frame_or_records(names, table, as_frame)


def _frame_or_records(names, table, as_frame):
    """A pandas DataFrame (as_frame True, or None with pandas installed) or a
    list of dicts."""
    if as_frame is None:
        try:
            import pandas  # noqa: F401

            as_frame = True
        except ImportError:
            as_frame = False
    if as_frame:
        import pandas

        return pandas.DataFrame(table, columns=names)
    return [dict(zip(names, row)) for row in table]


def default_jobs(threads=1):
    """The number of runs a sweep runs side by side by default (as
    tidmar-batch chooses it: the CPUs this process may use), for runs of
    threads threads each."""
    return _tidmar.default_jobs(_index("threads", threads))
