// SPDX-License-Identifier: GPL-3.0-or-later
#include "indicators.h"

#include <algorithm>
#include <cmath>
#include <numeric>

BlockMoments blockMoments(const std::uint8_t* mask, int rows, int cols, int block, std::uint32_t* columnOnes)
{
    const int blockRows = rows / block;
    const int blockCols = cols / block;
    if (blockRows == 0 || blockCols == 0)
        return {};
    // The power sums of the counts are exact integers, so that the moments
    // do not depend on the order the blocks are visited in (a field stored
    // either way gives the same bits): with n blocks,
    // n^2 m2 = n S2 - S1^2 and n^3 m3 = n^2 S3 - 3 n S1 S2 + 2 S1^3.
    // A band of block rows is summed column by column (a loop the compiler
    // vectorises), then block columns at a time.
    using Wide = __int128;
    Wide s1 = 0, s2 = 0, s3 = 0;
    const std::size_t width = static_cast<std::size_t>(blockCols) * block;
    for (int br = 0; br < blockRows; ++br) {
        std::fill(columnOnes, columnOnes + width, 0u);
        for (int r = br * block; r < (br + 1) * block; ++r) {
            const std::uint8_t* row = mask + static_cast<std::size_t>(r) * cols;
            for (std::size_t c = 0; c < width; ++c)
                columnOnes[c] += row[c];
        }
        for (int bc = 0; bc < blockCols; ++bc) {
            const std::uint32_t* first = columnOnes + static_cast<std::size_t>(bc) * block;
            const Wide c = std::accumulate(first, first + block, std::uint64_t{0});
            s1 += c;
            s2 += c * c;
            s3 += c * c * c;
        }
    }
    const Wide n = static_cast<Wide>(blockRows) * blockCols;
    const Wide second = n * s2 - s1 * s1;
    const Wide third = n * n * s3 - 3 * n * s1 * s2 + 2 * s1 * s1 * s1;
    const double area = static_cast<double>(block) * block;
    const double blocks = static_cast<double>(n);
    BlockMoments moments;
    moments.variance = static_cast<double>(second) / (blocks * blocks) / (area * area);
    if (second > 0)
        moments.skewness = static_cast<double>(third) / std::pow(static_cast<double>(second), 1.5);
    return moments;
}

std::optional<double> moransI(const std::uint8_t* mask, int rows, int cols, bool periodic)
{
    // With x in {0, 1}: sum over ordered pairs of (x_i - m)(x_j - m)
    // = ones - 2 m sum_i x_i deg_i + m^2 S0, where ones counts the ordered
    // pairs of two ones; everything but m stays an integer. Each row's
    // pairs within it and with the row below are counted in loops the
    // compiler vectorises; the seams and the borders of a closed field after.
    long cells = 0, pairsOfOnes = 0, borderOnes = 0;
    for (int r = 0; r < rows; ++r) {
        const std::uint8_t* row = mask + static_cast<std::size_t>(r) * cols;
        const bool lastRow = r + 1 == rows;
        const std::uint8_t* next = lastRow ? mask : row + cols;
        std::uint32_t ones = 0, across = 0, down = 0;
        for (int c = 0; c + 1 < cols; ++c)
            across += row[c] & row[c + 1];
        if (periodic)
            across += row[cols - 1] & row[0];
        if (!lastRow || periodic)
            for (int c = 0; c < cols; ++c)
                down += row[c] & next[c];
        for (int c = 0; c < cols; ++c)
            ones += row[c];
        cells += ones;
        pairsOfOnes += 2 * (static_cast<long>(across) + static_cast<long>(down));
        // Each cell on a closed border misses a neighbour per border it lies on.
        borderOnes += row[0] + row[cols - 1] + ((r == 0) + lastRow) * static_cast<long>(ones);
    }
    const long n = static_cast<long>(rows) * cols;
    const long weightedOnes = periodic ? 4 * cells : 4 * cells - borderOnes;
    const long pairs = periodic ? 4 * n : 4 * n - 2 * static_cast<long>(rows) - 2 * static_cast<long>(cols);
    const double m = static_cast<double>(cells) / static_cast<double>(n);
    const double denominator = static_cast<double>(cells) * (1 - m) * (1 - m)
                               + static_cast<double>(n - cells) * m * m;
    if (cells == 0 || cells == n)
        return std::nullopt;
    const double numerator = static_cast<double>(pairsOfOnes) - 2 * m * static_cast<double>(weightedOnes)
                             + m * m * static_cast<double>(pairs);
    return static_cast<double>(n) / static_cast<double>(pairs) * numerator / denominator;
}
