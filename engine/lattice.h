// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cellstate.h"

// A two-dimensional array of cells indexed [x][y]: one contiguous block,
// x-major (the cellsY cells of one x follow each other), reached through a
// table of row starts.
struct Lattice {
    Cell** rows = nullptr;

    Cell* operator[](int x) const { return rows[x]; }
    // The whole block: cell (x, y) is at block()[x * cellsY + y].
    Cell* block() const { return rows[0]; }
    explicit operator bool() const { return rows != nullptr; }
};

// Cells after the last one of every lattice block: they belong to no column,
// and let the four-cell loads of the neighbour counts read past the last cell.
constexpr int LatticeSlack = 4;

// Allocates a lattice with the inclusive index ranges [nxl, nxh] x [nyl, nyh];
// contents are not initialised. Running out of memory is fatal (runTimeError).
Lattice matrix(long nxl, long nxh, long nyl, long nyh);

// Releases a lattice made by matrix() and leaves it empty.
void freeLattice(Lattice& lattice);

// Writes the three-line report to standard error and exits with status 1.
[[noreturn]] void runTimeError(const char* message);
