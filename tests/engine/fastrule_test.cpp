// SPDX-License-Identifier: GPL-3.0-or-later
#include "fastrule.h"

#include <gtest/gtest.h>

#include <cmath>

// Every probability a control can give, and sums of two, fire with that
// probability to within 2^-32 and never less; 0 never fires, 1 and more always.
TEST(FastRule, ThresholdsFireWithTheirProbability)
{
    for (int n = 0; n <= 2000; ++n) {
        const double p = n * 0.001;
        bool always = false;
        const std::uint32_t t = fastrule::threshold(p, &always);
        if (p >= 1) {
            EXPECT_TRUE(always) << p;
            continue;
        }
        EXPECT_FALSE(always) << p;
        const double share = t / 4294967296.0;
        EXPECT_GE(share, p) << p;
        EXPECT_LT(share - p, 1.0 / 4294967296.0) << p;
        EXPECT_EQ(t == 0, n == 0) << p;
    }
    bool always = false;
    EXPECT_EQ(fastrule::threshold(-0.5, &always), 0u);
    EXPECT_FALSE(always);
    EXPECT_EQ(fastrule::threshold(std::nan(""), &always), 0u);
    EXPECT_FALSE(always);
    fastrule::threshold(1 - 1e-12, &always);  // above the last representable threshold
    EXPECT_TRUE(always);
}

// The sums of codes over any 3 x 3 block give, for each state, the count of the
// neighbours its transition reads; the byte-plane and the cell-code readings
// agree, the latter whatever lies in the row below the block.
TEST(FastRule, CodeSumsCountTheNeighboursEachStateReads)
{
    // Every block of nine cells drawn from a small pseudo-random sequence.
    std::uint32_t x = 12345;
    auto next = [&x]() {
        x = x * 1103515245u + 12345u;
        return static_cast<int>((x >> 16) % StateCount) - 1;
    };
    for (int trial = 0; trial < 20000; ++trial) {
        int cells[9];
        int seen[StateCount] = {};
        unsigned mussels = 0, predators = 0;
        for (int& cell : cells) {
            cell = trial < StateCount ? trial - 1 : next();
            const auto state = static_cast<std::int8_t>(cell);
            mussels += fastrule::musselCode(state);
            predators += fastrule::predatorCode(state);
        }
        // Columns of three rows, as the visits read them, with a fourth row.
        std::uint32_t columns[3] = {};
        for (int i = 0; i < 9; ++i)
            columns[i / 3] |= static_cast<std::uint32_t>(fastrule::cellCode(static_cast<std::int8_t>(cells[i])))
                           << (8 * (i % 3));
        for (std::uint32_t& column : columns)
            column |= static_cast<std::uint32_t>(fastrule::cellCode(static_cast<std::int8_t>(next()))) << 24;
        for (int i = 0; i < 9; ++i)
            if (i != 4)
                ++seen[stateIndex(cells[i])];
        const auto centre = static_cast<std::int8_t>(cells[4]);
        unsigned expected = 0;
        switch (centre) {
        case PredatorOnYoung: expected = seen[stateIndex(YoungMussel)]; break;
        case Empty: expected = seen[stateIndex(YoungMussel)] + seen[stateIndex(AdultMussel)]; break;
        case YoungMussel: expected = seen[stateIndex(PredatorOnYoung)]; break;
        case AdultMussel: expected = seen[stateIndex(PredatorOnAdults)]; break;
        default: break;
        }
        ASSERT_LT(mussels, 256u);
        ASSERT_LT(predators, 256u);
        EXPECT_EQ(fastrule::countFor(centre, static_cast<fastrule::Code>(mussels), static_cast<fastrule::Code>(predators)),
                  expected);
        const std::uint64_t block = fastrule::blockOf(columns[0], columns[1], columns[2]);
        EXPECT_EQ(fastrule::countInBlock(block, fastrule::countedBits(fastrule::cellCode(centre))), expected);
    }
}

// The synchronous sweep reads the rule by outcome class: for every setting of
// the probabilities and the jump, every state and count, the class holds the
// row's outcome.
TEST(FastRule, EveryRowHasItsClassOutcome)
{
    const fastrule::Probabilities settings[] = {
        {0.6, 0.5, 0.02, 0.1, 0.75, true}, {0.3, 0.75, 0, 0.1, 0.75, false}, {1, 1, 1, 1, 1, true},
        {0, 0, 0, 0, 0, false},            {0.123, 0.9, 0.2, 0.55, 0.01, true}};
    for (const fastrule::Probabilities& p : settings) {
        const fastrule::Table table = fastrule::makeTable(p);
        const fastrule::ClassTable classes = fastrule::makeClassTable(table);
        for (Cell state = PredatorOnAdults; state <= AdultMussel; ++state)
            for (unsigned count = 0; count < fastrule::CountsPerState; ++count) {
                const fastrule::Outcome& row = table[fastrule::indexOf(state, count)];
                const fastrule::Outcome& byClass =
                    classes[fastrule::classOfCount(static_cast<std::int8_t>(state), static_cast<fastrule::Code>(count))];
                EXPECT_EQ(row.threshold, byClass.threshold) << state << " " << count;
                EXPECT_EQ(row.fire, byClass.fire) << state << " " << count;
                EXPECT_EQ(row.otherwise, byClass.otherwise) << state << " " << count;
                EXPECT_EQ(row.jumps, byClass.jumps) << state << " " << count;
            }
    }
}
