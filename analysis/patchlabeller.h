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
    void findRuns(const std::uint8_t* row, int r);
    void joinRows(int upper, int lower, int neighbourhood);
    void joinAcrossSeam(int upper, int lower);
    void markEdges();
    std::int32_t find(std::int32_t run);
    void join(std::int32_t a, std::int32_t b);

    int rows_;
    int cols_;
    // Left uninitialised until used, so that sizing a labeller for a large
    // field costs no pass over memory that may stay untouched.
    std::unique_ptr<std::int32_t[]> rowStart_; // runs of row r: [rowStart_[r], rowStart_[r + 1])
    std::unique_ptr<std::int32_t[]> runBegin_;
    std::unique_ptr<std::int32_t[]> runEnd_;   // the last column of the run
    std::unique_ptr<std::int32_t[]> parent_;   // never above the run's own index
    std::unique_ptr<long[]> runTotal_;
    std::unique_ptr<long[]> rootTotal_;         // the totals of the roots, in order
    std::unique_ptr<std::uint8_t[]> edges_;    // zero outside markEdges
    std::unique_ptr<std::uint64_t[]> rowBits_; // the row being read, as bits
    std::vector<long> sizes_;
    std::int32_t runCount_ = 0;
    bool spans_ = false;
};
