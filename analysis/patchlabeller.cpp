// SPDX-License-Identifier: GPL-3.0-or-later
#include "patchlabeller.h"

#include <cstring>

namespace {

// Eight mask bytes at once, for skipping whole words of zeros or ones.
std::uint64_t load8(const std::uint8_t* bytes)
{
    std::uint64_t word;
    std::memcpy(&word, bytes, sizeof word);
    return word;
}

constexpr std::uint64_t AllOnes = 0x0101010101010101ULL;

enum Edge : std::uint8_t { FirstRow = 1, LastRow = 2, FirstCol = 4, LastCol = 8 };

} // namespace

PatchLabeller::PatchLabeller(int rows, int cols)
    : rows_(rows), cols_(cols), rowStart_(static_cast<std::size_t>(rows) + 1)
{
    // A row holds at most ceil(cols / 2) runs.
    const std::size_t most = static_cast<std::size_t>(rows) * ((static_cast<std::size_t>(cols) + 1) / 2);
    runBegin_.resize(most);
    runEnd_.resize(most);
    parent_.resize(most);
    runTotal_.resize(most);
    edges_.resize(most);
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

void PatchLabeller::findRuns(const std::uint8_t* row, int r)
{
    std::int32_t run = runCount_;
    rowStart_[r] = run;
    int x = 0;
    while (x < cols_) {
        while (x + 8 <= cols_ && load8(row + x) == 0)
            x += 8;
        while (x < cols_ && !row[x])
            ++x;
        if (x == cols_)
            break;
        const int begin = x;
        while (x + 8 <= cols_ && load8(row + x) == AllOnes)
            x += 8;
        while (x < cols_ && row[x])
            ++x;
        runBegin_[run] = begin;
        runEnd_[run] = x - 1;
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
        if (runBegin_[i] <= runEnd_[j] + reach && runBegin_[j] <= runEnd_[i] + reach)
            join(i, j);
        if (runEnd_[i] < runEnd_[j])
            ++i;
        else if (runEnd_[j] < runEnd_[i])
            ++j;
        else {
            ++i;
            ++j;
        }
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
    // Parents lie below their runs, so one pass in order finds every root.
    for (std::int32_t run = 0; run < runCount_; ++run) {
        parent_[run] = parent_[parent_[run]];
        runTotal_[run] = 0;
    }
    for (std::int32_t run = 0; run < runCount_; ++run)
        runTotal_[parent_[run]] += runEnd_[run] - runBegin_[run] + 1;
    sizes_.clear();
    for (std::int32_t run = 0; run < runCount_; ++run) {
        if (parent_[run] == run)
            sizes_.push_back(runTotal_[run]);
    }
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
