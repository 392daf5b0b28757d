# SPDX-License-Identifier: GPL-3.0-or-later
"""Python values as the compiled readers take them.

The compiled part reads every value with the typed readers tidmar-batch
reads its options with: a bool, an int, a float or a str, each checked as
its kind (0.1 + 0.2 is the probability 0.3; 200.0 is the whole number 200).
A value of the wrong kind altogether is a TypeError here; a value the reader
refuses is a ValueError there, naming the Python argument.
"""

import numbers

import numpy as _np


def value(name, given):
    """given as the readers take it, for the argument name."""
    if isinstance(given, str):
        return given
    if isinstance(given, (bool, _np.bool_)):
        return bool(given)
    if isinstance(given, numbers.Integral):
        number = int(given)
        # Beyond 64 bits the reader sees the digits, and refuses them in range.
        return number if -2**63 <= number < 2**63 else str(number)
    if isinstance(given, numbers.Real):
        return float(given)
    raise TypeError(f"{name}: expected a number or a string, not {type(given).__name__}")


def settings(values):
    """(name, value) pairs for the readers; None leaves a value out."""
    return [(name, value(name, given)) for name, given in values.items() if given is not None]


# The summary's columns that are not whole numbers, by kind.
_TEXT_COLUMNS = ("scheme", "boundary", "pattern", "mode", "pattern_sha256")
_FLAG_COLUMNS = {"long_range": "on", "generator_period_passed": "true"}


# The columns of the patches (after a class's name and "_"): whole numbers,
# a name, numbers; each may be empty (None).
_PATTERN_COLUMNS = ("cover", "patches", "mean_size", "max_size", "spans", "variance", "skewness", "moran",
                    "xmin", "n_tail", "pl_alpha", "pl_loglik", "tpl_alpha", "tpl_lambda", "tpl_loglik",
                    "exp_lambda", "exp_loglik", "best", "plrange")


def _pattern_kind(column):
    if column == "best":
        return lambda text: text or None
    if column in ("xmin", "n_tail"):
        return lambda text: int(text) if text else None
    return lambda text: float(text) if text else None


def _column_kind(name):
    """How the summary column name is read: the same whatever its values."""
    if name.partition("_")[2] in _PATTERN_COLUMNS:
        return _pattern_kind(name.partition("_")[2])
    if name in _TEXT_COLUMNS:
        return str
    if name in _FLAG_COLUMNS:
        return lambda text: text == _FLAG_COLUMNS[name]
    if name in ("a2", "a0", "d0", "a3", "a4") or name.startswith(("mean_", "sd_")):
        return float
    return int


def typed_columns(header, rows):
    """Summary rows (CSV text lines) as lists of values, each column of one
    kind whatever its values: probabilities, means and spreads floats, the
    flags long_range and generator_period_passed bools, names and the
    pattern strings, everything else ints; an empty whole number (an
    extinction that never came) is None."""
    import csv

    names = next(csv.reader([header]))
    kinds = [_column_kind(name) for name in names]
    table = [[None if kind is int and text == "" else kind(text) for kind, text in zip(kinds, row)]
             for row in csv.reader(rows)]
    return names, table
