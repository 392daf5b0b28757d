// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>

// Where the cells of a lattice with a one-cell halo on every side lie in one
// block: x-major (the cellsY + 2 cells of one column follow each other), cell
// (x, y) for -1 <= x <= cellsX and -1 <= y <= cellsY at (x + 1) * stride + y + 1.
// The halo lets every cell read its eight neighbours without bounds checks;
// indices of field cells grow in the x-major order of the cells.
struct PaddedLayout {
    int cellsX = 1;
    int cellsY = 1;
    int stride = 3;  // cellsY + 2

    PaddedLayout() = default;
    PaddedLayout(int width, int height) : cellsX(width), cellsY(height), stride(height + 2) {}

    std::size_t size() const { return static_cast<std::size_t>(cellsX + 2) * static_cast<std::size_t>(stride); }
    int index(int x, int y) const { return (x + 1) * stride + y + 1; }
    // x == 0 or x == cellsX - 1, by one unsigned comparison; rows likewise.
    bool borderColumn(int x) const { return static_cast<unsigned>(x - 1) >= static_cast<unsigned>(cellsX - 2); }
    bool borderRow(int y) const { return static_cast<unsigned>(y - 1) >= static_cast<unsigned>(cellsY - 2); }
    bool onBorder(int x, int y) const { return borderColumn(x) || borderRow(y); }
};
