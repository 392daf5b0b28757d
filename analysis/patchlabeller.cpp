// SPDX-License-Identifier: GPL-3.0-or-later
#include "patchlabeller.h"

#include <algorithm>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

enum Edge : std::uint8_t { FirstRow = 1, LastRow = 2, FirstCol = 4, LastCol = 8 };

// A row holds at most ceil(cols / 2) runs.
std::size_t mostRuns(int rows, int cols)
{
    return static_cast<std::size_t>(rows) * ((static_cast<std::size_t>(cols) + 1) / 2);
}

} // namespace

std::size_t PatchLabeller::bytesFor(int rows, int cols)
{
    const std::size_t runs = mostRuns(rows, cols);
    return runs * (3 * sizeof(std::int32_t) + 3 * sizeof(long) + 1) + (static_cast<std::size_t>(rows) + 1) * 4
           + static_cast<std::size_t>(cols) + 64;
}

PatchLabeller::PatchLabeller(int rows, int cols)
    : rows_(rows), cols_(cols), words_((cols + 63) / 64),
      rowStart_(new std::int32_t[static_cast<std::size_t>(rows) + 1])
{
    const std::size_t most = mostRuns(rows, cols);
    span_.reset(new std::int32_t[2 * most]);
    parent_.reset(new std::int32_t[most]);
    runTotal_.reset(new long[most]);
    rootTotal_.reset(new long[most + 1]);
    rowWords_.reset(new std::uint64_t[6 * static_cast<std::size_t>(words_)]);
    rowCounts_.reset(new std::int32_t[3 * static_cast<std::size_t>(words_)]);
    edges_.reset(new std::uint8_t[most]());
#if defined(__x86_64__) && !defined(__POPCNT__)
    popcnt_ = __builtin_cpu_supports("popcnt");
#endif
    sizes_.reserve(most);
}

// Row 0 keeps a place of its own; the others take turns in two.
PatchLabeller::RowBits PatchLabeller::rowBits(int r) const
{
    const std::size_t slot = r == 0 ? 2 : static_cast<std::size_t>(r & 1);
    const std::size_t words = static_cast<std::size_t>(words_);
    return {rowWords_.get() + 2 * slot * words, rowWords_.get() + (2 * slot + 1) * words,
            rowCounts_.get() + slot * words};
}

std::int32_t PatchLabeller::find(std::int32_t run)
{
    while (parent_[run] != run) {
        parent_[run] = parent_[parent_[run]];
        run = parent_[run];
    }
    return run;
}

// The root of a patch is its lowest run, its first in scan order.
void PatchLabeller::join(std::int32_t a, std::int32_t b)
{
    a = find(a);
    b = find(b);
    if (a < b)
        parent_[b] = a;
    else if (b < a)
        parent_[a] = b;
}

// A run of the row below met for the first time joins the upper run's root,
// which lies before it.
void PatchLabeller::link(std::int32_t upperRun, std::int32_t lowerRun, bool downwards)
{
    if (downwards && parent_[lowerRun] == lowerRun)
        parent_[lowerRun] = find(upperRun);
    else
        join(upperRun, lowerRun);
}

// The row as bits, 64 cells a word, then its runs from the cells that
// differ from their left neighbours: such changes alternate between the
// start of a run and the cell after its end, and are written in turn as the
// runs' begins and ends.
void PatchLabeller::findRuns(const std::uint8_t* row, int r)
{
    const RowBits out = rowBits(r);
    for (int w = 0; w < words_; ++w) {
        std::uint64_t bits = 0;
        const int first = w * 64;
        const int count = std::min(64, cols_ - first);
        int c = 0;
#ifdef __SSE2__
        for (; c + 16 <= count; c += 16) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + first + c));
            bits |= static_cast<std::uint64_t>(_mm_movemask_epi8(_mm_slli_epi16(bytes, 7))) << c;
        }
#endif
        for (; c < count; ++c)
            bits |= static_cast<std::uint64_t>(row[first + c]) << c;
        out.bits[w] = bits;
    }
    const std::int32_t firstRun = runCount_;
    rowStart_[r] = firstRun;
    std::int32_t* span = span_.get() + 2 * static_cast<std::size_t>(firstRun);
    std::int32_t edges = 0;
    std::uint64_t previous = 0; // the last cell of the word before, in bit 0
    for (int w = 0; w < words_; ++w) {
        const std::uint64_t bits = out.bits[w];
        std::uint64_t changes = bits ^ ((bits << 1) | previous);
        previous = bits >> 63;
        out.starts[w] = bits & changes;
        out.startsBefore[w] = (edges + 1) / 2;
        while (changes) {
            span[edges++] = w * 64 + __builtin_ctzll(changes);
            changes &= changes - 1;
        }
    }
    if (edges & 1)
        span[edges++] = cols_;
    const std::int32_t after = firstRun + edges / 2;
    for (std::int32_t run = firstRun; run < after; ++run)
        parent_[run] = run;
    runCount_ = after;
    rowStart_[r + 1] = after;
}

namespace {

// The stretches where two rows of bits both hold ones, each lying in one run
// of either row: calls link(i, j) with the runs' numbers counted from the
// rows' first runs, found by counting the run starts up to the stretch's
// first column, without comparing runs.
template <class Link>
[[gnu::always_inline]] inline void eachOverlap(const std::uint64_t* upperBits, const std::uint64_t* upperStarts,
                                               const std::int32_t* upperBefore, const std::uint64_t* lowerBits,
                                               const std::uint64_t* lowerStarts, const std::int32_t* lowerBefore,
                                               int words, Link&& link)
{
    std::uint64_t previous = 0;
    for (int w = 0; w < words; ++w) {
        const std::uint64_t both = upperBits[w] & lowerBits[w];
        std::uint64_t firsts = both & ~((both << 1) | previous);
        previous = both >> 63;
        while (firsts) {
            const int bit = __builtin_ctzll(firsts);
            firsts &= firsts - 1;
            const std::uint64_t upTo = ~std::uint64_t{0} >> (63 - bit);
            link(upperBefore[w] + __builtin_popcountll(upperStarts[w] & upTo) - 1,
                 lowerBefore[w] + __builtin_popcountll(lowerStarts[w] & upTo) - 1);
        }
    }
}

} // namespace

// Four neighbours: the overlaps of the two rows, counted with the POPCNT
// instruction where the processor has it.
#if defined(__x86_64__) && !defined(__POPCNT__)
[[gnu::target("popcnt")]] void PatchLabeller::joinOverlapsCounting(int upper, int lower)
{
    const RowBits up = rowBits(upper), down = rowBits(lower);
    const std::int32_t upperBase = rowStart_[upper], lowerBase = rowStart_[lower];
    const bool downwards = upper < lower;
    eachOverlap(up.bits, up.starts, up.startsBefore, down.bits, down.starts, down.startsBefore, words_,
                [&](std::int32_t i, std::int32_t j) { link(upperBase + i, lowerBase + j, downwards); });
}
#endif

void PatchLabeller::joinOverlaps(int upper, int lower)
{
#if defined(__x86_64__) && !defined(__POPCNT__)
    if (popcnt_)
        return joinOverlapsCounting(upper, lower);
#endif
    const RowBits up = rowBits(upper), down = rowBits(lower);
    const std::int32_t upperBase = rowStart_[upper], lowerBase = rowStart_[lower];
    const bool downwards = upper < lower;
    eachOverlap(up.bits, up.starts, up.startsBefore, down.bits, down.starts, down.startsBefore, words_,
                [&](std::int32_t i, std::int32_t j) { link(upperBase + i, lowerBase + j, downwards); });
}

// Eight neighbours: the runs of the two rows in step, joining those that
// overlap or touch diagonally (within the columns).
void PatchLabeller::joinTouching(int upper, int lower, int reach)
{
    std::int32_t i = rowStart_[upper];
    std::int32_t j = rowStart_[lower];
    const std::int32_t iEnd = rowStart_[upper + 1];
    const std::int32_t jEnd = rowStart_[lower + 1];
    const bool downwards = upper < lower;
    while (i < iEnd && j < jEnd) {
        if (begin(i) < end(j) + reach && begin(j) < end(i) + reach)
            link(i, j, downwards);
        // The run that ends first meets no later run of the other row.
        const std::int32_t endI = end(i), endJ = end(j);
        i += endI <= endJ;
        j += endJ <= endI;
    }
}

void PatchLabeller::joinRows(int upper, int lower, int neighbourhood)
{
    if (neighbourhood == 8)
        joinTouching(upper, lower, 1);
    else
        joinOverlaps(upper, lower);
}

// The diagonal contacts of two neighbouring rows across the column seam.
void PatchLabeller::joinAcrossSeam(int upper, int lower)
{
    const std::int32_t upperFirst = rowStart_[upper], upperEnd = rowStart_[upper + 1];
    const std::int32_t lowerFirst = rowStart_[lower], lowerEnd = rowStart_[lower + 1];
    if (upperFirst == upperEnd || lowerFirst == lowerEnd)
        return;
    if (end(upperEnd - 1) == cols_ && begin(lowerFirst) == 0)
        join(upperEnd - 1, lowerFirst);
    if (begin(upperFirst) == 0 && end(lowerEnd - 1) == cols_)
        join(upperFirst, lowerEnd - 1);
}

void PatchLabeller::markEdges()
{
    spans_ = false;
    auto mark = [this](std::int32_t run, std::uint8_t edge) {
        const std::int32_t root = find(run);
        edges_[root] |= edge;
        const std::uint8_t seen = edges_[root];
        if ((seen & (FirstRow | LastRow)) == (FirstRow | LastRow)
            || (seen & (FirstCol | LastCol)) == (FirstCol | LastCol))
            spans_ = true;
    };
    auto visit = [&](auto&& each) {
        for (std::int32_t run = rowStart_[0]; run < rowStart_[1]; ++run)
            each(run, FirstRow);
        for (std::int32_t run = rowStart_[rows_ - 1]; run < rowStart_[rows_]; ++run)
            each(run, LastRow);
        for (int r = 0; r < rows_; ++r) {
            if (rowStart_[r] == rowStart_[r + 1])
                continue;
            if (begin(rowStart_[r]) == 0)
                each(rowStart_[r], FirstCol);
            if (end(rowStart_[r + 1] - 1) == cols_)
                each(rowStart_[r + 1] - 1, LastCol);
        }
    };
    visit(mark);
    visit([this](std::int32_t run, std::uint8_t) { edges_[find(run)] = 0; });
}

void PatchLabeller::label(const std::uint8_t* mask, bool periodic, int neighbourhood)
{
    runCount_ = 0;
    for (int r = 0; r < rows_; ++r) {
        findRuns(mask + static_cast<std::size_t>(r) * cols_, r);
        if (r > 0)
            joinRows(r - 1, r, neighbourhood);
    }
    markEdges();
    if (periodic) {
        for (int r = 0; r < rows_; ++r) {
            const std::int32_t first = rowStart_[r], last = rowStart_[r + 1] - 1;
            if (first <= last && begin(first) == 0 && end(last) == cols_)
                join(first, last);
        }
        joinRows(rows_ - 1, 0, neighbourhood);
        if (neighbourhood == 8) {
            for (int r = 0; r < rows_; ++r)
                joinAcrossSeam(r, r + 1 < rows_ ? r + 1 : 0);
        }
    }
    // Parents lie below their runs, so one pass in order finds every root
    // and adds each run to it; then the roots' totals in order. Neither
    // loop branches on the data.
    for (std::int32_t run = 0; run < runCount_; ++run) {
        const std::int32_t root = parent_[parent_[run]];
        parent_[run] = root;
        runTotal_[run] = 0;
        runTotal_[root] += end(run) - begin(run);
    }
    std::size_t patches = 0;
    for (std::int32_t run = 0; run < runCount_; ++run) {
        rootTotal_[patches] = runTotal_[run];
        patches += parent_[run] == run;
    }
    sizes_.assign(rootTotal_.get(), rootTotal_.get() + patches);
}

void PatchLabeller::writeLabels(std::int32_t* out) const
{
    std::memset(out, 0, sizeof(std::int32_t) * static_cast<std::size_t>(rows_) * cols_);
    std::vector<std::int32_t> number(static_cast<std::size_t>(runCount_));
    std::int32_t patches = 0;
    for (std::int32_t run = 0; run < runCount_; ++run) {
        number[run] = parent_[run] == run ? ++patches : number[parent_[run]];
    }
    for (int r = 0; r < rows_; ++r) {
        for (std::int32_t run = rowStart_[r]; run < rowStart_[r + 1]; ++run) {
            std::int32_t* cell = out + static_cast<std::size_t>(r) * cols_;
            for (int x = begin(run); x < end(run); ++x)
                cell[x] = number[run];
        }
    }
}
