// SPDX-License-Identifier: GPL-3.0-or-later
// The asynchronous steps of the throughput engine: single-cell updates in place,
// in one thread, on the xoshiro256** stream.

#include "fastbed.h"

#include <algorithm>
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

constexpr std::int8_t YoungCode = fastrule::cellCode(YoungMussel);
constexpr std::int8_t PredatorOnYoungCode = fastrule::cellCode(PredatorOnYoung);

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "a block reads four codes as the bytes of one word");

// The field as the visits of one step see it: its cell codes only, from which
// each visit reads both its neighbourhood and its own state; the byte lattice
// is rebuilt from them after the step.
struct InPlace {
    std::int8_t* codes;
    PaddedLayout layout;
    bool periodic;
    const fastrule::CodeRule& rule;
    unsigned jumpRow;  // the row of the predators that jump; none when they do not
    const JumpScan& jumps;
};

// On a periodic field, writes the halo cells that stand for border cell
// (x, y), so that later visits count the field as it is now. Out of line, as
// are jumps: both are rare.
__attribute__((noinline)) void storeHalo(const InPlace& field, int x, int y, std::int8_t code)
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
    std::int8_t code;  // its new code
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

// The sign bit, set on the cells and rows of the field's border.
constexpr std::int32_t BorderMark = INT32_MIN;

// The field's codes as three pointers, to the rows y - 1 of the columns
// x - 1, x and x + 1 of the cell whose west corner lies at offset 0. A cell
// goes by the index of its west corner (x - 1, y - 1), BorderMark aside.
struct Columns {
    std::int8_t* west;
    std::int8_t* middle;
    std::int8_t* east;

    Columns(std::int8_t* codes, int stride) : west(codes), middle(codes + stride), east(codes + 2 * stride) {}

    static std::size_t offset(std::int32_t cell) { return static_cast<std::uint32_t>(cell & ~BorderMark); }

    // The neighbourhood of cell fetched into the cache.
    void fetch(std::int32_t cell) const
    {
        const std::size_t at = offset(cell);
        __builtin_prefetch(west + at, 1);
        __builtin_prefetch(middle + at, 1);
        __builtin_prefetch(east + at, 1);
    }

    // The part of a visit common to both schemes, for the cell with west
    // corner at: the count its code reads in its block, its table row and
    // outcome. Writes the outcome and returns the row.
    unsigned update(std::size_t at, const fastrule::CodeRule& rule, std::uint32_t u, std::int8_t* code) const
    {
        std::int8_t* centre = middle + at + 1;
        const auto own = static_cast<std::uint8_t>(*centre);  // a code is never negative
        const std::uint64_t block = fastrule::blockOf(load(west + at), load(middle + at), load(east + at));
        const unsigned row = own * fastrule::CountsPerState + fastrule::countInBlock(block, rule.counted[own]);
        const fastrule::CodeOutcome& outcome = rule.rows[row];
        // Selected by an index: as a branch, the outcome of a random event
        // would be mispredicted half the time.
        *code = outcome.codes[u >= outcome.threshold];
        *centre = *code;
        return row;
    }

    static std::uint32_t load(const std::int8_t* from)
    {
        std::uint32_t word;
        std::memcpy(&word, from, sizeof word);
        return word;
    }
};

// The row of the predators that jump, when they do.
constexpr unsigned JumpRow = fastrule::codeRow(PredatorOnYoungCode, 0);

// Whether the visit to cell, which found row, needs a follow-up: a border
// cell, a jump (with jumps on).
inline bool needsFollowUp(std::int32_t cell, unsigned row, bool jumps)
{
    return cell < 0 || (jumps && row == JumpRow);
}

inline FollowUp followUpOf(std::int32_t cell, unsigned row, bool jumps, int stride, std::uint32_t u,
                           std::int8_t code)
{
    return {(cell & ~BorderMark) + stride + 1, u, code, jumps && row == JumpRow};
}

// The visiting loops below run visits until one needs its follow-up, return,
// and are called again after it. They are out of line and call nothing, so
// that the compiler keeps the generator and the loop's other values in
// registers; a call inside the loop would make it keep them in memory for
// every visit.

constexpr unsigned Ahead = 16;

// Where a run of visits stopped.
enum class Stop { Done, FollowUp, Draws };

struct UniformRun {
    DrawBuffer::Segment segment;  // the draws in hand: count entries from entries on, stride apart
    long next;     // the visit to run next
    long drawing;  // the visits that draw the position of a later one
    long visits;
    // The cells of the next Ahead visits: the index of the cell west of and
    // above each, with BorderMark on border cells.
    std::int32_t pending[Ahead];

    // The next entry; the segment must hold one.
    std::uint64_t take()
    {
        const std::uint64_t entry = *segment.entries;
        segment.entries += segment.stride;
        --segment.count;
        return entry;
    }
};

// Where the visiting loops are compiled twice, the second time for POPCNT,
// which counts a block in one instruction.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define TIDMAR_FASTASYNC_X86 1
#endif

// The visits that draw a later one's position while their segment lasts:
// two entries each (the position first), Stride apart. Both phases start on
// an even entry of a segment of even length, so a visit's pair never
// straddles two segments. Compiled for each stride and for jumps on and off,
// which leaves the loop's values in registers.
template <int Stride, bool Jumps>
__attribute__((always_inline)) inline bool visitPairs(UniformRun& run, const InPlace& field, FollowUp& work)
{
    const Columns columns(field.codes, field.layout.stride);
    const fastrule::CodeRule& rule = field.rule;
    const std::uint64_t* entries = run.segment.entries;
    const long first = run.next;
    const long pairs = std::min(run.drawing - first, static_cast<long>(run.segment.count / 2));
    const std::uint64_t* const end = entries + 2 * Stride * pairs;
    long i = first;
    std::int32_t cell = 0;
    std::uint32_t u = 0;
    std::int8_t code = 0;
    unsigned row = 0;
    bool more = false;
    // One visit; true when it needs its follow-up.
    auto visit = [&](std::int32_t& slot) {
        cell = slot;
        slot = static_cast<std::int32_t>(entries[0]);
        columns.fetch(slot);
        u = static_cast<std::uint32_t>(entries[Stride] >> 32);
        entries += 2 * Stride;
        row = columns.update(Columns::offset(cell), rule, u, &code);
        return needsFollowUp(cell, row, Jumps);
    };
    while (entries != end && !more) {
        // Runs of Ahead visits from slot 0 take their slots at fixed places.
        if (i % Ahead == 0 && end - entries >= static_cast<long>(2 * Stride * Ahead)) {
            const long start = i;
#pragma GCC unroll 16
            for (unsigned k = 0; k < Ahead; ++k)
                if (visit(run.pending[k])) {
                    i = start + k + 1;
                    more = true;
                    break;
                }
            if (!more)
                i = start + Ahead;
        } else {
            more = visit(run.pending[static_cast<unsigned long>(i++) % Ahead]);
        }
    }
    if (more)
        work = followUpOf(cell, row, Jumps, field.layout.stride, u, code);
    run.segment.count -= static_cast<int>(2 * (i - first));
    run.segment.entries = entries;
    run.next = i;
    return more;
}

template <bool Jumps>
__attribute__((always_inline)) inline bool visitPairs(UniformRun& run, const InPlace& field, FollowUp& work)
{
    switch (run.segment.stride) {
    case 8:
        return visitPairs<8, Jumps>(run, field, work);
    case 4:
        return visitPairs<4, Jumps>(run, field, work);
    default:
        return visitPairs<1, Jumps>(run, field, work);
    }
}

// Visit compiled twice, with the processor's POPCNT and without; out of
// line, so that each copy holds its own inlined loop.
template <typename Run, bool (*Visit)(Run&, const InPlace&, FollowUp&)>
__attribute__((noinline)) bool portably(Run& run, const InPlace& field, FollowUp& work)
{
    return Visit(run, field, work);
}

#ifdef TIDMAR_FASTASYNC_X86
template <typename Run, bool (*Visit)(Run&, const InPlace&, FollowUp&)>
__attribute__((noinline, target("popcnt"))) bool withPopcnt(Run& run, const InPlace& field, FollowUp& work)
{
    return Visit(run, field, work);
}
#endif

template <typename Run, bool (*Visit)(Run&, const InPlace&, FollowUp&)>
bool dispatched(Run& run, const InPlace& field, FollowUp& work, bool popcnt)
{
#ifdef TIDMAR_FASTASYNC_X86
    if (popcnt)
        return withPopcnt<Run, Visit>(run, field, work);
#else
    (void)popcnt;
#endif
    return portably<Run, Visit>(run, field, work);
}

template <bool Jumps>
bool visitPairs(UniformRun& run, const InPlace& field, FollowUp& work, bool popcnt)
{
    return dispatched<UniformRun, visitPairs<Jumps>>(run, field, work, popcnt);
}

// The visits after the last drawing one: one entry each.
bool visitRest(UniformRun& run, const InPlace& field, FollowUp& work)
{
    const Columns columns(field.codes, field.layout.stride);
    while (run.next < run.visits && run.segment.count > 0) {
        const auto u = static_cast<std::uint32_t>(run.take() >> 32);
        const std::int32_t cell = run.pending[static_cast<unsigned long>(run.next++) % Ahead];
        std::int8_t code;
        const unsigned row = columns.update(Columns::offset(cell), field.rule, u, &code);
        const bool jumps = field.jumpRow == JumpRow;
        if (needsFollowUp(cell, row, jumps)) {
            work = followUpOf(cell, row, jumps, field.layout.stride, u, code);
            return true;
        }
    }
    return false;
}

Stop runUniform(UniformRun& run, const InPlace& field, FollowUp& work, bool popcnt)
{
    if (run.next < run.drawing) {
        if (run.segment.count < 2)
            return Stop::Draws;
        const bool more = field.jumpRow == JumpRow ? visitPairs<true>(run, field, work, popcnt)
                                                   : visitPairs<false>(run, field, work, popcnt);
        return more ? Stop::FollowUp : Stop::Done;
    }
    if (run.next < run.visits) {
        if (run.segment.count < 1)
            return Stop::Draws;
        return visitRest(run, field, work) ? Stop::FollowUp : Stop::Done;
    }
    return Stop::Done;
}

struct ShuffledRun {
    Xoshiro256 stream;
    int a, b;  // the visit to run next: row ys[b] of column xs[a]
    const int* xs;
    const int* ys;  // with BorderMark on the border rows
};

// Compiled for jumps on and off, as visitPairs() is.
template <bool Jumps>
__attribute__((always_inline)) inline bool runShuffled(ShuffledRun& run, const InPlace& field, FollowUp& work)
{
    const PaddedLayout layout = field.layout;
    const Columns columns(field.codes, layout.stride);
    const fastrule::CodeRule& rule = field.rule;
    const int* const xs = run.xs;
    const int* const ys = run.ys;
    Xoshiro256 stream = run.stream;
    int a = run.a;
    int b = run.b;
    bool more = false;
    while (a < layout.cellsX) {
        const int x = xs[a];
        const int column = layout.index(x - 1, -1);  // the west corner of the column's cell 0
        const int edge = layout.borderColumn(x) ? BorderMark : 0;
        while (b < layout.cellsY) {
            const int entry = ys[b++];
            const int y = entry & ~BorderMark;
            const std::uint32_t u = top(stream.next());
            std::int8_t code;
            const unsigned row = columns.update(static_cast<std::size_t>(column + y), rule, u, &code);
            if (needsFollowUp(entry | edge, row, Jumps)) {
                work = {column + y + layout.stride + 1, u, code, Jumps && row == JumpRow};
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

template <bool Jumps>
bool runShuffled(ShuffledRun& run, const InPlace& field, FollowUp& work, bool popcnt)
{
    return dispatched<ShuffledRun, runShuffled<Jumps>>(run, field, work, popcnt);
}

bool runShuffled(ShuffledRun& run, const InPlace& field, FollowUp& work, bool popcnt)
{
    return field.jumpRow == JumpRow ? runShuffled<true>(run, field, work, popcnt)
                                    : runShuffled<false>(run, field, work, popcnt);
}

// The conversions between the byte lattice and the cell codes at the start
// and end of a step, compiled twice, the second time for AVX2.
inline void convertToCodes(const std::int8_t* __restrict cells, std::int8_t* __restrict codes, std::size_t size)
{
    for (std::size_t i = 0; i < size; ++i)
        codes[i] = fastrule::cellCode(cells[i]);
}

inline void convertToStates(const std::int8_t* __restrict codes, std::int8_t* __restrict cells, std::size_t size)
{
    for (std::size_t i = 0; i < size; ++i)
        cells[i] = fastrule::stateOfCellCode(codes[i]);
}

void toCodes(const std::int8_t* cells, std::int8_t* codes, std::size_t size)
{
    convertToCodes(cells, codes, size);
}

void toStates(const std::int8_t* codes, std::int8_t* cells, std::size_t size)
{
    convertToStates(codes, cells, size);
}

#ifdef TIDMAR_FASTASYNC_X86
#define TIDMAR_FASTASYNC_AVX2 __attribute__((target("avx2")))
#else
#define TIDMAR_FASTASYNC_AVX2
#endif

TIDMAR_FASTASYNC_AVX2 void toCodesAvx2(const std::int8_t* cells, std::int8_t* codes, std::size_t size)
{
    convertToCodes(cells, codes, size);
}

TIDMAR_FASTASYNC_AVX2 void toStatesAvx2(const std::int8_t* codes, std::int8_t* cells, std::size_t size)
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
    const InPlace field{cellCodes.data(), layout, periodic, codeRule, jumpRow, jumps};
    const long visits = static_cast<long>(layout.cellsX) * layout.cellsY;
    const long lead = visits < static_cast<long>(Ahead) ? visits : Ahead;
    draws.begin(random, layout, 2 * visits, static_cast<int>(lead));
    UniformRun run{draws.next(), 0, visits - lead, visits, {}};
    const Columns columns(field.codes, layout.stride);
    for (long i = 0; i < lead; ++i) {
        if (run.segment.count == 0)
            run.segment = draws.next();
        run.pending[i] = static_cast<std::int32_t>(run.take());
        columns.fetch(run.pending[i]);
    }
    FollowUp work;
    while (run.next < visits) {
        const Stop stop = runUniform(run, field, work, popcnt);
        if (stop == Stop::FollowUp)
            followUp(field, work);
        else if (stop == Stop::Draws)
            run.segment = draws.next();
    }
    random = draws.stream();
    finishAsyncStep();
}

// Every cell once: the columns in one shuffled order and, within each column,
// the rows in another.
void FastBed::stepAsyncNRS()
{
    prepareAsyncStep();
    const InPlace field{cellCodes.data(), layout, periodic, codeRule, jumpRow, jumps};
    shuffle(xOrder, layout.cellsX);
    shuffle(yOrder, layout.cellsY);
    for (int b = 0; b < layout.cellsY; ++b)
        if (layout.borderRow(yOrder[b]))
            yOrder[b] |= BorderMark;
    ShuffledRun run{random, 0, 0, xOrder.data(), yOrder.data()};
    FollowUp work;
    while (runShuffled(run, field, work, popcnt))
        followUp(field, work);
    random = run.stream;
    finishAsyncStep();
}

// The halo and tables of every step, and the cell code of every cell, halo
// included, which the visits then keep up to date as they write.
void FastBed::prepareAsyncStep()
{
    prepareStep();
    codeRule = fastrule::makeCodeRule(table);
    // Only a predator on young with no young mussel beside it jumps.
    jumpRow = table[fastrule::indexOf(PredatorOnYoung, 0)].jumps ? JumpRow : codeRule.rows.size();
    (avx2 ? toCodesAvx2 : toCodes)(lattice[now].data(), cellCodes.data(), layout.size());
}

// The byte lattice from the codes the step has left, halo included.
void FastBed::finishAsyncStep()
{
    (avx2 ? toStatesAvx2 : toStates)(cellCodes.data(), lattice[now].data(), layout.size());
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
