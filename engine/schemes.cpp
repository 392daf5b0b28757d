// SPDX-License-Identifier: GPL-3.0-or-later
// The three update schemes: whole steps of the automaton built from the rule.
// Each step draws from a local copy of the generator, which goes back into the
// bed when the step is done: a member would be stored and reloaded around
// every cell written, as a cell may alias it for all the compiler knows.

#include "drawahead.h"
#include "musselbed.h"
#include "neighbourrows.h"
#include "statesahead.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <initializer_list>

void MusselBed::advance()
{
    stepByMethod(*this);
}

void MusselBed::copyLattice(const Lattice& from, const Lattice& to) const
{
    std::memcpy(to.block(), from.block(), static_cast<std::size_t>(cellsX) * cellsY * sizeof(Cell));
}

// Every cell from the previous generation into the other lattice, which then
// becomes current. Column by column: first the decision rows of the column's
// cells, then its draws and decisions in order.
void MusselBed::stepSync()
{
    const Lattice source = parity ? latticeA : latticeB;
    const Lattice destination = parity ? latticeB : latticeA;
    parity = !parity;
    random.prime();
    decisions.update(*this);
    Ran1 draws = random;
    if (radius != 1) {
        const CellUpdate update = cellUpdate(source, destination);
        for (int x = 0; x < cellsX; ++x)
            for (int y = 0; y < cellsY; ++y)
                update(draws, x, y);
        random = draws;
        return;
    }
    // The codes of three columns at a time, column c in slot c % 3.
    const int width = cellsX;
    const int height = cellsY;
    std::uint8_t* const scratch = columnScratch.data();
    const auto slot = [scratch, height](int column) {
        std::uint8_t* const start = scratch + 3 * static_cast<std::size_t>(column % 3) * height;
        return rule::ColumnCodes{start, start + height, start + 2 * height};
    };
    std::uint8_t* const rows = scratch + 9 * static_cast<std::size_t>(height);
    const bool wide = width >= 3 && height >= 3;
    StatesAhead states;
    if (wide) {
        rule::columnCodes(source[0], height, slot(0));
        rule::columnCodes(source[1], height, slot(1));
    }
    for (int x = 0; x < width; ++x) {
        const bool inner = wide && x > 0 && x < width - 1;
        if (inner) {
            rule::columnCodes(source[x + 1], height, slot(x + 1));
            rule::interiorRows(slot(x - 1), slot(x), slot(x + 1), height, rows);
        }
        for (int y = 0; y < height; y += (inner && y == 0) ? height - 1 : 1)
            rows[y] = static_cast<std::uint8_t>(borderRow(source, x, y));
        decideColumn(draws, states, source, destination, x, rows);
    }
    random = draws;
}

// The decision row of cell (x, y) with the boundary and radius taken into account.
int MusselBed::borderRow(const Lattice& lattice, int x, int y) const
{
    const Cell state = lattice[x][y];
    if (!isCellState(state))
        return rule::Decisions::ForeignRow;
    return rule::Decisions::rowOf(state, countReads(lattice, x, y, state));
}

// Draws the four words of every cell of column x in order and writes each
// cell's outcome by its row; a predator that jumps draws a fifth.
void MusselBed::decideColumn(Ran1& draws, StatesAhead& states, const Lattice& source, const Lattice& destination,
                             int x, const std::uint8_t* rows)
{
    const rule::Decision* const table = decisions.table();
    Ran1 local = draws;
    Cell* const out = destination[x];
    const int height = cellsY;
    for (int y = 0; y < height; ++y) {
        std::int32_t words[4];
        local.wordsAt<4>(states.next(4, local.seed), words);
        const rule::Decision d = table[rows[y]];
        if (d.special == rule::Keeps)
            continue;
        out[y] = rule::next(d, words);
        if (d.special == rule::Jumps)
            jump(source, destination, x, y, Ran1::deviate(local.nextWordAt(*states.next(1, local.seed))));
    }
    draws = local;
}

namespace {

// The position a word picks on an axis of n cells.
inline int position(std::int32_t word, int n)
{
    return static_cast<int>(static_cast<double>(Ran1::deviate(word)) * n);
}

// Nearly the position a word picks on an axis of n cells, without floating
// point: good enough to fetch the right cache lines ahead.
inline int roughPosition(std::int32_t word, int n)
{
    return static_cast<int>((static_cast<std::uint64_t>(word) * static_cast<std::uint64_t>(n)) >> 31);
}

// Asks for the cache lines of the 3 x 3 cells around (x, y) of an x-major
// block of columns of height cells. The addresses are computed as integers, as
// those around a cell on the border may lie outside the block; a prefetch of
// such an address does nothing.
inline void prefetchAround(const Cell* block, int x, int y, int height)
{
    const std::uintptr_t top =
        reinterpret_cast<std::uintptr_t>(block) + (static_cast<long>(x) * height + y - 1) * sizeof(Cell);
    const std::uintptr_t column = static_cast<std::uintptr_t>(height) * sizeof(Cell);
    for (const std::uintptr_t start : {top - column, top, top + column}) {
        const Cell* line = reinterpret_cast<const Cell*>(start);
        // An empty statement that takes the address: without it GCC 12 drops
        // these prefetches as a whole.
        asm volatile("" : : "r"(line));
        __builtin_prefetch(line);
        __builtin_prefetch(line + 2);
    }
}

// Asks for the cache lines of columns x - 1 .. x + 1 (those inside the block)
// of a block of width columns of height cells.
inline void prefetchColumns(const Cell* block, int x, int width, int height)
{
    const Cell* first = block + static_cast<long>(std::max(x - 1, 0)) * height;
    const Cell* end = block + static_cast<long>(std::min(x + 2, width)) * height;
    constexpr long LineCells = 64 / sizeof(Cell);
    for (const Cell* line = first; line < end; line += LineCells) {
        asm volatile("" : : "r"(line));
        __builtin_prefetch(line);
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
    constexpr std::size_t Ahead = DrawsPerVisit * Lead;  // where the position of the visit Lead ahead lies
    constexpr std::size_t Kept = Ahead + 2;              // the words wanted ahead of a visit's own
    random.prime();
    decisions.update(*this);
    const CellUpdate update = cellUpdate(now, now);
    const int width = cellsX;
    const int height = cellsY;
    const Cell* const block = now.block();
    DrawAhead draws(random, DrawsPerVisit * visits);
    // Before the first visit: the words of the visits up to Lead ahead, less
    // the six that the first visit draws itself.
    const std::size_t lead = static_cast<std::size_t>(std::min<long>(Kept - DrawsPerVisit, DrawsPerVisit * visits));
    while (draws.waiting() < lead)
        draws.draw<DrawsPerVisit>();
    for (long i = 0; i < visits; ++i) {
        // The words of this visit and of the visit Lead ahead are waiting
        // after this, as far as the step is sure to take them: six more, and
        // one after a jump took one of them.
        draws.draw<DrawsPerVisit>();
        if (draws.waiting() < Kept) [[unlikely]]
            draws.draw<1>();
        if (draws.waiting() >= Kept) [[likely]]
            prefetchAround(block, roughPosition(draws.peek(Ahead), width), roughPosition(draws.peek(Ahead + 1), height),
                           height);
        const std::int32_t* const words = draws.take(DrawsPerVisit);
        update.decide(words + 2, draws, position(words[0], width), position(words[1], height));
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
    decisions.update(*this);
    Ran1 draws = random;
    StatesAhead states;
    // The fifth word of a jump, from the same states.
    struct {
        Ran1& draws;
        StatesAhead& states;
        std::int32_t nextWord() { return draws.nextWordAt(*states.next(1, draws.seed)); }
    } jumpDraws{draws, states};
    const CellUpdate update = cellUpdate(now, now);
    const int width = cellsX;
    const int height = cellsY;
    const Cell* const block = now.block();
    for (int a = 0; a < width; ++a) {
        // The rows are visited in random order, which the hardware cannot
        // foresee: the three columns the next column's visits read are
        // fetched while this one's are made.
        if (a + 1 < width)
            prefetchColumns(block, rowOrder[a + 1], width, height);
        for (int b = 0; b < height; ++b) {
            std::int32_t words[4];
            draws.wordsAt<4>(states.next(4, draws.seed), words);
            update.decide(words, jumpDraws, rowOrder[a], columnOrder[b]);
        }
    }
    random = draws;
}
