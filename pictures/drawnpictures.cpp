// SPDX-License-Identifier: GPL-3.0-or-later
#include "drawnpictures.h"

#include "picture.h"
#include "patchplot.h"
#include "plot.h"

namespace {

std::string bytesOf(const QByteArray& bytes)
{
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

} // namespace

std::string DrawnPictures::field(const Bed& bed, int cellSize, PictureFormat format) const
{
    return bytesOf(encodePicture(drawField(bed, cellSize, style), format));
}

std::string DrawnPictures::runPlot(const std::vector<CountsAt>& series, const RunConfig& config,
                                   PlotFormat format) const
{
    return bytesOf(plotRun(series, config, style, format));
}

std::string DrawnPictures::sweepPlot(const std::vector<RunOutput>& runs, const SweepPlan& plan,
                                     PlotFormat format) const
{
    return bytesOf(plotSweep(runs, plan, style, format));
}

std::string DrawnPictures::patchPlot(const std::vector<PatchCurve>& curves, const std::string& title,
                                     PlotFormat format) const
{
    return bytesOf(plotPatches(curves, title, format));
}
