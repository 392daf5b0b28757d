# SPDX-License-Identifier: GPL-3.0-or-later
"""Python values as the command line's option texts.

The compiled part reads every value with tidmar-batch's own reader, so a
value is handed over as the text one would type: 0.3 as "0.3", True as "on".
A value of the wrong kind altogether is a TypeError here; a text the reader
refuses is a ValueError there, in the command line's words.
"""

import numbers


def option_text(name, value):
    """The option text of value for the keyword name."""
    if isinstance(value, str):
        return value
    if isinstance(value, bool):
        return "on" if value else "off"
    if isinstance(value, numbers.Integral):
        return str(int(value))
    if isinstance(value, numbers.Real):
        return repr(float(value))
    raise TypeError(f"{name}: expected a number or a string, not {type(value).__name__}")


def option_name(name):
    """The command line's option for a keyword: long_range -> --long-range."""
    return "--" + name.replace("_", "-")


def arguments(values):
    """Command-line arguments from keyword values; None leaves a value out."""
    result = []
    for name, value in values.items():
        if value is not None:
            result += [option_name(name), option_text(name, value)]
    return result


def typed_columns(header, rows):
    """Summary rows (CSV text lines) as lists of values. A column whose every
    value reads as an integer holds ints; one that reads as numbers, floats;
    one of only true and false, bools; any other, strings. Empty values in a
    column of numbers (an extinction that never came) are None."""
    import csv

    names = next(csv.reader([header]))
    table = list(csv.reader(rows))
    for column in range(len(names)):
        texts = [row[column] for row in table]
        if all(text == "" for text in texts):
            continue
        for kind in (int, float, _boolean):
            try:
                values = [kind(text) if text != "" else None for text in texts]
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
