// SPDX-License-Identifier: GPL-3.0-or-later
#include "fieldpatterns.h"
#include "indicators.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <map>
#include <random>

namespace {

// The patches by a plain breadth-first search over the neighbour offsets,
// wrapped by the remainder as the model wraps its neighbourhood.
std::vector<int> searchPatches(const std::vector<std::uint8_t>& mask, int rows, int cols, bool periodic,
                               int neighbourhood)
{
    std::vector<int> label(mask.size(), 0);
    int patches = 0;
    for (int start = 0; start < rows * cols; ++start) {
        if (!mask[start] || label[start])
            continue;
        label[start] = ++patches;
        std::deque<int> queue{start};
        while (!queue.empty()) {
            const int cell = queue.front();
            queue.pop_front();
            for (int dr = -1; dr <= 1; ++dr) {
                for (int dc = -1; dc <= 1; ++dc) {
                    if ((dr == 0 && dc == 0) || (neighbourhood == 4 && dr != 0 && dc != 0))
                        continue;
                    int r = cell / cols + dr, c = cell % cols + dc;
                    if (periodic) {
                        r = (r + rows) % rows;
                        c = (c + cols) % cols;
                    } else if (r < 0 || r >= rows || c < 0 || c >= cols) {
                        continue;
                    }
                    const int next = r * cols + c;
                    if (mask[next] && !label[next]) {
                        label[next] = patches;
                        queue.push_back(next);
                    }
                }
            }
        }
    }
    return label;
}

bool searchSpans(const std::vector<std::uint8_t>& mask, int rows, int cols, int neighbourhood)
{
    const std::vector<int> label = searchPatches(mask, rows, cols, false, neighbourhood);
    std::map<int, int> edges;
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c) {
            const int l = label[r * cols + c];
            if (l)
                edges[l] |= (r == 0) | (r == rows - 1) << 1 | (c == 0) << 2 | (c == cols - 1) << 3;
        }
    }
    return std::any_of(edges.begin(), edges.end(),
                       [](auto entry) { return (entry.second & 3) == 3 || (entry.second & 12) == 12; });
}

} // namespace

// Every size from 1 to 8 a side and a few wide ones, both neighbourhoods and boundaries, densities
// from sparse to full: the same partition of the cells as the search, the
// patches numbered in the order of their first cells, and the same spanning.
TEST(Labelling, AgreesWithBreadthFirstSearch)
{
    std::mt19937 random(2024);
    // And rows of more than one 64-cell word, the runs crossing the words.
    std::vector<std::pair<int, int>> shapes;
    for (int rows = 1; rows <= 8; ++rows)
        for (int cols = 1; cols <= 8; ++cols)
            shapes.emplace_back(rows, cols);
    for (auto shape : {std::pair{1, 130}, {2, 64}, {3, 65}, {7, 128}, {5, 200}, {130, 3}})
        shapes.push_back(shape);
    for (const auto& [rows, cols] : shapes) {
        {
            FieldAnalyser analyser(rows, cols);
            for (int trial = 0; trial < 40; ++trial) {
                std::bernoulli_distribution one(0.1 + 0.8 * (trial % 10) / 9.0);
                std::vector<std::uint8_t> mask(static_cast<std::size_t>(rows) * cols);
                for (auto& cell : mask)
                    cell = one(random);
                std::copy(mask.begin(), mask.end(), analyser.mask());
                for (bool periodic : {true, false}) {
                    for (int neighbourhood : {4, 8}) {
                        PatternSettings settings;
                        settings.periodic = periodic;
                        settings.neighbourhood = neighbourhood;
                        const FieldMeasures measures = analyser.measure(settings);
                        std::vector<std::int32_t> labels(mask.size());
                        analyser.labeller().writeLabels(labels.data());
                        const std::vector<int> expected = searchPatches(mask, rows, cols, periodic, neighbourhood);
                        ASSERT_EQ(std::vector<int>(labels.begin(), labels.end()), expected)
                            << rows << " x " << cols << " periodic " << periodic << " neighbourhood "
                            << neighbourhood << " trial " << trial;
                        std::vector<long> sizes(measures.patches, 0);
                        for (int l : expected)
                            if (l)
                                ++sizes[l - 1];
                        EXPECT_EQ(analyser.sizes(), sizes);
                        EXPECT_EQ(measures.spans, searchSpans(mask, rows, cols, neighbourhood));
                    }
                }
            }
        }
    }
}

// A 1-wide field wraps onto itself, a 2-wide one meets its other column from
// both sides: every visit counts in Moran's I, as in the model's counts.
TEST(Indicators, MoranCountsEveryWrappedVisit)
{
    // One column (rows stacked), alternating: each cell's left and right
    // neighbours are itself, up and down the other value.
    const std::vector<std::uint8_t> column = {1, 0, 1, 0};
    // m = 1/2, each deviation +-1/2: self pairs 2 x 4 x 1/4 = 2, vertical
    // pairs 2 x 4 x (-1/4) = -2, numerator 0.
    EXPECT_NEAR(*moransI(column.data(), 4, 1, true), 0.0, 1e-15);
    // Two columns with the same value in each row: both horizontal visits
    // are alike pairs, the vertical ones opposite.
    const std::vector<std::uint8_t> rows = {1, 1, 0, 0};
    // m = 1/2: horizontal 4 cells x 2 visits x 1/4 = 2, vertical -2 -> 0.
    EXPECT_NEAR(*moransI(rows.data(), 2, 2, true), 0.0, 1e-15);
    const std::vector<std::uint8_t> checker = {1, 0, 0, 1};
    EXPECT_NEAR(*moransI(checker.data(), 2, 2, true), -1.0, 1e-15);
    const std::vector<std::uint8_t> full = {1, 1, 1, 1};
    EXPECT_EQ(moransI(full.data(), 2, 2, false), std::nullopt);
}
