// SPDX-License-Identifier: GPL-3.0-or-later
#include "lattice.h"

#include <cstdlib>
#include <limits>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace {

constexpr std::size_t HugePage = std::size_t{2} << 20;

// A block of size bytes; blocks of a huge page and more are aligned to huge
// pages and offered to the kernel for them, which saves the random visits of
// a large field most of their page-table walks. std::free releases either.
void* allocateBlock(std::size_t size)
{
    if (size < HugePage)
        return std::malloc(size);
    const std::size_t rounded = (size + HugePage - 1) / HugePage * HugePage;
    void* block = std::aligned_alloc(HugePage, rounded);
#ifdef __linux__
    if (block)
        madvise(block, rounded, MADV_HUGEPAGE);  // advice only: a refusal changes nothing
#endif
    return block;
}

} // namespace

Lattice matrix(long nxl, long nxh, long nyl, long nyh)
{
    const unsigned long columns = static_cast<unsigned long>(nxh - nxl + 1);
    const unsigned long rows = static_cast<unsigned long>(nyh - nyl + 1);
    constexpr std::size_t maxSize = std::numeric_limits<std::size_t>::max();
    Lattice lattice;
    if (columns <= maxSize / sizeof(Cell*))
        lattice.rows = static_cast<Cell**>(std::malloc(columns * sizeof(Cell*)));
    if (!lattice.rows)
        runTimeError("allocation failure 1 in matrix()");

    // One block of columns x rows cells and LatticeSlack cells more, set to 0;
    // a size that overflows is a failure too.
    const bool overflows = rows != 0 && columns > maxSize / sizeof(Cell) / rows;
    const std::size_t cells = columns * rows + LatticeSlack;
    Cell* block = overflows || cells * sizeof(Cell) > maxSize - HugePage
                      ? nullptr
                      : static_cast<Cell*>(allocateBlock(cells * sizeof(Cell)));
    if (!block) {
        std::free(lattice.rows);
        runTimeError("allocation failure 2 in matrix()");
    }
    for (std::size_t i = columns * rows; i < cells; ++i)
        block[i] = 0;
    for (unsigned long x = 0; x < columns; ++x)
        lattice.rows[x] = block + x * rows;
    return lattice;
}

void freeLattice(Lattice& lattice)
{
    if (!lattice.rows)
        return;
    std::free(lattice.rows[0]);
    std::free(lattice.rows);
    lattice.rows = nullptr;
}

void runTimeError(const char* message)
{
    throw AllocationFailure(message);
}
