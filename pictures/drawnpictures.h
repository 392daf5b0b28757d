// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "picturesink.h"
#include "picturestyle.h"

// The pictures and plots of tidmar-batch, drawn with QPainter in style.
class DrawnPictures : public PictureSink {
public:
    explicit DrawnPictures(PictureStyle style = {}) : style(std::move(style)) {}

    std::string field(const Bed& bed, int cellSize, PictureFormat format) const override;
    std::string runPlot(const std::vector<CountsAt>& series, const RunConfig& config,
                        PlotFormat format) const override;
    std::string sweepPlot(const std::vector<RunOutput>& runs, const SweepPlan& plan,
                          PlotFormat format) const override;
    std::string patchPlot(const std::vector<PatchCurve>& curves, const std::string& title,
                          PlotFormat format) const override;

private:
    PictureStyle style;
};
