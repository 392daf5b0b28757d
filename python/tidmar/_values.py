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


def _column_kind(name):
    """How the summary column name is read: the same whatever its values."""
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
    pattern strings, everything else ints."""
    import csv

    names = next(csv.reader([header]))
    kinds = [_column_kind(name) for name in names]
    table = [[kind(text) for kind, text in zip(kinds, row)] for row in csv.reader(rows)]
    return names, table
