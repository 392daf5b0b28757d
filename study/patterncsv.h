// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "patternsummary.h"
#include "runoutput.h"

#include <string>

// A value of the patterns' columns as CSV text: numbers in the shortest
// form that reads back as the same double, true/false, empty when empty.
std::string patternCell(const PatternValue& value);

// Each value after a comma.
template <std::size_t N>
std::string patternCells(const std::array<PatternValue, N>& values)
{
    std::string text;
    for (const PatternValue& value : values)
        text += ',' + patternCell(value);
    return text;
}

// The summary's columns of the classes, after today's: for each class its
// name and "_" before every column of the patterns (gap_cover, ...), each
// after a comma.
std::string patternSummaryHeader(const std::vector<PatchClass>& classes);
// The line (a header or a row ending in a line end) with those columns.
std::string withPatternColumns(const std::string& line, const std::string& columns);
// A run's values of those columns, each after a comma.
std::string patternSummaryCells(const RunOutput& output, const FitSettings& fit);

// The patch size series (--patterns): [run,]step,class,size,count.
std::string patchSeriesHeader(bool withRun);
std::string patchSeriesRows(const RunOutput& output, const std::vector<PatchClass>& classes, bool withRun);
// The rows of sizes, each after prefix ("run," or nothing).
std::string patchSizesRows(const std::string& prefix, const std::vector<PatchSizesAt>& sizes,
                           const std::vector<PatchClass>& classes);
