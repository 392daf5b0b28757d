// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A class of cells: the set of codes whose cells form the patches, by one of
// the names below or as a comma-separated list of codes ("1" for the ones of
// a 0/1 field).
struct PatchClass {
    std::string name;       // as given: "gap", "mussel", "2,3", ...
    std::vector<int> codes; // sorted, distinct

    bool contains(long code) const;
};

// The named classes: gap (-1, 0, 1), empty (1), mussel (2, 3), young (2),
// adult (3), predator (-1, 0).
// Reads a class name or a code list; on failure returns false and says why.
bool parsePatchClass(const std::string& text, PatchClass& out, std::string* error);

// Writes 1 into mask[i] where codes[i] is in the class, 0 elsewhere.
void classify(const std::int8_t* codes, long count, const PatchClass& cls, std::uint8_t* mask);
void classify(const std::uint8_t* codes, long count, const PatchClass& cls, std::uint8_t* mask);
void classify(const std::int16_t* codes, long count, const PatchClass& cls, std::uint8_t* mask);
void classify(const std::int32_t* codes, long count, const PatchClass& cls, std::uint8_t* mask);
void classify(const std::int64_t* codes, long count, const PatchClass& cls, std::uint8_t* mask);
