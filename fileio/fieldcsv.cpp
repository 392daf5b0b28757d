// SPDX-License-Identifier: GPL-3.0-or-later
#include "fieldcsv.h"

#include "batcherror.h"
#include "printable.h"
#include "inputfile.h"
#include "fastbed.h"
#include "musselbed.h"
#include "sha256.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <memory>
#include <unistd.h>

namespace {

constexpr std::size_t MaxShownValue = 24;  // longer values are cut in messages
constexpr char ByteOrderMark[] = "\xEF\xBB\xBF";

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

} // namespace

void FieldCsvParser::fail(const std::string& what) const
{
    throw BatchError("line " + std::to_string(line) + " " + what);
}

void FieldCsvParser::failAtValue(const std::string& what) const
{
    throw BatchError("line " + std::to_string(line) + ", column " + std::to_string(column) + ": " + what);
}

void FieldCsvParser::feed(std::string_view text)
{
    // A leading UTF-8 byte-order mark, as spreadsheets write one, is skipped;
    // a partial one is handed on as ordinary characters.
    for (char c : text) {
        if (bomMatched < 3) {
            if (c == ByteOrderMark[bomMatched]) {
                ++bomMatched;
                continue;
            }
            for (int i = 0; i < bomMatched; ++i)
                onCharacter(ByteOrderMark[i]);
            bomMatched = 3;
        }
        onCharacter(c);
    }
}

void FieldCsvParser::onCharacter(char c)
{
    if (pendingReturn) {
        if (c != '\n')
            fail("has a carriage return inside it (only \\r\\n may end a line)");
        pendingReturn = false;
    }
    if (c == '\r') {
        pendingReturn = true;
        return;
    }
    if (c == '\n') {
        endLine();
        return;
    }
    if (c == ',') {
        endValue();
        ++column;
        lineHasContent = true;
        return;
    }
    if (isBlank(c)) {
        if (valueStarted)
            valueEnded = true;
        return;
    }
    lineHasContent = true;
    if (valueEnded)
        failAtValue(inQuotes(value + " " + c + "...") + " is not one cell code (values are separated by commas)");
    valueStarted = true;
    if (value.size() <= MaxShownValue)
        value.push_back(c);
}

void FieldCsvParser::endValue()
{
    if (!valueStarted)
        failAtValue("empty value");
    if (emptyLine != 0)
        throw BatchError("line " + std::to_string(emptyLine) + " is empty");
    if (valuesInLine == FastBed::MaxCells)
        fail("has more than " + std::to_string(FastBed::MaxCells) + " values, the widest field");
    if (field.height == FastBed::MaxCells)
        fail("lies beyond " + std::to_string(FastBed::MaxCells) + " lines, the highest field");

    int code = 0;
    const char* end = value.data() + value.size();
    const auto [stop, error] = std::from_chars(value.data(), end, code);
    if (value.size() > MaxShownValue || error != std::errc() || stop != end || !isCellState(code)) {
        const std::string shown = value.size() > MaxShownValue ? value.substr(0, MaxShownValue) + "..." : value;
        failAtValue(inQuotes(shown) + " is not a cell code (-1, 0, 1, 2 or 3)");
    }
    field.codes.push_back(code);
    ++valuesInLine;
    value.clear();
    valueStarted = false;
    valueEnded = false;
}

void FieldCsvParser::endLine()
{
    if (!lineHasContent) {
        if (emptyLine == 0)
            emptyLine = line;
    } else {
        endValue();
        if (field.height == 0)
            field.width = valuesInLine;
        else if (valuesInLine != field.width)
            fail("has " + std::to_string(valuesInLine) + " values where line 1 has "
                 + std::to_string(field.width));
        ++field.height;
    }
    ++line;
    column = 1;
    valuesInLine = 0;
    lineHasContent = false;
}

FieldData FieldCsvParser::finish()
{
    for (int i = 0; bomMatched < 3 && i < bomMatched; ++i)
        onCharacter(ByteOrderMark[i]);
    if (lineHasContent)
        endLine();
    if (field.height == 0)
        throw BatchError("holds no cells");
    return std::move(field);
}

FieldData parseFieldCsv(std::string_view text)
{
    FieldCsvParser parser;
    parser.feed(text);
    return parser.finish();
}

FieldData readFieldCsv(const std::string& path)
{
    const std::string name = path == "-" ? std::string("standard input") : inQuotes(path);
    const Descriptor file = openInput(path, MaxFieldCsvBytes, name);
    FieldCsvParser parser;
    Sha256 hash;
    try {
        // Standard input has no size to check beforehand: its bytes are counted.
        std::int64_t total = 0;
        char buffer[1 << 16];
        for (;;) {
            const ssize_t got = ::read(file.get(), buffer, sizeof buffer);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                throw BatchError("cannot read " + name + ": " + std::strerror(errno));
            if (got == 0) {
                FieldData field = parser.finish();
                field.sha256 = hash.hex();
                return field;
            }
            total += got;
            if (total > MaxFieldCsvBytes)
                throw BatchError(name + " has more than " + std::to_string(MaxFieldCsvBytes)
                                 + " bytes, the most a field can have");
            parser.feed(std::string_view(buffer, static_cast<std::size_t>(got)));
            hash.add(std::string_view(buffer, static_cast<std::size_t>(got)));
        }
    } catch (const BatchError& error) {
        const std::string what = error.what();
        if (what.rfind("line ", 0) == 0 || what == "holds no cells")
            throw BatchError(name + (what.rfind("line ", 0) == 0 ? ", " : " ") + what);
        throw;
    }
}

std::string fieldCsv(const MusselBed& bed)
{
    return fieldCsvOf(bed, bed.cellsX, bed.cellsY);
}
