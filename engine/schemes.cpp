// SPDX-License-Identifier: GPL-3.0-or-later
// The three update schemes: whole steps of the automaton built from the rule.
// Each step draws from a local copy of the generator, which goes back into the
// bed when the step is done: a member would be stored and reloaded around
// every cell written, as a cell may alias it for all the compiler knows.

#include "drawahead.h"
#include "musselbed.h"

#include <algorithm>
#include <cstring>

void MusselBed::advance()
{
    stepByMethod(*this);
}

void MusselBed::copyLattice(const Lattice& from, const Lattice& to) const
{
    std::memcpy(to.block(), from.block(), static_cast<std::size_t>(cellsX) * cellsY * sizeof(Cell));
}

// Every cell from the previous generation into the other lattice, which then
// becomes current.
void MusselBed::stepSync()
{
    const Lattice source = parity ? latticeA : latticeB;
    const Lattice destination = parity ? latticeB : latticeA;
    parity = !parity;
    random.prime();
    Ran1 draws = random;
    for (int x = 0; x < cellsX; ++x)
        for (int y = 0; y < cellsY; ++y)
            updateCell(draws, source, destination, x, y);
    random = draws;
}

namespace {

// The position a deviate r picks on an axis of n cells.
inline int position(float r, int n)
{
    return static_cast<int>(static_cast<double>(r) * n);
}

// i clamped into 0 .. last.
inline long inside(long i, long last)
{
    i = i > last ? last : i;
    return i < 0 ? 0 : i;
}

// Asks for the cache lines of the 3 x 3 cells around (x, y) of an x-major
// block of width x height cells; positions off the block are clamped into it.
inline void prefetchAround(const Cell* block, int x, int y, int width, int height)
{
    const long last = static_cast<long>(width) * height - 3;  // the last start of three cells
    if (last < 0)
        return;
    const long top = static_cast<long>(x) * height + y - 1;
    for (const long start : {inside(top - height, last), inside(top, last), inside(top + height, last)}) {
        const Cell* line = block + start;
        // An empty statement that takes the address: without it GCC 12 drops
        // these prefetches as a whole.
        asm volatile("" : : "r"(line));
        __builtin_prefetch(line);
        __builtin_prefetch(line + 2);
    }
}

} // namespace

// As many single-cell updates in place as there are cells, each at a uniformly
// drawn cell (with replacement). A visit draws its position and its four rule
// deviates (and a fifth when a predator jumps), so the stream a few visits
// ahead holds the positions of the visits to come unless one of them jumps:
// their cells are fetched into the cache meanwhile. A wrong guess only costs
// a needless fetch; the deviates are used in order all the same.
void MusselBed::stepAsyncUC()
{
    const Lattice now = current();
    copyLattice(now, previous());
    const long visits = static_cast<long>(cellsX) * cellsY;
    constexpr long DrawsPerVisit = 6;  // at least
    constexpr unsigned Lead = 8;       // visits between a fetch and its use
    static_assert(DrawsPerVisit * Lead + 2 <= DrawAhead::Size);
    random.prime();
    DrawAhead draws(random);
    for (long i = 0; i < visits; ++i) {
        const long least = DrawsPerVisit * (visits - i);  // still to be drawn in this step
        draws.fill(static_cast<unsigned>(std::min<long>(least, DrawAhead::Size)));
        if (draws.waiting() >= DrawsPerVisit * Lead + 2)
            prefetchAround(now.block(), position(draws.peek(DrawsPerVisit * Lead), cellsX),
                           position(draws.peek(DrawsPerVisit * Lead + 1), cellsY), cellsX, cellsY);
        const int x = position(draws.next(), cellsX);
        const int y = position(draws.next(), cellsY);
        updateCell(draws, now, now, x, y);
    }
    random = draws.generator();
}

namespace {

// 2n swaps of two positions drawn from the 15-bit generator.
void shuffle(int* order, int n, Rand15& generator)
{
    for (int i = 0; i < n; ++i)
        order[i] = i;
    for (int swap = 0; swap < 2 * n; ++swap) {
        const int i1 = (generator.next() * n) >> 15;
        const int i2 = (generator.next() * n) >> 15;
        const int kept = order[i1];
        order[i1] = order[i2];
        order[i2] = kept;
    }
}

} // namespace

// Every cell once, in place: columns in one shuffled order and, within each
// column, rows in another.
void MusselBed::stepAsyncNRS()
{
    const Lattice now = current();
    copyLattice(now, previous());
    int rowOrder[MaxCells];
    int columnOrder[MaxCells];
    shuffle(rowOrder, cellsX, shuffleRandom);
    shuffle(columnOrder, cellsY, shuffleRandom);
    random.prime();
    Ran1 draws = random;
    for (int a = 0; a < cellsX; ++a)
        for (int b = 0; b < cellsY; ++b)
            updateCell(draws, now, now, rowOrder[a], columnOrder[b]);
    random = draws;
}
