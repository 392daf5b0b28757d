// SPDX-License-Identifier: GPL-3.0-or-later
#include "indicators.h"

#include <cmath>

BlockMoments blockMoments(const std::uint8_t* mask, int rows, int cols, int block)
{
    const int blockRows = rows / block;
    const int blockCols = cols / block;
    if (blockRows == 0 || blockCols == 0)
        return {};
    // Moments of the blocks' counts; the means are the counts / block^2.
    auto count = [&](int br, int bc) {
        long ones = 0;
        for (int r = br * block; r < (br + 1) * block; ++r) {
            const std::uint8_t* row = mask + static_cast<std::size_t>(r) * cols + static_cast<std::size_t>(bc) * block;
            for (int c = 0; c < block; ++c)
                ones += row[c];
        }
        return ones;
    };
    // The power sums of the counts are exact integers, so that the moments
    // do not depend on the order the blocks are visited in (a field stored
    // either way gives the same bits): with n blocks,
    // n^2 m2 = n S2 - S1^2 and n^3 m3 = n^2 S3 - 3 n S1 S2 + 2 S1^3.
    using Wide = __int128;
    Wide s1 = 0, s2 = 0, s3 = 0;
    for (int br = 0; br < blockRows; ++br) {
        for (int bc = 0; bc < blockCols; ++bc) {
            const Wide c = count(br, bc);
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
    // pairs of two ones; everything but m stays an integer.
    long cells = 0, pairsOfOnes = 0, weightedOnes = 0, pairs = 0;
    for (int r = 0; r < rows; ++r) {
        const std::uint8_t* row = mask + static_cast<std::size_t>(r) * cols;
        const bool lastRow = r + 1 == rows;
        const std::uint8_t* next = lastRow ? mask : row + cols;
        for (int c = 0; c < cols; ++c) {
            const bool lastCol = c + 1 == cols;
            const long x = row[c];
            cells += x;
            if (!lastCol || periodic)
                pairsOfOnes += 2 * x * row[lastCol ? 0 : c + 1];
            if (!lastRow || periodic)
                pairsOfOnes += 2 * x * next[c];
            if (!periodic) {
                const long degree = (r > 0) + !lastRow + (c > 0) + !lastCol;
                weightedOnes += x * degree;
                pairs += degree;
            }
        }
    }
    const long n = static_cast<long>(rows) * cols;
    if (periodic) {
        weightedOnes = 4 * cells;
        pairs = 4 * n;
    }
    const double m = static_cast<double>(cells) / static_cast<double>(n);
    const double denominator = static_cast<double>(cells) * (1 - m) * (1 - m)
                               + static_cast<double>(n - cells) * m * m;
    if (cells == 0 || cells == n)
        return std::nullopt;
    const double numerator = static_cast<double>(pairsOfOnes) - 2 * m * static_cast<double>(weightedOnes)
                             + m * m * static_cast<double>(pairs);
    return static_cast<double>(n) / static_cast<double>(pairs) * numerator / denominator;
}
