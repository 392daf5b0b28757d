// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A rectangular grid of whole-number codes, such as a field of this program
// or a researcher's own classified field (0/1): codes[y * width + x].
struct CodeGrid {
    int width = 0;
    int height = 0;
    std::vector<std::int32_t> codes;
};

// The most cells a grid may have on a side.
constexpr int MaxCodeGridSide = 16384;

// Reads a CSV of whole numbers without a header, one row per line: \n or
// \r\n line ends, blanks around values, a final newline or not, blank lines
// at the end and a UTF-8 byte-order mark are accepted. Refuses (BatchError,
// "line N" and, for values, "column C" after where) an empty text, ragged
// rows, empty values, anything but a whole number within 32 bits and more
// than MaxCodeGridSide rows or values a row.
CodeGrid parseCodeGrid(std::string_view text, const std::string& where);

// The same on a regular file, for messages named by where.
CodeGrid readCodeGrid(const std::string& path, const std::string& where);
