// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "runoutput.h"
#include "sweepplan.h"
#include "variation.h"
#include "imageformats.h"
#include "picturestyle.h"

#include <QByteArray>

#include <vector>

constexpr int PlotWidth = 960;
constexpr int PlotHeight = 600;

// The five fractions of a run's field over its steps (or the lines of
// style), in the style's palette, with labelled axes, ticks and a legend.
QByteArray plotRun(const std::vector<CountsAt>& series, const RunConfig& config, const PictureStyle& style,
                   PlotFormat format);

// The window mean of each state (or each line of style) against the first varied number, with error
// bars of one standard deviation over the replicates and each replicate as a
// faint point beside it, the predators ten times exaggerated; a panel per
// value of the next varied parameter (up to 12 values), one line per value
// of any further ones (dashed, dotted, ...). The title names the values held
// fixed. Throws BatchError when no numeric parameter is varied.
QByteArray plotSweep(const std::vector<RunOutput>& runs, const SweepPlan& plan, const PictureStyle& style,
                     PlotFormat format);
