// SPDX-License-Identifier: GPL-3.0-or-later
// The asynchronous steps of the throughput engine: single-cell updates in place,
// in one thread, on the xoshiro256** stream.

#include "fastbed.h"

namespace {

std::uint32_t top(std::uint64_t bits)
{
    return static_cast<std::uint32_t>(bits >> 32);
}

std::uint32_t bottom(std::uint64_t bits)
{
    return static_cast<std::uint32_t>(bits);
}

// The current field as the visits of one step see it, held in locals: a byte
// store may alias anything, so members would be read again after every write.
struct InPlace {
    std::int8_t* cells;
    std::uint16_t* codes;  // pair codes of the cells
    PaddedLayout layout;
    bool periodic;
    const fastrule::Table& table;
    const JumpScan& jumps;

    // Writes a cell and its pair code and, on a periodic field, the halo cells
    // that stand for it, so that later visits count the field as it is now.
    void store(int x, int y, std::int8_t state, std::uint16_t code) const
    {
        const int at = layout.index(x, y);
        cells[at] = state;
        codes[at] = code;
        if (periodic && layout.onBorder(x, y))
            storeHalo(x, y, state, code);
    }

    void storeHalo(int x, int y, std::int8_t state, std::uint16_t code) const
    {
        int xs[3] = {x, x, x};
        int ys[3] = {y, y, y};
        int nx = 1;
        int ny = 1;
        if (x == 0)
            xs[nx++] = layout.cellsX;
        if (x == layout.cellsX - 1)
            xs[nx++] = -1;
        if (y == 0)
            ys[ny++] = layout.cellsY;
        if (y == layout.cellsY - 1)
            ys[ny++] = -1;
        for (int i = 0; i < nx; ++i)
            for (int j = 0; j < ny; ++j) {
                cells[layout.index(xs[i], ys[j])] = state;
                codes[layout.index(xs[i], ys[j])] = code;
            }
    }

    // One cell: the sum of the pair codes around it, its table row and outcome,
    // and a jump when it is a predator on young with no young mussel beside it.
    void visit(int x, int y, std::uint32_t u) const
    {
        const int at = layout.index(x, y);
        const std::uint16_t* k = codes + at;
        const int s = layout.stride;
        const unsigned sum = k[-s - 1] + k[-s] + k[-s + 1] + k[-1] + k[0] + k[1] + k[s - 1] + k[s] + k[s + 1];
        const std::int8_t state = cells[at];
        const fastrule::Outcome& outcome = table[fastrule::indexOf(state, fastrule::countInPairSum(state, sum))];
        // Selected by a mask: as a branch, the outcome of a random event would
        // be mispredicted half the time.
        const int fires = -static_cast<int>(u < outcome.threshold);
        store(x, y, static_cast<std::int8_t>(outcome.otherwise ^ ((outcome.fire ^ outcome.otherwise) & fires)),
              static_cast<std::uint16_t>(outcome.otherwiseCode ^ ((outcome.fireCode ^ outcome.otherwiseCode) & fires)));
        if (outcome.jumps) {
            const JumpScan::Target target = jumps.find(cells, layout, x, y, u, periodic);
            if (target.x >= 0)
                store(target.x, target.y, PredatorOnYoung, fastrule::PairCodes[stateIndex(PredatorOnYoung)]);
        }
    }
};

} // namespace

// As many visits as there are cells, each at a uniformly drawn cell (with
// replacement). The positions are drawn Ahead visits before their turn and
// their neighbourhoods fetched into the cache meanwhile; so the stream gives
// first Ahead positions, then for each visit i the position of visit i + Ahead
// (while there is one) and the rule's deviate of visit i.
void FastBed::stepAsyncUC()
{
    prepareAsyncStep();
    const InPlace field{lattice[now].data(), pairCodes.data(), layout, periodic, table, jumps};
    const std::uint32_t width = static_cast<std::uint32_t>(layout.cellsX);
    const std::uint32_t height = static_cast<std::uint32_t>(layout.cellsY);
    const long visits = static_cast<long>(width) * height;
    constexpr int Ahead = 16;
    struct Position {
        int x, y;
    };
    Position pending[Ahead];
    auto draw = [&]() {
        const std::uint64_t bits = random.next();
        const Position p{static_cast<int>(below(top(bits), width)), static_cast<int>(below(bottom(bits), height))};
        for (int dx = -1; dx <= 1; ++dx) {
            __builtin_prefetch(field.codes + field.layout.index(p.x + dx, p.y - 1), 1);
            __builtin_prefetch(field.cells + field.layout.index(p.x + dx, p.y), 1);
        }
        return p;
    };
    const long lead = visits < Ahead ? visits : Ahead;
    for (long i = 0; i < lead; ++i)
        pending[i] = draw();
    for (long i = 0; i < visits; ++i) {
        Position& slot = pending[i % Ahead];
        const Position p = slot;
        if (i + Ahead < visits)
            slot = draw();
        field.visit(p.x, p.y, top(random.next()));
    }
}

// Every cell once: the columns in one shuffled order and, within each column,
// the rows in another.
void FastBed::stepAsyncNRS()
{
    prepareAsyncStep();
    const InPlace field{lattice[now].data(), pairCodes.data(), layout, periodic, table, jumps};
    shuffle(xOrder, layout.cellsX);
    shuffle(yOrder, layout.cellsY);
    const int* xs = xOrder.data();
    const int* ys = yOrder.data();
    for (int a = 0; a < layout.cellsX; ++a)
        for (int b = 0; b < layout.cellsY; ++b)
            field.visit(xs[a], ys[b], top(random.next()));
}

// The halo and table of every step, and the pair code of every cell, halo
// included, which the visits then keep up to date as they write.
void FastBed::prepareAsyncStep()
{
    prepareStep();
    const std::int8_t* cells = lattice[now].data();
    std::uint16_t* codes = pairCodes.data();
    const std::size_t size = layout.size();
    for (std::size_t i = 0; i < size; ++i)
        codes[i] = fastrule::pairCode(cells[i]);
}

// 2 n exchanges of two uniformly drawn positions, the shuffle of the exact
// engine's scheme.
void FastBed::shuffle(std::vector<int>& order, int n)
{
    for (int i = 0; i < n; ++i)
        order[i] = i;
    for (int swap = 0; swap < 2 * n; ++swap) {
        const std::uint64_t bits = random.next();
        const int i1 = static_cast<int>(below(top(bits), static_cast<std::uint32_t>(n)));
        const int i2 = static_cast<int>(below(bottom(bits), static_cast<std::uint32_t>(n)));
        std::swap(order[i1], order[i2]);
    }
}
