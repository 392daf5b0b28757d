// SPDX-License-Identifier: GPL-3.0-or-later
#include "musselbed.h"

#include <gtest/gtest.h>

namespace {

// A field of one state, with the parameters zeroed so that tests switch on
// only what they examine.
struct Bed : MusselBed {
    Bed(int width, int height, Cell fillState = Empty) : MusselBed(width, height, 12345)
    {
        for (int x = 0; x < width; ++x)
            for (int y = 0; y < height; ++y)
                latticeA[x][y] = latticeB[x][y] = fillState;
        recolonization = neighbourCoupling = oceanForcing = maturing = predation = 0;
    }
    void put(int x, int y, Cell state) { latticeA[x][y] = latticeB[x][y] = state; }
    // Next state of (x, y) from latticeA into latticeB.
    Cell next(int x, int y)
    {
        updateCell(latticeA, latticeB, x, y);
        return latticeB[x][y];
    }
    // The deviates the next calls would draw, without drawing them.
    std::vector<float> upcoming(int n) const
    {
        Ran1 copy = random;
        std::vector<float> values;
        for (int i = 0; i < n; ++i)
            values.push_back(copy.ran1());
        return values;
    }
    int drawsTakenBy(int x, int y)
    {
        Ran1 before = random;
        next(x, y);
        for (int n = 0; n < 10; ++n) {
            if (before.seed == random.seed)
                return n;
            before.ran1();
        }
        return -1;
    }
};

} // namespace

TEST(Neighbours, ClosedBorderCountsOnlyCellsInside)
{
    Bed bed(4, 4, YoungMussel);
    bed.periodic = false;
    EXPECT_EQ(bed.countNeighbours(bed.latticeA, 0, 0, YoungMussel), 3);
    EXPECT_EQ(bed.countNeighbours(bed.latticeA, 0, 2, YoungMussel), 5);
    EXPECT_EQ(bed.countNeighbours(bed.latticeA, 2, 2, YoungMussel), 8);
    bed.periodic = true;
    EXPECT_EQ(bed.countNeighbours(bed.latticeA, 0, 0, YoungMussel), 8);
}

TEST(Neighbours, PeriodicTinyLatticesCountEveryVisit)
{
    Bed one(1, 1, AdultMussel);
    EXPECT_EQ(one.countNeighbours(one.latticeA, 0, 0, AdultMussel), 8);  // itself, eight times
    Bed strip(1, 5, Empty);
    strip.put(0, 1, PredatorOnAdults);
    EXPECT_EQ(strip.countNeighbours(strip.latticeA, 0, 2, PredatorOnAdults), 3);
    EXPECT_EQ(strip.countNeighbours(strip.latticeA, 0, 2, Empty), 5);  // (0,2) itself twice
    Bed square(2, 2, Empty);
    square.put(1, 1, YoungMussel);
    EXPECT_EQ(square.countNeighbours(square.latticeA, 0, 0, YoungMussel), 4);
    square.periodic = false;
    EXPECT_EQ(square.countNeighbours(square.latticeA, 0, 0, YoungMussel), 1);
}

TEST(Rule, PredatorsAlwaysLeaveEmptyRockAndDrawFourOrFive)
{
    Bed bed(20, 20, Empty);
    bed.put(5, 5, PredatorOnAdults);
    bed.put(10, 10, PredatorOnYoung);
    EXPECT_EQ(bed.drawsTakenBy(5, 5), 4);
    EXPECT_EQ(bed.latticeB[5][5], Empty);
    bed.longRange = false;
    EXPECT_EQ(bed.drawsTakenBy(10, 10), 4);
    EXPECT_EQ(bed.latticeB[10][10], Empty);
    bed.longRange = true;
    EXPECT_EQ(bed.drawsTakenBy(10, 10), 5);  // a jump attempt, no young mussel to find
    bed.put(11, 10, YoungMussel);
    EXPECT_EQ(bed.drawsTakenBy(10, 10), 4);  // a young neighbour: no jump attempt
}

TEST(Rule, RecolonisationFiresExactlyWhenTheShareExceedsTheFirstDraw)
{
    Bed bed(5, 5, Empty);
    bed.recolonization = 1;
    for (auto [x, y] : {std::pair{1, 1}, {1, 2}, {2, 1}, {3, 3}})
        bed.put(x, y, x == 3 ? AdultMussel : YoungMussel);
    // (2, 2) has four mussel neighbours: share 0.5.
    int fired = 0;
    for (int trial = 0; trial < 2000; ++trial) {
        const float r1 = bed.upcoming(1)[0];
        const Cell result = bed.next(2, 2);
        ASSERT_EQ(result, 0.5 > r1 ? YoungMussel : Empty);
        fired += result == YoungMussel;
    }
    EXPECT_NEAR(fired / 2000.0, 0.5, 0.05);

    Bed full(3, 3, YoungMussel);
    full.recolonization = 1;
    full.put(1, 1, Empty);
    for (int trial = 0; trial < 200; ++trial)
        ASSERT_EQ(full.next(1, 1), YoungMussel);

    Bed none(3, 3, Empty);
    none.recolonization = 1000;
    EXPECT_EQ(none.next(1, 1), Empty);
}

TEST(Rule, ClosedCornerStillDividesByEight)
{
    Bed bed(3, 3, YoungMussel);
    bed.periodic = false;
    bed.recolonization = 1;
    bed.put(0, 0, Empty);
    for (int trial = 0; trial < 500; ++trial) {
        const float r1 = bed.upcoming(1)[0];
        ASSERT_EQ(bed.next(0, 0), 3 / 8.0 > r1 ? YoungMussel : Empty);
    }
}

TEST(Rule, PredationComesBeforeMaturing)
{
    Bed bed(3, 3, YoungMussel);
    bed.put(0, 0, PredatorOnYoung);
    bed.maturing = 1;
    bed.predation = 0;
    for (int trial = 0; trial < 100; ++trial)
        ASSERT_EQ(bed.next(1, 1), YoungMussel);
    bed.predation = 1;
    EXPECT_EQ(bed.next(1, 1), PredatorOnYoung);
    bed.predation = 0.5;
    for (int trial = 0; trial < 500; ++trial) {
        const float r2 = bed.upcoming(2)[1];
        ASSERT_EQ(bed.next(1, 1), r2 < 0.5 ? PredatorOnYoung : YoungMussel);
    }
    bed.put(0, 0, Empty);
    bed.maturing = 0.5;
    for (int trial = 0; trial < 500; ++trial) {
        const float r4 = bed.upcoming(4)[3];
        ASSERT_EQ(bed.next(1, 1), r4 < 0.5 ? AdultMussel : YoungMussel);
    }
}

TEST(Rule, AdultsFallToOceanForcingAndToNeighbouringPredatorsOnce)
{
    Bed bed(5, 5, AdultMussel);
    for (int trial = 0; trial < 200; ++trial)
        ASSERT_EQ(bed.next(2, 2), AdultMussel);
    bed.put(1, 1, PredatorOnAdults);
    bed.neighbourCoupling = 0.6;
    bed.oceanForcing = 0.4;
    for (int trial = 0; trial < 200; ++trial)
        ASSERT_EQ(bed.next(2, 2), PredatorOnAdults);
    // Several -1 neighbours add the coupling once.
    bed.put(3, 3, PredatorOnAdults);
    bed.neighbourCoupling = 0.25;
    bed.oceanForcing = 0.125;
    for (int trial = 0; trial < 500; ++trial) {
        const float r3 = bed.upcoming(3)[2];
        ASSERT_EQ(bed.next(2, 2), 0.375 > r3 ? PredatorOnAdults : AdultMussel);
    }
}

TEST(Rule, ForeignValuesAreLeftAloneButStillDraw)
{
    Bed bed(3, 3, Empty);
    bed.put(1, 1, 42);
    bed.latticeB[1][1] = -7;
    EXPECT_EQ(bed.drawsTakenBy(1, 1), 4);
    EXPECT_EQ(bed.latticeB[1][1], -7);
}

TEST(Jump, ZeroRangeNeverJumps)
{
    Bed bed(9, 9, YoungMussel);
    bed.jumpDistance = 0;
    for (int x = 3; x <= 5; ++x)
        for (int y = 3; y <= 5; ++y)
            bed.put(x, y, Empty);
    bed.put(4, 4, PredatorOnYoung);
    for (int trial = 0; trial < 50; ++trial) {
        bed.updateCell(bed.latticeA, bed.latticeA, 4, 4);
        ASSERT_EQ(bed.latticeA[4][4], Empty);
        bed.put(4, 4, PredatorOnYoung);
    }
}

TEST(Jump, CrossesTheRightEdgeEvenWithClosedBoundaries)
{
    for (bool periodic : {false, true}) {
        Bed bed(30, 30, Empty);
        bed.periodic = periodic;
        bed.jumpDistance = 10;
        bed.put(29, 15, PredatorOnYoung);
        bed.put(9, 15, YoungMussel);  // dx = +10 from x = 29 lands on x = 9
        for (int trial = 0; trial < 20; ++trial) {
            bed.latticeB[29][15] = bed.latticeB[9][15] = 99;
            bed.next(29, 15);
            ASSERT_EQ(bed.latticeB[29][15], Empty);
            ASSERT_EQ(bed.latticeB[9][15], PredatorOnYoung) << "periodic " << periodic;
        }
    }
}

TEST(Jump, RangeBeyondTheFieldStaysInside)
{
    // Negative targets (range > width) are wrapped once more when periodic and
    // skipped when closed; the sanitizer build catches any write outside.
    for (bool periodic : {false, true})
        for (int width : {1, 2, 3, 7}) {
            Bed bed(width, 5, YoungMussel);
            bed.periodic = periodic;
            bed.jumpDistance = 100;
            bed.longRange = true;
            for (int trial = 0; trial < 50; ++trial) {
                for (int x = 0; x < width; ++x)
                    for (int y = 0; y < 5; ++y)
                        bed.put(x, y, (x + y + trial) % 3 == 0 ? PredatorOnYoung : Empty);
                bed.put(trial % width, (trial * 3) % 5, YoungMussel);
                for (int x = 0; x < width; ++x)
                    for (int y = 0; y < 5; ++y)
                        bed.updateCell(bed.latticeA, bed.latticeA, x, y);
                for (int x = 0; x < width; ++x)
                    for (int y = 0; y < 5; ++y)
                        ASSERT_TRUE(isCellState(bed.latticeA[x][y]));
            }
        }
}
