// SPDX-License-Identifier: GPL-3.0-or-later
// The asynchronous steps of the throughput engine: single-cell updates in place,
// in one thread, on the xoshiro256** stream.

#include "fastbed.h"

#include <cstring>

namespace {

std::uint32_t top(std::uint64_t bits)
{
    return static_cast<std::uint32_t>(bits >> 32);
}

std::uint32_t bottom(std::uint64_t bits)
{
    return static_cast<std::uint32_t>(bits);
}

constexpr std::uint16_t YoungCode = fastrule::pairCode(YoungMussel);
constexpr std::uint16_t PredatorOnYoungCode = fastrule::pairCode(PredatorOnYoung);

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the sums read four codes as the lanes of one word");

// The pair codes at from .. from + 3 as the 16-bit lanes of one word, the
// first lowest.
std::uint64_t fourCodes(const std::uint16_t* from)
{
    std::uint64_t word;
    std::memcpy(&word, from, sizeof word);
    return word;
}

// The field as the visits of one step see it: its pair codes only, from which
// each visit reads both its neighbourhood and its own state; the byte lattice
// is rebuilt from them after the step.
struct InPlace {
    std::uint16_t* codes;
    PaddedLayout layout;
    bool periodic;
    const fastrule::CodeOutcome* rule;
    unsigned jumpRow;  // the row of the predators that jump; TableSize when none does
    const JumpScan& jumps;
};

// On a periodic field, writes the halo cells that stand for border cell
// (x, y), so that later visits count the field as it is now. Out of line, as
// are jumps: both are rare, and inlined they would take the registers of
// every visit.
__attribute__((noinline)) void storeHalo(const InPlace& field, int x, int y, std::uint16_t code)
{
    if (!field.periodic)
        return;
    const PaddedLayout& layout = field.layout;
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
        for (int j = 0; j < ny; ++j)
            field.codes[layout.index(xs[i], ys[j])] = code;
}

// The predator at (x, y), which has just left its cell, puts a predator on
// young into the young mussel its scan finds, if any.
__attribute__((noinline)) void jump(const InPlace& field, int x, int y, std::uint32_t u)
{
    const JumpScan::Target target = field.jumps.find(field.codes, YoungCode, field.layout, x, y, u, field.periodic);
    if (target.x < 0)
        return;
    field.codes[field.layout.index(target.x, target.y)] = PredatorOnYoungCode;
    if (field.layout.onBorder(target.x, target.y))
        storeHalo(field, target.x, target.y, PredatorOnYoungCode);
}

// What a visit leaves to followUp(): a border cell's halo, a jump.
struct FollowUp {
    int x, y;
    std::uint32_t u;
    std::uint16_t code;
    bool jumps;
};

__attribute__((noinline)) void followUp(const InPlace& field, const FollowUp& work)
{
    if (field.layout.onBorder(work.x, work.y))
        storeHalo(field, work.x, work.y, work.code);
    if (work.jumps)
        jump(field, work.x, work.y, work.u);
}

// One visit: the sum of the pair codes around the cell, its table row and
// outcome; border cells and jumps are left to followUp(). The visiting loops
// run visits until one returns true, call followUp() outside that inner loop
// and go on: with no call inside it, the compiler keeps the loop's values,
// the copies of the field's members below among them, in registers.
class Visit {
public:
    explicit Visit(const InPlace& field)
        : codes(field.codes), layout(field.layout), rule(field.rule), jumpRow(field.jumpRow)
    {
    }

    // The sum takes the rows y - 1 .. y + 2 of each of the three columns as
    // one word and adds the words lane by lane (no count of a lane exceeds 3,
    // so none carries into the next lane); the multiplication then adds lanes
    // 0 .. 2 into bits 32 .. 47, again without carries.
    bool operator()(int x, int y, std::uint32_t u, FollowUp& work) const
    {
        std::uint16_t* centre = codes + layout.index(x, y);
        const int s = layout.stride;
        const std::uint64_t lanes = fourCodes(centre - s - 1) + fourCodes(centre - 1) + fourCodes(centre + s - 1);
        const unsigned row = fastrule::codeRow(*centre, lanes * 0x100010001u);
        const fastrule::CodeOutcome& outcome = rule[row];
        // Selected by a mask: as a branch, the outcome of a random event would
        // be mispredicted half the time.
        const auto fires = static_cast<std::uint16_t>(-static_cast<int>(u < outcome.threshold));
        const auto code =
            static_cast<std::uint16_t>(outcome.otherwiseCode ^ ((outcome.fireCode ^ outcome.otherwiseCode) & fires));
        *centre = code;
        const bool jumps = row == jumpRow;
        if (!layout.onBorder(x, y) && !jumps)
            return false;
        work = {x, y, u, code, jumps};
        return true;
    }

private:
    std::uint16_t* codes;
    PaddedLayout layout;
    const fastrule::CodeOutcome* rule;
    unsigned jumpRow;
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
    const InPlace field{pairCodes.data(), layout, periodic, codeTable.data(), jumpRow, jumps};
    const Visit visit(field);
    Xoshiro256 stream = random;
    std::uint16_t* const codes = field.codes;
    const PaddedLayout grid = layout;
    const std::uint32_t width = static_cast<std::uint32_t>(layout.cellsX);
    const std::uint32_t height = static_cast<std::uint32_t>(layout.cellsY);
    const long visits = static_cast<long>(width) * height;
    constexpr int Ahead = 16;
    struct Position {
        int x, y;
    };
    Position pending[Ahead];
    auto draw = [&]() {
        const std::uint64_t bits = stream.next();
        const Position p{static_cast<int>(below(top(bits), width)), static_cast<int>(below(bottom(bits), height))};
        const std::uint16_t* column = codes + grid.index(p.x - 1, p.y - 1);
        for (int dx = 0; dx < 3; ++dx)
            __builtin_prefetch(column + dx * grid.stride, 1);
        return p;
    };
    const long lead = visits < Ahead ? visits : Ahead;
    for (long i = 0; i < lead; ++i)
        pending[i] = draw();
    // Visits that draw the position of a later one, then the last Ahead.
    const long drawing = visits - lead;
    long i = 0;
    FollowUp work;
    for (;;) {
        bool more = false;
        while (i < drawing) {
            Position& slot = pending[i % Ahead];
            const Position p = slot;
            slot = draw();
            ++i;
            if (visit(p.x, p.y, top(stream.next()), work)) {
                more = true;
                break;
            }
        }
        if (!more)
            break;
        followUp(field, work);
    }
    for (; i < visits; ++i)
        if (visit(pending[i % Ahead].x, pending[i % Ahead].y, top(stream.next()), work))
            followUp(field, work);
    random = stream;
    finishAsyncStep();
}

// Every cell once: the columns in one shuffled order and, within each column,
// the rows in another.
void FastBed::stepAsyncNRS()
{
    prepareAsyncStep();
    const InPlace field{pairCodes.data(), layout, periodic, codeTable.data(), jumpRow, jumps};
    shuffle(xOrder, layout.cellsX);
    shuffle(yOrder, layout.cellsY);
    const Visit visit(field);
    Xoshiro256 stream = random;
    const int* xs = xOrder.data();
    const int* ys = yOrder.data();
    const int width = layout.cellsX;
    const int height = layout.cellsY;
    FollowUp work;
    for (int a = 0; a < width; ++a) {
        const int x = xs[a];
        int b = 0;
        for (;;) {
            bool more = false;
            while (b < height)
                if (visit(x, ys[b++], top(stream.next()), work)) {
                    more = true;
                    break;
                }
            if (!more)
                break;
            followUp(field, work);
        }
    }
    random = stream;
    finishAsyncStep();
}

// The halo and tables of every step, and the pair code of every cell, halo
// included, which the visits then keep up to date as they write.
void FastBed::prepareAsyncStep()
{
    prepareStep();
    codeTable = fastrule::makeCodeTable(table);
    // Only a predator on young with no young mussel beside it jumps.
    jumpRow = table[fastrule::indexOf(PredatorOnYoung, 0)].jumps ? fastrule::codeRow(PredatorOnYoungCode, 0)
                                                                  : fastrule::TableSize;
    const std::int8_t* cells = lattice[now].data();
    std::uint16_t* codes = pairCodes.data();
    const std::size_t size = layout.size();
    for (std::size_t i = 0; i < size; ++i)
        codes[i] = fastrule::pairCode(cells[i]);
}

// The byte lattice from the codes the step has left, halo included.
void FastBed::finishAsyncStep()
{
    std::int8_t* cells = lattice[now].data();
    const std::uint16_t* codes = pairCodes.data();
    const std::size_t size = layout.size();
    for (std::size_t i = 0; i < size; ++i)
        cells[i] = fastrule::stateOfPairCode(codes[i]);
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
