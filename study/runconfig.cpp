// SPDX-License-Identifier: GPL-3.0-or-later
#include "runconfig.h"

#include "batcherror.h"

std::string patternName(const Pattern& pattern)
{
    switch (pattern.kind) {
    case PatternKind::Young:
        return "young";
    case PatternKind::Line:
        return "line";
    case PatternKind::Random:
        return "random:" + pattern.path;
    case PatternKind::File:
        break;
    }
    return pattern.path;
}

Pattern parsePattern(std::string_view text)
{
    if (text == "young")
        return {PatternKind::Young, {}, {}, {}};
    if (text == "line")
        return {PatternKind::Line, {}, {}, {}};
    if (text.empty())
        throw BatchError("an empty name is not young, line, random:... or the name of a CSV file");
    constexpr std::string_view Random = "random:";
    if (text.substr(0, Random.size()) == Random) {
        const std::string_view start = text.substr(Random.size());
        return {PatternKind::Random, std::string(start), {}, parseRandomStart(start)};
    }
    return {PatternKind::File, std::string(text), {}, {}};
}
