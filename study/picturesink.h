// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "imageformats.h"
#include "runoutput.h"
#include "sizefits.h"

#include <string>
#include <vector>

class Bed;
struct SweepPlan;

// One distribution of patch sizes on a patch plot, with its fits.
struct PatchCurve {
    std::string label;
    SizeCounts counts;
    SizeFits fits;
};

// What the front end draws for the commands, which draw nothing themselves:
// each returns the bytes of the file in the format asked for and throws
// BatchError when it cannot. May be called from several threads at once.
class PictureSink {
public:
    virtual ~PictureSink() = default;
    // The current field in the program's colours, cellSize pixels a cell edge.
    virtual std::string field(const Bed& bed, int cellSize, PictureFormat format) const = 0;
    // The five fractions of a run's field over its steps.
    virtual std::string runPlot(const std::vector<CountsAt>& series, const RunConfig& config,
                                PlotFormat format) const = 0;
    // The window means of a sweep's runs against its first varied number.
    virtual std::string sweepPlot(const std::vector<RunOutput>& runs, const SweepPlan& plan,
                                  PlotFormat format) const = 0;
    // The share of patches of size >= s against s, both axes logarithmic,
    // with the fitted curves over each tail.
    virtual std::string patchPlot(const std::vector<PatchCurve>& curves, const std::string& title,
                                  PlotFormat format) const = 0;
};
