// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cellstate.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// What --stop-when names: a group of states whose cells have all gone. A run
// with a condition ends after the first step (or at the start) at which the
// group has no cell; "never" ends no run but, like every condition, adds the
// extinction times to the summary.
struct StopCondition {
    const char* name;
    std::array<bool, StateCount> states;  // in the order -1, 0, 1, 2, 3
};

inline constexpr StopCondition StopConditions[] = {
    {"never", {false, false, false, false, false}},
    {"predators-extinct", {true, true, false, false, false}},
    {"mussels-extinct", {false, false, false, true, true}},
    {"young-extinct", {false, false, false, true, false}},
    {"adults-extinct", {false, false, false, false, true}},
    {"predator-on-adults-extinct", {true, false, false, false, false}},
    {"predator-on-young-extinct", {false, true, false, false, false}},
    {"empty-extinct", {false, false, true, false, false}},
};

// The index of name in StopConditions, or nothing.
std::optional<int> stopConditionIndex(std::string_view name);
// The names, for messages and help: "never, predators-extinct, ...".
std::string stopConditionNames();

// The groups whose extinction the summary records: each state, then mussels
// (young and adult) and predators (on young and on adults).
constexpr int ExtinctionGroups = StateCount + 2;

// The first step at which each group had no cell, -1 while it has had.
struct ExtinctionSteps {
    std::array<std::int64_t, ExtinctionGroups> steps;
    ExtinctionSteps() { steps.fill(-1); }
    // Notes the counts after step.
    void note(std::int64_t step, const std::array<long, StateCount>& counts);
    // Whether the group of condition has no cell in counts.
    static bool holds(int condition, const std::array<long, StateCount>& counts);
};
