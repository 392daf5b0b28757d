// SPDX-License-Identifier: GPL-3.0-or-later
#include "patterncsv.h"

#include "numbers.h"

#include <type_traits>

std::string patternCell(const PatternValue& value)
{
    return std::visit(
        [](const auto& held) -> std::string {
            using T = std::decay_t<decltype(held)>;
            if constexpr (std::is_same_v<T, std::monostate>)
                return {};
            else if constexpr (std::is_same_v<T, long>)
                return std::to_string(held);
            else if constexpr (std::is_same_v<T, double>)
                return formatRoundTrip(held);
            else if constexpr (std::is_same_v<T, bool>)
                return held ? "true" : "false";
            else
                return held;
        },
        value);
}

std::string patternSummaryHeader(const std::vector<PatchClass>& classes)
{
    std::string header;
    for (const PatchClass& cls : classes)
        for (const char* column : PatternColumns)
            header += ',' + cls.name + '_' + column;
    return header;
}

std::string withPatternColumns(const std::string& line, const std::string& columns)
{
    return line.substr(0, line.size() - 1) + columns + '\n';
}

std::string patternSummaryCells(const RunOutput& output, const FitSettings& fit)
{
    std::string cells;
    for (const WindowPatterns& window : output.patterns)
        cells += patternCells(window.values(fit));
    return cells;
}

std::string patchSeriesHeader(bool withRun)
{
    return std::string(withRun ? "run," : "") + "step,class,size,count\n";
}

std::string patchSeriesRows(const RunOutput& output, const std::vector<PatchClass>& classes, bool withRun)
{
    return patchSizesRows(withRun ? std::to_string(output.run) + ',' : std::string(), output.patchSeries, classes);
}

std::string patchSizesRows(const std::string& prefix, const std::vector<PatchSizesAt>& sizes,
                           const std::vector<PatchClass>& classes)
{
    std::string rows;
    for (const PatchSizesAt& at : sizes) {
        const std::string start = prefix + std::to_string(at.step) + ',' + classes[at.classIndex].name + ',';
        for (const auto& [size, count] : at.counts)
            rows += start + std::to_string(size) + ',' + std::to_string(count) + '\n';
    }
    return rows;
}
