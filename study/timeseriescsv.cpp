// SPDX-License-Identifier: GPL-3.0-or-later
#include "timeseriescsv.h"

#include "csvformat.h"

std::string timeSeriesHeader()
{
    return "run," + countsHeader();
}

std::string timeSeriesRows(const RunOutput& output)
{
    const std::string prefix = std::to_string(output.run) + ',';
    std::string rows;
    for (const CountsAt& entry : output.timeSeries)
        rows += prefix + countsRow(static_cast<long>(entry.step), entry.counts);
    return rows;
}
