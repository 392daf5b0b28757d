// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "runconfig.h"
#include "values.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// One swept parameter of a sweep (--vary NAME=LIST).
enum class VaryName { A2, A0, D0, A3, A4, Jump, Scheme, Width, Height, Boundary, LongRange, Pattern, Steps };

struct Variation {
    VaryName name;
    // Millionths, jump distances, scheme numbers, cells, steps, 1/0 for
    // periodic/closed and on/off, or indices into patterns.
    std::vector<int> values;
    std::vector<Pattern> patterns;  // Pattern only: young, line or files, as listed
};

// Reads NAME=LIST. LIST is comma-separated items, each a single value or,
// for numbers, a range FROM:TO:STEP that holds FROM, FROM + STEP, ... up to
// and including TO where reached. Probabilities are read and stepped exactly
// in millionths; scheme, boundary, long-range and pattern take names only.
// Throws BatchError ("--vary ...", or option as given).
Variation parseVariation(std::string_view text, const std::string& option = "--vary");

// The variation of the parameter key (as parseVariation names it, or with
// '_' for '-') through a list of typed values: each text a LIST as above,
// each number read as the parameter's own reader reads it (0.1 + 0.2 is
// 0.3). Messages name the values "OPTION KEY: ...".
Variation readVariation(std::string_view key, const std::vector<Value>& values, const std::string& option);

// "a2", "a0", "d0", "a3", "a4", "jump", "scheme", "width", "height",
// "boundary", "long-range", "pattern", "steps".
std::string_view varyNameText(VaryName name);

// The one-run option that sets the same parameter ("--a2", ..., "--steps").
std::string varyOption(VaryName name);

// Whether the parameter is a number a plot can take as its axis.
bool isNumeric(VaryName name);

// value, one of variation.values, as the command line spells it.
std::string valueText(const Variation& variation, int value);

// Sets the parameter to value, one of variation.values. A file pattern (read
// by loadPatterns) brings its field's size.
void applyVariation(RunConfig& config, const Variation& variation, int value);

// The numbers of steps the runs take: the varied ones or the base's.
std::vector<std::int64_t> stepCounts(const RunConfig& base, const std::vector<Variation>& variations);
