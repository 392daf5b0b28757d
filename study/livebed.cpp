// SPDX-License-Identifier: GPL-3.0-or-later
#include "livebed.h"

#include "fastbed.h"
#include "musselbed.h"

#include <algorithm>
#include <cstddef>

namespace {

void copyLattice(const MusselBed& bed, const Lattice& lattice, Cell* out)
{
    const Cell* block = lattice.block();
    std::copy(block, block + static_cast<std::size_t>(bed.cellsX) * bed.cellsY, out);
}

} // namespace

void copyCells(const MusselBed& bed, Cell* out)
{
    copyLattice(bed, bed.current(), out);
}

void copyCells(const FastBed& bed, Cell* out)
{
    const std::int8_t* cells = bed.currentCells();
    const PaddedLayout& layout = bed.cellLayout();
    for (int x = 0; x < layout.cellsX; ++x) {
        const std::int8_t* column = cells + layout.index(x, 0);
        out = std::copy(column, column + layout.cellsY, out);
    }
}

LiveBed::StoredField storedCells(const MusselBed& bed)
{
    return {nullptr, bed.current().block(), static_cast<std::size_t>(bed.cellsY)};
}

LiveBed::StoredField storedCells(const FastBed& bed)
{
    const PaddedLayout& layout = bed.cellLayout();
    return {bed.currentCells() + layout.index(0, 0), nullptr, static_cast<std::size_t>(layout.stride)};
}

bool copyPreviousCells(const MusselBed& bed, Cell* out)
{
    copyLattice(bed, bed.previous(), out);
    return true;
}

bool copyPreviousCells(const FastBed&, Cell*)
{
    return false;
}
