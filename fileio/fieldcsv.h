// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cellstate.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class MusselBed;

// A start field read from a file: codes row by row, codes[y * width + x].
struct FieldData {
    int width = 0;
    int height = 0;
    std::vector<Cell> codes;
    std::string sha256;  // of the file's bytes, in lower-case hex
};

// Reads a field written as CSV: one line per y from 0 down, each holding the
// codes for x = 0, 1, ... separated by commas, no header. Accepts \n and \r\n
// line ends, a final newline or not, blank lines at the very end, blanks
// (spaces, tabs) around values and a leading UTF-8 byte-order mark. Refuses
// empty files, empty lines or values inside the field, ragged rows,
// non-integers, codes outside -1..3 and more than 16384 lines or values per
// line (the fast engine's largest field), naming the line and column (columns count values from 1).
//
// The parser takes the text in pieces of any size, so that a file is read in
// bounded memory however long its lines are.
class FieldCsvParser {
public:
    // Throws BatchError; the message starts with "line N" unless the whole
    // file is at fault.
    void feed(std::string_view text);
    FieldData finish();

private:
    void onCharacter(char c);
    void endValue();
    void endLine();
    [[noreturn]] void fail(const std::string& what) const;
    [[noreturn]] void failAtValue(const std::string& what) const;

    FieldData field;
    long line = 1;
    int column = 1;
    int valuesInLine = 0;
    bool lineHasContent = false;
    bool valueStarted = false;
    bool valueEnded = false;  // blanks after a value: only ',' or a line end may follow
    bool pendingReturn = false;
    long emptyLine = 0;  // first empty line since the last row, 0 if none
    int bomMatched = 0;
    std::string value;
};

// The parser on a whole text.
FieldData parseFieldCsv(std::string_view text);

// The largest field file read: 16384 lines of 16384 two-character codes,
// each with a blank on either side, \r\n line ends and a byte-order mark.
// Larger files are refused before they are read.
constexpr std::int64_t MaxFieldCsvBytes = 3 + std::int64_t{16384} * (16384 * 4 + 16383 + 2);

// The parser on a regular file or, for "-", standard input (see openInput);
// errors name the file.
FieldData readFieldCsv(const std::string& path);

// A field in the same form, with \n line ends: field.cell(x, y) for x below
// width and y below height.
template <class Field>
std::string fieldCsvOf(const Field& field, int width, int height)
{
    std::string text;
    text.reserve(static_cast<std::size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (x > 0)
                text.push_back(',');
            const Cell code = field.cell(x, y);
            if (code < 0)
                text.push_back('-');
            text.push_back(static_cast<char>('0' + (code < 0 ? -code : code)));
        }
        text.push_back('\n');
    }
    return text;
}

// The current field of bed.
std::string fieldCsv(const MusselBed& bed);
