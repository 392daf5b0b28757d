// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cellstate.h"
#include "modelparameters.h"
#include "ran1.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class MusselBed;
class FastBed;

// The whole state of either engine between two steps, as plain values: the
// field, the parameters and the generators, all a run needs to go on as if it
// had never stopped. Caches the steps rebuild from these are left out.
struct EngineState {
    bool fast = false;  // FastBed's state, else MusselBed's
    int width = 0;
    int height = 0;
    ModelParameters parameters;
    // Cell (x, y) at x * height + y. previous is the exact engine's field
    // before the last step (RedrawMark where the mouse edited); the fast
    // engine keeps none, and previous stays empty.
    std::vector<Cell> current;
    std::vector<Cell> previous;
    // The exact engine's generators.
    Ran1::State ran1{};
    std::uint32_t rand15 = 0;
    // The fast engine's: the Philox key and synchronous step count, xoshiro.
    std::array<std::uint32_t, 2> philoxKey{};
    std::uint64_t syncSteps = 0;
    std::array<std::uint64_t, 4> xoshiro{};
};

EngineState stateOf(const MusselBed& bed);
EngineState stateOf(const FastBed& bed);

// Puts state into bed, resizing it. Refuses (false, a message in *error,
// nothing changed) a state of the other engine, a size outside 1..MaxCells
// or cells that are no state codes.
bool restoreState(MusselBed& bed, const EngineState& state, std::string* error);
bool restoreState(FastBed& bed, const EngineState& state, std::string* error);
