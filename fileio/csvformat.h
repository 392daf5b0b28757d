// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cellstate.h"

#include <array>
#include <string>
#include <string_view>

// Column names of the five states in the order -1, 0, 1, 2, 3.
inline constexpr std::array<std::string_view, StateCount> StateColumns = {
    "predator_on_adults", "predator_on_young", "empty", "young", "adult"};

// The five names joined by commas, each after prefix.
std::string stateColumns(std::string_view prefix);

// A CSV field: quoted, with doubled quotes, when it holds a comma, a quote
// or a line break; as it is otherwise.
std::string csvField(std::string_view text);

// The header and one row of the per-step counts.
std::string countsHeader();
std::string countsRow(long step, const std::array<long, StateCount>& counts);
