// SPDX-License-Identifier: GPL-3.0-or-later
#include "patchlabeller.h"

#include <algorithm>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

enum Edge : std::uint8_t { FirstRow = 1, LastRow = 2, FirstCol = 4, LastCol = 8 };

} // namespace

namespace {

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
           + static_cast<std::size_t>(cols) / 8 + 64;
}

PatchLabeller::PatchLabeller(int rows, int cols)
    : rows_(rows), cols_(cols), rowStart_(new std::int32_t[static_cast<std::size_t>(rows) + 1])
{
    const std::size_t most = mostRuns(rows, cols);
    runBegin_.reset(new std::int32_t[most]);
    runEnd_.reset(new std::int32_t[most]);
    parent_.reset(new std::int32_t[most]);
    runTotal_.reset(new long[most]);
    rootTotal_.reset(new long[most + 1]);
    rowBits_.reset(new std::uint64_t[(static_cast<std::size_t>(cols) + 63) / 64]);
    edges_.reset(new std::uint8_t[most]());
    sizes_.reserve(most);
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

// The row as bits, 64 cells a word, then its runs from the cells that
// differ from their left neighbours: such changes alternate between the
// start of a run and the cell after its end.
void PatchLabeller::findRuns(const std::uint8_t* row, int r)
{
    const int words = (cols_ + 63) / 64;
    for (int w = 0; w < words; ++w) {
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
        rowBits_[w] = bits;
    }
    std::int32_t run = runCount_;
    rowStart_[r] = run;
    std::uint64_t previous = 0; // the last cell of the word before, in bit 0
    bool inside = false;
    for (int w = 0; w < words; ++w) {
        const std::uint64_t bits = rowBits_[w];
        std::uint64_t changes = bits ^ ((bits << 1) | previous);
        previous = bits >> 63;
        while (changes) {
            const int x = w * 64 + __builtin_ctzll(changes);
            changes &= changes - 1;
            if (inside) {
                runEnd_[run] = x - 1;
                parent_[run] = run;
                ++run;
            } else {
                runBegin_[run] = x;
            }
            inside = !inside;
        }
    }
    if (inside) {
        runEnd_[run] = cols_ - 1;
        parent_[run] = run;
        ++run;
    }
    runCount_ = run;
    rowStart_[r + 1] = run;
}

// Joins the overlapping runs of two neighbouring rows (diagonal contact
// counts in the 8-neighbourhood), within the columns.
void PatchLabeller::joinRows(int upper, int lower, int neighbourhood)
{
    const int reach = neighbourhood == 8 ? 1 : 0;
    std::int32_t i = rowStart_[upper];
    std::int32_t j = rowStart_[lower];
    const std::int32_t iEnd = rowStart_[upper + 1];
    const std::int32_t jEnd = rowStart_[lower + 1];
    while (i < iEnd && j < jEnd) {
        if (runBegin_[i] <= runEnd_[j] + reach && runBegin_[j] <= runEnd_[i] + reach) {
            // A lower run met for the first time joins the upper run's root,
            // which lies before it.
            if (parent_[j] == j && upper < lower)
                parent_[j] = find(i);
            else
                join(i, j);
        }
        // The run that ends first meets no later run of the other row.
        const std::int32_t endI = runEnd_[i], endJ = runEnd_[j];
        i += endI <= endJ;
        j += endJ <= endI;
    }
}

// The diagonal contacts of two neighbouring rows across the column seam.
void PatchLabeller::joinAcrossSeam(int upper, int lower)
{
    const std::int32_t upperFirst = rowStart_[upper], upperEnd = rowStart_[upper + 1];
    const std::int32_t lowerFirst = rowStart_[lower], lowerEnd = rowStart_[lower + 1];
    if (upperFirst == upperEnd || lowerFirst == lowerEnd)
        return;
    if (runEnd_[upperEnd - 1] == cols_ - 1 && runBegin_[lowerFirst] == 0)
        join(upperEnd - 1, lowerFirst);
    if (runBegin_[upperFirst] == 0 && runEnd_[lowerEnd - 1] == cols_ - 1)
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
            if (runBegin_[rowStart_[r]] == 0)
                each(rowStart_[r], FirstCol);
            if (runEnd_[rowStart_[r + 1] - 1] == cols_ - 1)
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
            const std::int32_t first = rowStart_[r], end = rowStart_[r + 1];
            if (first != end && runBegin_[first] == 0 && runEnd_[end - 1] == cols_ - 1)
                join(first, end - 1);
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
        runTotal_[root] += runEnd_[run] - runBegin_[run] + 1;
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
            for (int x = runBegin_[run]; x <= runEnd_[run]; ++x)
                cell[x] = number[run];
        }
    }
}
