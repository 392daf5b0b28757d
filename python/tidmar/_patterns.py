# SPDX-License-Identifier: GPL-3.0-or-later
"""Patch sizes, their fits and spatial indicators of any 2-D field."""

import numpy as _np

from . import _tidmar


def _option_text(name, value):
    """value as the command line's text, for the readers of the options."""
    if isinstance(value, bool) or not isinstance(value, (str, int, _np.integer)):
        raise TypeError(f"{name}: expected a whole number or a string, not {type(value).__name__}")
    return str(value)

_NATIVE = (_np.int8, _np.uint8, _np.int16, _np.int32, _np.int64, _np.bool_)


class PatternSummary(dict):
    """The values of one row of tidmar-batch patterns' summary (without file
    and class), as a dict and as attributes: summary["pl_alpha"] or
    summary.pl_alpha. Empty values are None."""

    def __getattr__(self, name):
        try:
            return self[name]
        except KeyError:
            raise AttributeError(name) from None

    def __dir__(self):
        return list(self.keys()) + dir(dict)


def _request(field, cls, wrap, neighbourhood, coarse_grain, xmin, min_tail):
    cells = _np.asarray(field)
    if cells.ndim != 2:
        raise ValueError(f"a field is a two-dimensional array, not one of {cells.ndim} dimensions")
    if cells.dtype == _np.bool_:
        if cls is not None:
            raise ValueError("a boolean field is its own class (its True cells): leave cls out")
        cls = "1"
    elif cells.dtype.kind not in "iu":
        raise TypeError(f"a field holds integer cell codes or bools, not {cells.dtype}")
    elif cls is None:
        cls = "gap"
    if not isinstance(cls, str):
        try:
            cls = ",".join(str(int(code)) for code in cls)
        except TypeError:
            raise TypeError(f"cls: expected a class name or a list of codes, not {type(cls).__name__}") from None
    if cells.dtype.type not in _NATIVE:
        cells = cells.astype(_np.int64)
    if not (cells.flags.c_contiguous or cells.flags.f_contiguous):
        cells = _np.ascontiguousarray(cells)
    if not isinstance(wrap, bool):
        raise TypeError(f"wrap: expected True or False, not {type(wrap).__name__}")
    options = [("--boundary", "periodic" if wrap else "closed"),
               ("--neighbourhood", _option_text("neighbourhood", neighbourhood)),
               ("--coarse-grain", _option_text("coarse_grain", coarse_grain)),
               ("--xmin", _option_text("xmin", xmin)),
               ("--min-tail", _option_text("min_tail", min_tail))]
    return cells, cls, options


def patterns(field, cls=None, *, wrap=True, neighbourhood=4, coarse_grain=4, xmin="estimate", min_tail=10):
    """The patches of one class of a field, their size distribution's fits
    and the spatial indicators, as tidmar-batch patterns computes them.

    field is any 2-D array of integer codes (field[y, x]; a bed's field, or
    one's own classified data) or of bools. cls names the class: "gap" (the
    default: codes -1, 0, 1), "empty", "mussel", "young", "adult",
    "predator", or codes as "2,3" or [2, 3]; "1" for the ones of a 0/1 field.
    A boolean field is its own class, its True cells. wrap joins patches
    across opposite edges; neighbourhood is 4 or 8; coarse_grain the side of
    the blocks of variance and skewness; xmin "estimate" or the smallest size
    fitted; min_tail the fewest sizes a fit needs.

    Returns a PatternSummary (a dict whose keys are also attributes): width,
    height, cover, patches, mean_size, max_size, spans, variance, skewness,
    moran, xmin, n_tail, pl_alpha, pl_loglik, tpl_alpha, tpl_lambda,
    tpl_loglik, exp_lambda, exp_loglik, best, plrange; None where empty.
    """
    cells, cls, options = _request(field, cls, wrap, neighbourhood, coarse_grain, xmin, min_tail)
    return PatternSummary(_tidmar.patterns(cells, cls, options))


def patch_sizes(field, cls=None, *, wrap=True, neighbourhood=4):
    """The sizes of the patches of one class of field (see patterns), one
    per patch, as a numpy int64 array in the order of each patch's first
    cell in the array's memory order."""
    cells, cls, options = _request(field, cls, wrap, neighbourhood, 4, "estimate", 10)
    return _tidmar.patch_sizes(cells, cls, options)


def fit_sizes(sizes, *, xmin="estimate", min_tail=10):
    """The fits of patterns (xmin, n_tail, pl_alpha, ..., best, plrange) for
    any sample of patch sizes, such as the sizes of many fields pooled
    (numpy.concatenate of patch_sizes)."""
    sizes = _np.asarray(sizes)
    if sizes.ndim != 1 or (sizes.size and sizes.dtype.kind not in "iu"):
        raise TypeError("sizes: expected a one-dimensional sequence of whole numbers")
    options = [("--xmin", _option_text("xmin", xmin)), ("--min-tail", _option_text("min_tail", min_tail))]
    return PatternSummary(_tidmar.fit_sizes(sizes.astype(_np.int64), options))
