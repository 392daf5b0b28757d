// SPDX-License-Identifier: GPL-3.0-or-later
#include "fieldpatterns.h"

#include "indicators.h"

#include <algorithm>

FieldAnalyser::FieldAnalyser(int rows, int cols)
    : mask_(static_cast<std::size_t>(rows) * cols), columnOnes_(static_cast<std::size_t>(cols)), labeller_(rows, cols)
{
}

std::size_t FieldAnalyser::bytesFor(int rows, int cols)
{
    return static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols) + 4 * static_cast<std::size_t>(cols)
           + PatchLabeller::bytesFor(rows, cols);
}

void FieldAnalyser::labelOnly(const PatternSettings& settings)
{
    labeller_.label(mask_.data(), settings.periodic, settings.neighbourhood);
}

FieldMeasures FieldAnalyser::measure(const PatternSettings& settings)
{
    const int rows = labeller_.rows(), cols = labeller_.cols();
    labelOnly(settings);
    FieldMeasures measures;
    long cells = 0;
    for (long size : labeller_.sizes()) {
        cells += size;
        measures.maxSize = std::max(measures.maxSize, size);
    }
    measures.cover = static_cast<double>(cells) / static_cast<double>(mask_.size());
    measures.patches = labeller_.patchCount();
    if (measures.patches > 0)
        measures.meanSize = static_cast<double>(cells) / static_cast<double>(measures.patches);
    measures.spans = labeller_.spans();
    const BlockMoments moments = blockMoments(mask_.data(), rows, cols, settings.coarseGrain, columnOnes_.data());
    measures.variance = moments.variance;
    measures.skewness = moments.skewness;
    measures.moran = moransI(mask_.data(), rows, cols, settings.periodic);
    return measures;
}
