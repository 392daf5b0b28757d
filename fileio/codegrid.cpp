// SPDX-License-Identifier: GPL-3.0-or-later
#include "codegrid.h"

#include "batcherror.h"
#include "inputfile.h"
#include "printable.h"

#include <charconv>

namespace {

// A grid of MaxCodeGridSide^2 codes of up to eleven characters, each with a
// comma or line end and a blank on either side.
constexpr std::int64_t MaxCodeGridBytes = std::int64_t{MaxCodeGridSide} * MaxCodeGridSide * 14 + 3;

bool blank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

} // namespace

CodeGrid parseCodeGrid(std::string_view text, const std::string& where)
{
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    // Blank lines at the end are no rows.
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || blank(text.back())))
        text.remove_suffix(1);
    if (text.empty())
        throw BatchError(where + " holds no field");
    CodeGrid grid;
    long line = 0;
    while (!text.empty() || line == 0) {
        ++line;
        const auto end = text.find('\n');
        std::string_view row = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!row.empty() && row.back() == '\r')
            row.remove_suffix(1);
        const std::string at = where + ", line " + std::to_string(line);
        if (line > MaxCodeGridSide)
            throw BatchError(at + ": a field has at most " + std::to_string(MaxCodeGridSide) + " rows");
        int column = 0;
        while (true) {
            ++column;
            const auto comma = row.find(',');
            const std::string_view value = trimmed(row.substr(0, comma));
            std::int32_t code = 0;
            const auto [stop, problem] = std::from_chars(value.data(), value.data() + value.size(), code);
            if (value.empty() || problem != std::errc() || stop != value.data() + value.size())
                throw BatchError(at + ", column " + std::to_string(column) + ": " + inQuotes(value)
                                 + " is not a whole-number code");
            if (column > MaxCodeGridSide)
                throw BatchError(at + ": a field has at most " + std::to_string(MaxCodeGridSide) + " values a row");
            grid.codes.push_back(code);
            if (comma == std::string_view::npos)
                break;
            row.remove_prefix(comma + 1);
        }
        if (line == 1)
            grid.width = column;
        else if (column != grid.width)
            throw BatchError(at + ": " + std::to_string(column) + " values where the first line has "
                             + std::to_string(grid.width));
    }
    grid.height = static_cast<int>(line);
    return grid;
}

CodeGrid readCodeGrid(const std::string& path, const std::string& where)
{
    const Descriptor input = openInput(path, MaxCodeGridBytes, where);
    return parseCodeGrid(readAll(input.get(), MaxCodeGridBytes, where), where);
}
