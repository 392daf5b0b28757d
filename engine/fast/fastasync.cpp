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
    // The multiplier that folds the lanes of a sum (see update()). Read from
    // here, the compiler multiplies; as a constant it makes shifts and adds
    // of it, four instructions on the path of every visit.
    std::uint64_t fold = 0x100010001u;
};

// On a periodic field, writes the halo cells that stand for border cell
// (x, y), so that later visits count the field as it is now. Out of line, as
// are jumps: both are rare.
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
    int at;  // the cell's index in the padded layout
    std::uint32_t u;
    std::uint16_t code;  // its new code
    bool jumps;
};

__attribute__((noinline)) void followUp(const InPlace& field, const FollowUp& work)
{
    const int x = work.at / field.layout.stride - 1;
    const int y = work.at % field.layout.stride - 1;
    if (field.layout.onBorder(x, y))
        storeHalo(field, x, y, work.code);
    if (work.jumps)
        jump(field, x, y, work.u);
}

// The part of a visit common to both schemes: the sum of the pair codes
// around the cell whose code is at centre, its table row and outcome. Writes
// the outcome and returns the row. The sum takes the rows y - 1 .. y + 2 of
// each of the three columns as one word and adds the words lane by lane (no
// count of a lane exceeds 3, so none carries into the next lane); the
// multiplication then adds lanes 0 .. 2 into bits 32 .. 47, again without
// carries.
inline unsigned update(std::uint16_t* centre, int stride, const fastrule::CodeOutcome* rule, std::uint64_t fold,
                       std::uint32_t u, std::uint16_t* code)
{
    const std::uint16_t* west = centre - stride - 1;
    const std::uint64_t lanes = fourCodes(west) + fourCodes(west + stride) + fourCodes(west + 2 * stride);
    const unsigned row = fastrule::codeRow(*centre, lanes * fold);
    const fastrule::CodeOutcome& outcome = rule[row];
    // Selected by an index: as a branch, the outcome of a random event would be
    // mispredicted half the time.
    *code = outcome.codes[u >= outcome.threshold];
    *centre = *code;
    return row;
}

// The visiting loops below run visits until one needs its follow-up, return,
// and are called again after it. They are out of line and call nothing, so
// that the compiler keeps the generator and the loop's other values in
// registers; a call inside the loop would make it keep them in memory for
// every visit.

constexpr unsigned Ahead = 16;

// The sign bit, set on the cells and rows of the field's border.
constexpr std::int32_t BorderMark = INT32_MIN;

struct UniformRun {
    Xoshiro256 stream;
    long next;     // the visit to run next
    long drawing;  // the visits that draw the position of a later one
    long visits;
    // The cells of the next Ahead visits: index in the padded layout, with
    // BorderMark on border cells.
    std::int32_t pending[Ahead];
};

// A uniformly drawn cell, its neighbourhood fetched into the cache.
std::int32_t draw(Xoshiro256& stream, const std::uint16_t* codes, const PaddedLayout& layout)
{
    const std::uint64_t bits = stream.next();
    const int x = static_cast<int>(below(top(bits), static_cast<std::uint32_t>(layout.cellsX)));
    const int y = static_cast<int>(below(bottom(bits), static_cast<std::uint32_t>(layout.cellsY)));
    const int at = layout.index(x, y);
    for (int dx = -1; dx <= 1; ++dx)
        __builtin_prefetch(codes + at + dx * layout.stride - 1, 1);
    return at | (layout.onBorder(x, y) ? BorderMark : 0);
}

__attribute__((noinline)) bool runUniform(UniformRun& run, const InPlace& field, FollowUp& work)
{
    std::uint16_t* const codes = field.codes;
    const PaddedLayout layout = field.layout;
    const fastrule::CodeOutcome* const rule = field.rule;
    const unsigned jumpRow = field.jumpRow;
    const std::uint64_t fold = field.fold;
    Xoshiro256 stream = run.stream;
    long i = run.next;
    bool more = false;
    auto visit = [&](std::int32_t cell) {
        const std::uint32_t u = top(stream.next());
        const int at = cell & ~BorderMark;
        std::uint16_t code;
        const unsigned row = update(codes + at, layout.stride, rule, fold, u, &code);
        if (cell >= 0 && row != jumpRow)
            return false;
        work = {at, u, code, row == jumpRow};
        return true;
    };
    for (; i < run.drawing && !more; ++i) {
        std::int32_t& slot = run.pending[static_cast<unsigned long>(i) % Ahead];
        const std::int32_t cell = slot;
        slot = draw(stream, codes, layout);
        more = visit(cell);
    }
    for (; i < run.visits && !more; ++i)
        more = visit(run.pending[static_cast<unsigned long>(i) % Ahead]);
    run.stream = stream;
    run.next = i;
    return more;
}

struct ShuffledRun {
    Xoshiro256 stream;
    int a, b;  // the visit to run next: row ys[b] of column xs[a]
    const int* xs;
    const int* ys;  // with BorderMark on the border rows
};

__attribute__((noinline)) bool runShuffled(ShuffledRun& run, const InPlace& field, FollowUp& work)
{
    std::uint16_t* const codes = field.codes;
    const PaddedLayout layout = field.layout;
    const fastrule::CodeOutcome* const rule = field.rule;
    const unsigned jumpRow = field.jumpRow;
    const std::uint64_t fold = field.fold;
    const int* const xs = run.xs;
    const int* const ys = run.ys;
    Xoshiro256 stream = run.stream;
    int a = run.a;
    int b = run.b;
    bool more = false;
    while (a < layout.cellsX) {
        const int x = xs[a];
        const int column = layout.index(x, 0);
        const int edge = layout.borderColumn(x) ? BorderMark : 0;
        while (b < layout.cellsY) {
            const int entry = ys[b++];
            const int y = entry & ~BorderMark;
            const std::uint32_t u = top(stream.next());
            std::uint16_t code;
            const unsigned row = update(codes + column + y, layout.stride, rule, fold, u, &code);
            if ((entry | edge) < 0 || row == jumpRow) {
                work = {column + y, u, code, row == jumpRow};
                more = true;
                break;
            }
        }
        if (more)
            break;
        ++a;
        b = 0;
    }
    run.stream = stream;
    run.a = a;
    run.b = b;
    return more;
}

// The conversions between the byte lattice and the pair codes at the start
// and end of a step, compiled twice, the second time for AVX2.
inline void convertToCodes(const std::int8_t* __restrict cells, std::uint16_t* __restrict codes, std::size_t size)
{
    for (std::size_t i = 0; i < size; ++i)
        codes[i] = fastrule::pairCode(cells[i]);
}

inline void convertToStates(const std::uint16_t* __restrict codes, std::int8_t* __restrict cells, std::size_t size)
{
    for (std::size_t i = 0; i < size; ++i)
        cells[i] = fastrule::stateOfPairCode(codes[i]);
}

void toCodes(const std::int8_t* cells, std::uint16_t* codes, std::size_t size)
{
    convertToCodes(cells, codes, size);
}

void toStates(const std::uint16_t* codes, std::int8_t* cells, std::size_t size)
{
    convertToStates(codes, cells, size);
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define TIDMAR_FASTASYNC_AVX2 __attribute__((target("avx2")))
#else
#define TIDMAR_FASTASYNC_AVX2
#endif

TIDMAR_FASTASYNC_AVX2 void toCodesAvx2(const std::int8_t* cells, std::uint16_t* codes, std::size_t size)
{
    convertToCodes(cells, codes, size);
}

TIDMAR_FASTASYNC_AVX2 void toStatesAvx2(const std::uint16_t* codes, std::int8_t* cells, std::size_t size)
{
    convertToStates(codes, cells, size);
}

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
    const long visits = static_cast<long>(layout.cellsX) * layout.cellsY;
    const long lead = visits < static_cast<long>(Ahead) ? visits : Ahead;
    UniformRun run{random, 0, visits - lead, visits, {}};
    for (long i = 0; i < lead; ++i)
        run.pending[i] = draw(run.stream, field.codes, layout);
    FollowUp work;
    while (runUniform(run, field, work))
        followUp(field, work);
    random = run.stream;
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
    for (int b = 0; b < layout.cellsY; ++b)
        if (layout.borderRow(yOrder[b]))
            yOrder[b] |= BorderMark;
    ShuffledRun run{random, 0, 0, xOrder.data(), yOrder.data()};
    FollowUp work;
    while (runShuffled(run, field, work))
        followUp(field, work);
    random = run.stream;
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
    (avx2 ? toCodesAvx2 : toCodes)(lattice[now].data(), pairCodes.data(), layout.size());
}

// The byte lattice from the codes the step has left, halo included.
void FastBed::finishAsyncStep()
{
    (avx2 ? toStatesAvx2 : toStates)(pairCodes.data(), lattice[now].data(), layout.size());
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
