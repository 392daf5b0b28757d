// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "patternsummary.h"

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
