// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

// One cell of a lattice. Cells hold a CellState; the previous lattice may also
// hold RedrawMark, which the mouse editor writes to force a cell's redraw.
using Cell = std::int32_t;

enum CellState : Cell {
    PredatorOnAdults = -1,
    PredatorOnYoung = 0,
    Empty = 1,
    YoungMussel = 2,
    AdultMussel = 3,
};

constexpr Cell RedrawMark = -999;
constexpr int StateCount = 5;

constexpr bool isCellState(Cell value)
{
    return value >= PredatorOnAdults && value <= AdultMussel;
}

// Index 0..4 of a state in the order -1, 0, 1, 2, 3 used by counts and fractions.
constexpr int stateIndex(Cell state)
{
    return state + 1;
}
