// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "imageformats.h"
#include "picturesink.h"
#include "plot.h"

#include <QByteArray>
#include <QColor>

#include <string>
#include <vector>

// The colours of the fitted models on a plot of a single distribution.
inline const QColor PowerLawColour(0x1f, 0x77, 0xb4);  // blue
inline const QColor CutOffColour(0xd6, 0x27, 0x28);    // red
inline const QColor ExponentialColour(0x2c, 0xa0, 0x2c); // green

// The share of patches of size >= s against s, both axes logarithmic. One
// curve: its points in grey with the pl, tpl and exp fits over the tail in
// their colours, the best drawn bold and named so in the legend. Several:
// each in its own colour with its best fit.
QByteArray plotPatches(const std::vector<PatchCurve>& curves, const std::string& title, PlotFormat format);
