// SPDX-License-Identifier: GPL-3.0-or-later
#include "indicators.h"

#include <cmath>

BlockMoments blockMoments(const std::uint8_t* mask, int rows, int cols, int block)
{
    const int blockRows = rows / block;
    const int blockCols = cols / block;
    if (blockRows == 0 || blockCols == 0)
        return {};
    // Moments of the blocks' counts (the means are the counts / block^2),
    // in two passes, the second about the mean.
    auto count = [&](int br, int bc) {
        long ones = 0;
        for (int r = br * block; r < (br + 1) * block; ++r) {
            const std::uint8_t* row = mask + static_cast<std::size_t>(r) * cols + static_cast<std::size_t>(bc) * block;
            for (int c = 0; c < block; ++c)
                ones += row[c];
        }
        return ones;
    };
    long total = 0;
    for (int br = 0; br < blockRows; ++br)
        for (int bc = 0; bc < blockCols; ++bc)
            total += count(br, bc);
    const double n = static_cast<double>(blockRows) * blockCols;
    const double mean = static_cast<double>(total) / n;
    double sum2 = 0, sum3 = 0;
    for (int br = 0; br < blockRows; ++br) {
        for (int bc = 0; bc < blockCols; ++bc) {
            const double d = static_cast<double>(count(br, bc)) - mean;
            sum2 += d * d;
            sum3 += d * d * d;
        }
    }
    const double area = static_cast<double>(block) * block;
    const double m2 = sum2 / n;
    BlockMoments moments;
    moments.variance = m2 / (area * area);
    if (m2 > 0)
        moments.skewness = (sum3 / n) / std::pow(m2, 1.5);
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
