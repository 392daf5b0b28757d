// SPDX-License-Identifier: GPL-3.0-or-later
#include "runconfig.h"

std::string patternName(const Pattern& pattern)
{
    switch (pattern.kind) {
    case PatternKind::Young:
        return "young";
    case PatternKind::Line:
        return "line";
    case PatternKind::File:
        break;
    }
    return pattern.path;
}
