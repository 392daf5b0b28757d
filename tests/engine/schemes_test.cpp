// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls.h"
#include "musselbed.h"
#include "reference_model.h"
#include "startvalues.h"

#include <gtest/gtest.h>

namespace {

std::vector<Cell> snapshot(const MusselBed& bed)
{
    std::vector<Cell> cells;
    for (int x = 0; x < bed.cellsX; ++x)
        for (int y = 0; y < bed.cellsY; ++y)
            cells.push_back(bed.cell(x, y));
    return cells;
}

std::vector<Cell> previousSnapshot(const MusselBed& bed)
{
    std::vector<Cell> cells;
    for (int x = 0; x < bed.cellsX; ++x)
        for (int y = 0; y < bed.cellsY; ++y)
            cells.push_back(bed.previous()[x][y]);
    return cells;
}

struct Setting {
    const char* name;
    int width, height, scheme;
    bool periodic, longRange;
    int a2, a0, d0, a3, a4, jump;
};

// Runs the engine and the plain reference side by side from the predated line
// and requires the same field after every step.
void expectAgreesWithReference(const Setting& s, int steps)
{
    SCOPED_TRACE(s.name);
    const std::int32_t seed = 20051208;
    MusselBed bed(s.width, s.height, seed);
    reference::Model model(s.width, s.height, seed);
    bed.infectedLine();
    for (int x = 0; x < s.width; ++x)
        for (int y = 0; y < s.height; ++y)
            model.a[x][y] = model.b[x][y] = x == s.width / 2 ? 0 : 2;
    applyControls(bed, {s.a2, s.a0, s.d0, s.a3, s.a4, s.jump, s.longRange, s.periodic, s.scheme});
    model.periodic = s.periodic;
    model.longRange = s.longRange;
    model.a2 = s.a2 * 0.001;
    model.a0 = s.a0 * 0.001;
    model.d0 = s.d0 * 0.001;
    model.a3 = s.a3 * 0.001;
    model.a4 = s.a4 * 0.001;
    model.jumpDistance = s.jump;
    for (int step = 1; step <= steps; ++step) {
        bed.advance();
        model.step(s.scheme);
        ASSERT_EQ(bed.parity, model.parity) << "step " << step;
        for (int x = 0; x < s.width; ++x)
            for (int y = 0; y < s.height; ++y)
                ASSERT_EQ(bed.cell(x, y), model.current()[x][y]) << "step " << step << " cell " << x << "," << y;
    }
}

} // namespace

// The engine against the plain reference, cell for cell, over runs that cover
// every scheme, both boundaries, jumps on and off, tiny and odd-sized fields.
TEST(Schemes, AgreeCellForCellWithThePlainReference)
{
    const Setting settings[] = {
        {"sync default", 24, 17, 0, true, true, 300, 750, 0, 100, 750, 10},
        {"async-uc default", 24, 17, 1, true, true, 300, 750, 0, 100, 750, 10},
        {"async-nrs default", 24, 17, 2, true, true, 300, 750, 0, 100, 750, 10},
        {"sync closed lively", 31, 9, 0, false, true, 900, 400, 30, 300, 500, 4},
        {"async-uc closed far jump", 13, 13, 1, false, true, 800, 500, 20, 200, 900, 40},
        {"async-nrs no jump", 16, 40, 2, true, false, 700, 600, 10, 250, 600, 10},
        {"sync strip", 1, 12, 0, true, true, 1000, 900, 100, 500, 500, 3},
        {"async-uc 2x2", 2, 2, 1, true, true, 1000, 900, 100, 500, 500, 1},
        {"async-nrs 1x1", 1, 1, 2, false, true, 1000, 900, 100, 500, 500, 0},
    };
    for (const Setting& s : settings)
        expectAgreesWithReference(s, 60);
}

// The same on fields large enough for every shortcut of the hot loops: the
// counts of whole columns, the four-cell loads, the words drawn ahead and the
// jumps whose circle lies inside the field.
TEST(Schemes, LargeLivelyFieldsAgreeWithThePlainReference)
{
    for (int scheme = 0; scheme < 3; ++scheme) {
        const Setting lively{"lively", 97, 61, scheme, scheme != 1, true, 600, 500, 20, 100, 750, 10};
        expectAgreesWithReference(lively, 40);
    }
}

// Counts of a fixed run, computed independently by the reference above and
// pinned here so that a change of the stream is seen at once.
TEST(Schemes, FixedSeedRunGivesKnownCounts)
{
    MusselBed bed(64, 64, 4711);
    setDesktopStartValues(bed);
    bed.infectedLine();
    bed.updatemethodeaendern(MusselBed::SyncMethod);
    reference::Model model(64, 64, 4711);
    for (int y = 0; y < 64; ++y)
        model.a[32][y] = model.b[32][y] = 0;
    for (int step = 0; step < 25; ++step) {
        bed.advance();
        model.stepSync();
    }
    std::array<long, 5> expected{};
    for (auto& column : model.current())
        for (int v : column)
            ++expected[v + 1];
    EXPECT_EQ(bed.counts(), expected);
    EXPECT_EQ(expected[0] + expected[1] + expected[2] + expected[3] + expected[4], 64 * 64);
}

TEST(Schemes, SyncAlternatesParityAndKeepsThePreviousGeneration)
{
    MusselBed bed(20, 20, 99);
    setDesktopStartValues(bed);
    bed.infectedLine();
    bed.updatemethodeaendern(MusselBed::SyncMethod);
    bed.advance();
    EXPECT_FALSE(bed.parity);  // read A, wrote B
    bed.advance();
    EXPECT_TRUE(bed.parity);
}

TEST(Schemes, PreviousLatticeHoldsTheFieldBeforeEveryStepInEveryScheme)
{
    MusselBed bed(30, 25, 7);
    setDesktopStartValues(bed);
    bed.infectedLine();
    for (int step = 0; step < 30; ++step) {
        bed.updatemethodeaendern(step % 3);  // switching between steps is seamless
        const std::vector<Cell> before = snapshot(bed);
        bed.advance();
        EXPECT_EQ(previousSnapshot(bed), before) << "step " << step;
        for (Cell c : snapshot(bed))
            ASSERT_TRUE(isCellState(c));
    }
}

TEST(Schemes, UnknownMethodPerformsNoStep)
{
    MusselBed bed(10, 10, 7);
    bed.infectedLine();
    bed.updatemethodeaendern(3);
    const Ran1 before = bed.random;
    bed.advance();
    EXPECT_EQ(bed.random.seed, before.seed);
    EXPECT_EQ(bed.counts()[stateIndex(PredatorOnYoung)], 10);
}

TEST(Schemes, AsyncUCOnOneCellDrawsTwoPositionsAndTheRule)
{
    MusselBed bed(1, 1, 3);
    bed.setmaturing(0);
    bed.updatemethodeaendern(MusselBed::AsyncUCMethod);
    Ran1 expected = bed.random;
    for (int i = 0; i < 6; ++i)
        expected.ran1();
    bed.advance();
    EXPECT_EQ(bed.random.seed, expected.seed);
}

TEST(Schemes, AsyncNRSVisitsEveryCellExactlyOnce)
{
    for (auto [w, h] : {std::pair{1, 1}, {3, 7}, {1000, 1000}}) {
        MusselBed bed(w, h, 11);
        // Every cell a predator on adults: each visit turns it empty and draws
        // exactly four deviates, so the draws count the visits.
        for (int x = 0; x < w; ++x)
            for (int y = 0; y < h; ++y)
                bed.latticeA[x][y] = PredatorOnAdults;
        bed.updatemethodeaendern(MusselBed::AsyncNRSMethod);
        Ran1 expected = bed.random;
        Rand15 expectedShuffle = bed.shuffleRandom;
        for (long i = 0; i < 4L * w * h; ++i)
            expected.ran1();
        for (int i = 0; i < 4 * (w + h); ++i)
            expectedShuffle.next();
        bed.advance();
        EXPECT_EQ(bed.random.seed, expected.seed) << w << "x" << h;
        EXPECT_EQ(bed.shuffleRandom.state, expectedShuffle.state);
        EXPECT_EQ(bed.counts()[stateIndex(Empty)], static_cast<long>(w) * h);
    }
}

TEST(Schemes, SyncJumpTargetIsOverwrittenWhenTheSweepReachesIt)
{
    // A predator at x = 0 jumps to x = 10 (dx = +10). The sweep reaches x = 10
    // later and rewrites it from the source, where it is young: only with
    // predation off and no maturing it stays young.
    MusselBed bed(30, 30, 5);
    for (int x = 0; x < 30; ++x)
        for (int y = 0; y < 30; ++y)
            bed.latticeA[x][y] = Empty;
    bed.setcolonization(0);
    bed.setmaturing(0);
    bed.setpredation(0);
    bed.setjumpdistance(10);
    bed.latticeA[0][15] = PredatorOnYoung;
    bed.latticeA[10][15] = YoungMussel;
    bed.updatemethodeaendern(MusselBed::SyncMethod);
    bed.advance();
    EXPECT_EQ(bed.cell(0, 15), Empty);
    EXPECT_EQ(bed.cell(10, 15), YoungMussel);

    // A target the sweep has passed keeps the predator.
    MusselBed back(30, 30, 5);
    for (int x = 0; x < 30; ++x)
        for (int y = 0; y < 30; ++y)
            back.latticeA[x][y] = Empty;
    back.setcolonization(0);
    back.setjumpdistance(10);
    back.latticeA[20][15] = PredatorOnYoung;
    back.latticeA[10][15] = YoungMussel;
    back.updatemethodeaendern(MusselBed::SyncMethod);
    back.advance();
    EXPECT_EQ(back.cell(10, 15), PredatorOnYoung);
}
