// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>

// Spatial indicators of a 0/1 mask of rows x cols bytes, row after row (like
// the labelling, they do not depend on which axis is stored first).

struct BlockMoments {
    std::optional<double> variance; // empty without a complete block
    std::optional<double> skewness; // empty also when the variance is 0
};

// Population variance m2 and skewness m3 / m2^1.5 of the means of the
// complete blocks of block x block cells tiling the mask from its corner;
// columnOnes has room for cols counts.
BlockMoments blockMoments(const std::uint8_t* mask, int rows, int cols, int block, std::uint32_t* columnOnes);

// Moran's I at lag 1 over the four nearest neighbours, across the edges when
// periodic (every visit counting on fields 1 or 2 cells wide), only inside the
// field otherwise; empty when the mask is all zeros or all ones.
std::optional<double> moransI(const std::uint8_t* mask, int rows, int cols, bool periodic);
