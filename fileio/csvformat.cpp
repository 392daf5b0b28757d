// SPDX-License-Identifier: GPL-3.0-or-later
#include "csvformat.h"

std::string stateColumns(std::string_view prefix)
{
    std::string columns;
    for (std::string_view name : StateColumns) {
        if (!columns.empty())
            columns += ',';
        columns += prefix;
        columns += name;
    }
    return columns;
}

std::string csvField(std::string_view text)
{
    if (text.find_first_of(",\"\r\n") == std::string_view::npos)
        return std::string(text);
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

std::string countsHeader()
{
    return "step," + stateColumns("") + "\n";
}

std::string countsRow(long step, const std::array<long, StateCount>& counts)
{
    std::string row = std::to_string(step);
    for (long count : counts)
        row += ',' + std::to_string(count);
    return row + '\n';
}
