# SPDX-License-Identifier: GPL-3.0-or-later
"""The desktop program's cell colours for matplotlib."""

from . import _tidmar

CODES = (-1, 0, 1, 2, 3)


def _hex(argb):
    return "#{:06x}".format(argb & 0xFFFFFF)


#: The colour of each cell code as "#rrggbb", as the desktop program draws it.
colours = {code: _hex(argb) for code, argb in zip(CODES, _tidmar.STATE_COLOURS)}

#: The colour of anything that is not a cell state (e.g. the previous field's
#: mark of an edited cell).
other_colour = _hex(_tidmar.OTHER_COLOUR)


def colormap():
    """A matplotlib ListedColormap of the five states and a BoundaryNorm that
    maps each code -1 .. 3 onto its colour; other values are drawn in
    other_colour. Returns (cmap, norm). Needs matplotlib."""
    from matplotlib.colors import BoundaryNorm, ListedColormap

    cmap = ListedColormap([colours[code] for code in CODES], name="tidmar")
    cmap.set_under(other_colour)
    cmap.set_over(other_colour)
    norm = BoundaryNorm([code - 0.5 for code in CODES] + [CODES[-1] + 0.5], len(CODES))
    return cmap, norm


def imshow_args():
    """Keyword arguments for matplotlib's imshow that draw a field as the
    desktop program does: plt.imshow(bed.field, **tidmar.imshow_args())."""
    cmap, norm = colormap()
    return {"cmap": cmap, "norm": norm, "interpolation": "nearest"}
