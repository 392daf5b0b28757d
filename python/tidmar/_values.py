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


def typed_columns(header, rows):
    """Summary rows (CSV text lines) as lists of values. A column whose every
    value reads as an integer holds ints; one that reads as numbers, floats;
    one of only true and false, bools; any other, strings."""
    import csv

    names = next(csv.reader([header]))
    table = list(csv.reader(rows))
    for column in range(len(names)):
        texts = [row[column] for row in table]
        for kind in (int, float, _boolean):
            try:
                values = [kind(text) for text in texts]
            except ValueError:
                continue
            for row, value in zip(table, values):
                row[column] = value
            break
    return names, table


def _boolean(text):
    """True or False for the summary's "true" and "false"."""
    if text not in ("true", "false"):
        raise ValueError(text)
    return text == "true"
