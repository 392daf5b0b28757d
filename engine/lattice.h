// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cellstate.h"

#include <new>

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
// contents are not initialised. Running out of memory throws (runTimeError).
Lattice matrix(long nxl, long nxh, long nyl, long nyh);

// Releases a lattice made by matrix() and leaves it empty.
void freeLattice(Lattice& lattice);

// An allocation the engine cannot make: a std::bad_alloc whose what() is the
// message. It ends no process, as the engine may run inside R or Python.
class AllocationFailure : public std::bad_alloc {
public:
    explicit AllocationFailure(const char* message) : message(message) {}
    const char* what() const noexcept override { return message; }

private:
    const char* message;
};

// Throws AllocationFailure(message).
[[noreturn]] void runTimeError(const char* message);
