// SPDX-License-Identifier: GPL-3.0-or-later
#include "musselbed.h"

#include <gtest/gtest.h>

TEST(Lattice, MatrixIsOneXMajorBlock)
{
    Lattice lattice = matrix(0, 4, 0, 2);
    for (int x = 0; x < 5; ++x)
        for (int y = 0; y < 3; ++y)
            EXPECT_EQ(&lattice[x][y], lattice.block() + x * 3 + y);
    freeLattice(lattice);
    EXPECT_FALSE(lattice);
    freeLattice(lattice);  // twice is harmless
}

TEST(Lattice, ImpossibleAllocationThrowsBadAllocNamingTheFailure)
{
    auto failure = [](long nxh, long nyh) -> std::string {
        try {
            matrix(0, nxh, 0, nyh);
        } catch (const std::bad_alloc& error) {
            return error.what();
        }
        return "no failure";
    };
    EXPECT_EQ(failure(1L << 20, 1L << 50), "allocation failure 2 in matrix()");
    EXPECT_EQ(failure(1L << 62, 0), "allocation failure 1 in matrix()");
}

TEST(StartPatterns, ConstructionLaysDownYoungMusselsInBothLattices)
{
    MusselBed bed(7, 4);
    EXPECT_TRUE(bed.parity);
    EXPECT_EQ(bed.step, 0);
    for (int x = 0; x < 7; ++x)
        for (int y = 0; y < 4; ++y) {
            EXPECT_EQ(bed.latticeA[x][y], YoungMussel);
            EXPECT_EQ(bed.latticeB[x][y], YoungMussel);
        }
}

TEST(StartPatterns, InfectedLineIsTheMiddleColumn)
{
    struct Case { int width, line; };
    for (Case c : {Case{256, 128}, Case{5, 2}, Case{1, 0}, Case{2, 1}}) {
        MusselBed bed(c.width, 3);
        bed.parity = false;
        bed.step = 9;
        bed.infectedLine();
        EXPECT_TRUE(bed.parity);
        EXPECT_EQ(bed.step, 0);
        for (int x = 0; x < c.width; ++x)
            for (int y = 0; y < 3; ++y) {
                const Cell expected = x == c.line ? PredatorOnYoung : YoungMussel;
                ASSERT_EQ(bed.latticeA[x][y], expected) << c.width << ": " << x;
                ASSERT_EQ(bed.latticeB[x][y], expected);
            }
    }
}

TEST(Parameters, SettersScaleThousandthsAndKeepValuesAcrossResize)
{
    MusselBed bed(10, 10);
    EXPECT_DOUBLE_EQ(bed.recolonization, 0.2);
    EXPECT_DOUBLE_EQ(bed.neighbourCoupling, 0.33);
    EXPECT_EQ(bed.updateMethod, MusselBed::AsyncUCMethod);
    bed.setpredation(750);
    bed.setcolonization(0);
    bed.setjumpdistance(100);
    bed.setmaturing(1);
    EXPECT_EQ(bed.predation, 750 * 0.001);
    EXPECT_EQ(bed.predation, 0.75);
    EXPECT_EQ(bed.recolonization, 0.0);
    EXPECT_EQ(bed.maturing, 0.001);
    EXPECT_EQ(bed.jumpDistance, 100);

    bed.editCell(3, 3, PredatorOnAdults);
    ASSERT_TRUE(bed.resize(300, 200));
    EXPECT_EQ(bed.cellsX, 300);
    EXPECT_EQ(bed.cellsY, 200);
    EXPECT_EQ(bed.predation, 0.75);
    EXPECT_EQ(bed.jumpDistance, 100);
    EXPECT_EQ(bed.counts()[stateIndex(YoungMussel)], 300 * 200);
}

TEST(Parameters, ResizeRefusesSizesOutsideTheOrders)
{
    MusselBed bed(10, 10);
    EXPECT_FALSE(bed.resize(0, 5));
    EXPECT_FALSE(bed.resize(5, MusselBed::MaxCells + 1));
    EXPECT_EQ(bed.cellsX, 10);
    EXPECT_TRUE(bed.resize(MusselBed::MaxCells, 1));
}

TEST(Editing, WritesCurrentAndMarksPreviousInsideTheFieldOnly)
{
    MusselBed bed(4, 3);
    bed.parity = false;
    EXPECT_TRUE(bed.editCell(3, 2, PredatorOnYoung));
    EXPECT_EQ(bed.latticeB[3][2], PredatorOnYoung);
    EXPECT_EQ(bed.latticeA[3][2], RedrawMark);
    for (auto [x, y] : {std::pair{-1, 0}, {4, 0}, {0, -1}, {0, 3}})
        EXPECT_FALSE(bed.editCell(x, y, Empty));
}

TEST(Editing, SetFieldTakesRowsAndRejectsBadInputUnchanged)
{
    MusselBed bed(2, 2);
    std::string error;
    // Three columns, two rows.
    ASSERT_TRUE(bed.setField(3, 2, {-1, 0, 1, 2, 3, -1}, &error)) << error;
    EXPECT_EQ(bed.cellsX, 3);
    EXPECT_EQ(bed.cell(0, 0), -1);
    EXPECT_EQ(bed.cell(2, 0), 1);
    EXPECT_EQ(bed.cell(0, 1), 2);
    EXPECT_EQ(bed.latticeB[1][1], 3);

    EXPECT_FALSE(bed.setField(3, 2, {-1, 0, 1, 2, 4, -1}, &error));
    EXPECT_NE(error.find("code 4 at x = 1, y = 1"), std::string::npos) << error;
    EXPECT_FALSE(bed.setField(3, 2, {1, 1}, &error));
    EXPECT_FALSE(bed.setField(0, 0, {}, &error));
    EXPECT_EQ(bed.cell(1, 1), 3);
}

TEST(Statistics, FractionsOfTheStartPatternsAddUpToOne)
{
    MusselBed bed(256, 256);
    EXPECT_EQ(bed.fractions(), (std::array<double, 5>{0, 0, 0, 1, 0}));
    bed.infectedLine();
    const auto share = bed.fractions();
    EXPECT_EQ(share[stateIndex(PredatorOnYoung)], 1.0 / 256);
    EXPECT_EQ(share[stateIndex(YoungMussel)], 255.0 / 256);
    // A marked or foreign value falls into no class.
    bed.latticeA[0][0] = 17;
    const auto counts = bed.counts();
    EXPECT_EQ(counts[0] + counts[1] + counts[2] + counts[3] + counts[4], 256 * 256 - 1);
}
