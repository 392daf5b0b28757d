// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// Labels the patches of a 0/1 mask of rows x cols bytes, row after row: the
// cells of a patch are joined through their 4 or 8 nearest neighbours, across
// opposite edges when periodic (a field 1 or 2 cells wide or high wraps onto
// itself, as the model's neighbourhood does). Works on the runs of ones in
// each row with a union-find over runs, linear in the cells; every buffer is
// sized by the constructor for the worst case, so labelling allocates nothing.
// Rows and columns play symmetric parts: a field stored column by column is
// labelled as well with rows and cols swapped.
class PatchLabeller {
public:
    PatchLabeller(int rows, int cols);
    // The bytes a labeller of rows x cols holds.
    static std::size_t bytesFor(int rows, int cols);

    int rows() const { return rows_; }
    int cols() const { return cols_; }

    // neighbourhood is 4 or 8.
    void label(const std::uint8_t* mask, bool periodic, int neighbourhood);

    // After label(): the number of patches and their sizes, in the order of
    // each patch's first cell.
    long patchCount() const { return static_cast<long>(sizes_.size()); }
    const std::vector<long>& sizes() const { return sizes_; }
    // Whether some patch, labelled without joining across the edges,
    // touches both the first and the last row or both the first and the last
    // column.
    bool spans() const { return spans_; }
    // The patch number of every cell (1 for the first patch, as in sizes()),
    // 0 outside the class: rows x cols values, row after row.
    void writeLabels(std::int32_t* out) const;

private:
    // The bits of a row, the starts of its runs as bits, and the runs
    // starting in the words before each word: kept for the row before and
    // for the first row, which the last row meets across the seam.
    struct RowBits {
        std::uint64_t* bits;
        std::uint64_t* starts;
        std::int32_t* startsBefore;
    };
    RowBits rowBits(int r) const;

    void findRuns(const std::uint8_t* row, int r);
    void joinRows(int upper, int lower, int neighbourhood);
    void joinOverlaps(int upper, int lower);
    void joinOverlapsCounting(int upper, int lower);
    void joinTouching(int upper, int lower, int reach);
    void joinAcrossSeam(int upper, int lower);
    void markEdges();
    std::int32_t find(std::int32_t run);
    void join(std::int32_t a, std::int32_t b);
    void link(std::int32_t upperRun, std::int32_t lowerRun, bool downwards);
    // The first and one past the last column of a run.
    std::int32_t begin(std::int32_t run) const { return span_[2 * static_cast<std::size_t>(run)]; }
    std::int32_t end(std::int32_t run) const { return span_[2 * static_cast<std::size_t>(run) + 1]; }

    int rows_;
    int cols_;
    int words_; // 64-cell words a row
    // Left uninitialised until used, so that sizing a labeller for a large
    // field costs no pass over memory that may stay untouched.
    std::unique_ptr<std::int32_t[]> rowStart_; // runs of row r: [rowStart_[r], rowStart_[r + 1])
    std::unique_ptr<std::int32_t[]> span_;     // begin, end of each run in turn
    std::unique_ptr<std::int32_t[]> parent_;   // never above the run's own index
    std::unique_ptr<long[]> runTotal_;
    std::unique_ptr<long[]> rootTotal_;         // the totals of the roots, in order
    std::unique_ptr<std::uint8_t[]> edges_;    // zero outside markEdges
    std::unique_ptr<std::uint64_t[]> rowWords_; // three rows of bits and of starts
    std::unique_ptr<std::int32_t[]> rowCounts_; // three rows of startsBefore
    std::vector<long> sizes_;
    std::int32_t runCount_ = 0;
    bool spans_ = false;
    bool popcnt_ = false; // the processor counts bits in one instruction
};
