// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cellstate.h"

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

// A start field drawn at random: each cell independently in a state with the
// given probability, the rest in rest (empty rock unless named).
struct RandomStart {
    std::array<double, StateCount> fractions{};  // in the order -1, 0, 1, 2, 3
    Cell rest = Empty;
};

// Reads what follows "random:" in --pattern: NAME=FRACTION items (the state
// names of the counts CSV: predator_on_adults, predator_on_young, empty,
// young, adult), separated by ',' or ';', and rest=NAME. Throws BatchError
// (without the option's name) when a name or fraction is refused or the
// fractions exceed 1.
RandomStart parseRandomStart(std::string_view text);

// The field row by row (codes[y * width + x]), from its own generator seeded
// from seed: the model's generators draw exactly what they draw after any
// other start.
std::vector<Cell> randomField(const RandomStart& start, int width, int height, std::int32_t seed);
