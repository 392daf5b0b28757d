#pragma once

#include "runconfig.h"

#include <string>
#include <string_view>
#include <vector>

// One swept parameter of a sweep (--vary NAME=LIST).
enum class VaryName { A2, A0, D0, A3, A4, Jump, Scheme };

struct Variation {
    VaryName name;
    std::vector<int> values;  // thousandths, jump distances or scheme numbers
};

// Reads NAME=LIST. LIST is comma-separated items, each a single value or a
// range FROM:TO:STEP that holds FROM, FROM + STEP, ... up to and including
// TO where reached. Probabilities are read and stepped exactly in
// thousandths; scheme takes names only. Throws BatchError ("--vary ...").
Variation parseVariation(std::string_view text);

// "a2", "a0", "d0", "a3", "a4", "jump", "scheme".
std::string_view varyNameText(VaryName name);

// The one-run option that sets the same parameter ("--a2", ..., "--scheme").
std::string varyOption(VaryName name);

void applyVariation(RunConfig& config, VaryName name, int value);
