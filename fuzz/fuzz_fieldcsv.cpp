// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target: the field CSV reader behind --pattern PATH.csv, on the bytes of
// one file.
//
// Every input must be read as a field or refused with a BatchError, and:
//  - the text fed whole, byte by byte and in uneven pieces gives the same
//    field or the same refusal, as a file is read in pieces of any size;
//  - a field read is 1..16384 cells a side and holds only cell codes;
//  - the exact engine (the fast one beyond 2048 a side) takes it as a start
//    field, and the field written back out
//    as --field writes it reads back cell for cell;
//  - a refusal names a line, unless the whole file holds no cells.

#include "batcherror.h"
#include "fieldcsv.h"
#include "fuzzcheck.h"
#include "fastbed.h"
#include "musselbed.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace {

struct Outcome {
    std::optional<FieldData> field;
    std::string refusal;
};

bool operator==(const Outcome& a, const Outcome& b)
{
    if (a.field.has_value() != b.field.has_value())
        return false;
    if (!a.field)
        return a.refusal == b.refusal;
    return a.field->width == b.field->width && a.field->height == b.field->height
           && a.field->codes == b.field->codes;
}

Outcome readWhole(std::string_view text)
{
    try {
        return {parseFieldCsv(text), {}};
    } catch (const BatchError& error) {
        return {std::nullopt, error.what()};
    }
}

// An empty piece first and last, which must change nothing.
Outcome readInPieces(std::string_view text, std::size_t piece)
{
    FieldCsvParser parser;
    try {
        parser.feed({});
        for (std::size_t start = 0; start < text.size(); start += piece)
            parser.feed(text.substr(start, piece));
        parser.feed({});
        return {parser.finish(), {}};
    } catch (const BatchError& error) {
        return {std::nullopt, error.what()};
    }
}

void checkField(const FieldData& field)
{
    FUZZ_CHECK(field.width >= 1 && field.width <= FastBed::MaxCells);
    FUZZ_CHECK(field.height >= 1 && field.height <= FastBed::MaxCells);
    FUZZ_CHECK(field.codes.size() == static_cast<std::size_t>(field.width) * static_cast<std::size_t>(field.height));
    FUZZ_CHECK(std::all_of(field.codes.begin(), field.codes.end(), isCellState));

    std::string engineRefusal;
    std::string written;
    if (field.width <= MusselBed::MaxCells && field.height <= MusselBed::MaxCells) {
        MusselBed bed(1, 1);
        FUZZ_CHECK(bed.setField(field.width, field.height, field.codes, &engineRefusal));
        written = fieldCsv(bed);
    } else {
        FastBed bed(1, 1);
        FUZZ_CHECK(bed.setField(field.width, field.height, field.codes, &engineRefusal));
        written = fieldCsvOf(bed, bed.cellsX(), bed.cellsY());
    }
    const Outcome back = readWhole(written);
    FUZZ_CHECK(back == (Outcome{field, {}}));
}

void checkRefusal(const std::string& refusal)
{
    FUZZ_CHECK(refusal == "holds no cells" || refusal.rfind("line ", 0) == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const Outcome whole = readWhole(text);
    if (whole.field)
        checkField(*whole.field);
    else
        checkRefusal(whole.refusal);

    FUZZ_CHECK(readInPieces(text, 1) == whole);
    FUZZ_CHECK(readInPieces(text, 2 + size % 7) == whole);
    return 0;
}
