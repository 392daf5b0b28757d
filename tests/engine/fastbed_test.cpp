// SPDX-License-Identifier: GPL-3.0-or-later
#include "fastbed.h"
#include "controls.h"
#include "musselbed.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

using Settings = Controls;

// Codes row by row, as setField takes them.
std::vector<Cell> randomField(std::mt19937& random, int width, int height, const std::vector<Cell>& states)
{
    std::vector<Cell> codes(static_cast<std::size_t>(width) * height);
    for (Cell& code : codes)
        code = states[random() % states.size()];
    return codes;
}

std::string differences(const MusselBed& exact, const FastBed& fast)
{
    std::string text;
    for (int y = 0; y < exact.cellsY; ++y)
        for (int x = 0; x < exact.cellsX; ++x)
            if (exact.cell(x, y) != fast.cell(x, y))
                text += " (" + std::to_string(x) + "," + std::to_string(y) + "): exact " + std::to_string(exact.cell(x, y))
                      + " fast " + std::to_string(fast.cell(x, y));
    return text;
}

// Steps both engines, from the same field and controls, and reports the first
// step at which their fields differ.
void expectSameSteps(MusselBed& exact, FastBed& fast, int steps)
{
    for (int step = 0; step < steps; ++step) {
        exact.advance();
        fast.advance();
        ASSERT_EQ(differences(exact, fast), "") << "step " << step;
    }
}

std::vector<Cell> field(const FastBed& bed)
{
    std::vector<Cell> cells;
    for (int x = 0; x < bed.cellsX(); ++x)
        for (int y = 0; y < bed.cellsY(); ++y)
            cells.push_back(bed.cell(x, y));
    return cells;
}

// Controls that make the rule deterministic: every probability 0 or at least 1,
// recolonisation 0 (k / 8 A2 is a fraction for most k).
Settings deterministic(std::mt19937& random, bool longRange, int scheme)
{
    auto pick = [&random] { return static_cast<int>(random() % 3) * 600; };  // 0, 0.6 or 1.2
    Settings s{0, pick(), pick(), pick(), pick(), static_cast<int>(random() % 13), longRange, random() % 2 == 0, scheme};
    // Sums of two values of 0.6 are sure; a single 0.6 would be a coin.
    if (s.d0 == 600)
        s.d0 = 0;
    if (s.a0 + s.d0 == 600)
        s.a0 = 0;
    if (s.a3 == 600)
        s.a3 = 1000;
    if (s.a4 == 600)
        s.a4 = 0;
    return s;
}

} // namespace

// With deterministic probabilities the synchronous step must match the exact
// engine cell for cell, on every boundary and on fields down to one cell,
// where the wrapped neighbourhood counts cells several times or the cell itself.
TEST(FastBed, DeterministicSynchronousStepsMatchTheExactEngine)
{
    std::mt19937 random(2024);
    const int sizes[][2] = {{1, 1}, {1, 7}, {6, 1}, {2, 2}, {2, 3}, {3, 3}, {17, 13}, {40, 9}};
    for (const auto& size : sizes)
        for (int trial = 0; trial < 40; ++trial) {
            const Settings s = deterministic(random, false, MusselBed::SyncMethod);
            SCOPED_TRACE(std::to_string(size[0]) + " x " + std::to_string(size[1]) + ", trial " + std::to_string(trial));
            MusselBed exact(size[0], size[1], 5);
            ASSERT_TRUE(exact.setField(size[0], size[1], randomField(random, size[0], size[1], {-1, 0, 1, 2, 3}), nullptr));
            applyControls(exact, s);
            FastBed fast(1, 1, 9, 1 + trial % 3);
            fast.copyFrom(exact);
            expectSameSteps(exact, fast, 4);
        }
}

// With a single young mussel on the field every jump has one possible target,
// found from any start direction: the jumps become deterministic. Predators
// before and after the target in sweep order test that a jump to an earlier
// cell stays and one to a later cell is overwritten, as in the exact sweep;
// distances beyond the field test the wrapping, closed boundaries included.
TEST(FastBed, DeterministicJumpsMatchTheExactEngine)
{
    std::mt19937 random(77);
    const int sizes[][2] = {{1, 1}, {1, 9}, {9, 1}, {2, 2}, {5, 4}, {12, 12}, {31, 20}};
    for (const auto& size : sizes)
        for (int trial = 0; trial < 60; ++trial) {
            const int width = size[0];
            const int height = size[1];
            Settings s = deterministic(random, true, MusselBed::SyncMethod);
            s.jump = static_cast<int>(random() % 40);
            SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height) + ", trial " + std::to_string(trial)
                         + ", jump " + std::to_string(s.jump));
            std::vector<Cell> codes = randomField(random, width, height, {-1, 0, 0, 0, 1, 1, 3});
            codes[random() % codes.size()] = YoungMussel;
            MusselBed exact(width, height, 5);
            ASSERT_TRUE(exact.setField(width, height, codes, nullptr));
            applyControls(exact, s);
            FastBed fast(width, height, 9, 1 + trial % 3);
            fast.copyFrom(exact);
            expectSameSteps(exact, fast, 3);
        }
}

// The two orders spelt out: a predator on young with a young mussel on its
// circle ten cells away, before it in sweep order (taken) or after it
// (overwritten by the young mussel's own transition, which keeps it young).
TEST(FastBed, SynchronousJumpToAnEarlierCellStaysAndToALaterOneIsOverwritten)
{
    for (int target : {5, 25}) {
        SCOPED_TRACE(target);
        std::vector<Cell> codes(30 * 3, Empty);
        codes[1 * 30 + 15] = PredatorOnYoung;  // (15, 1)
        codes[1 * 30 + target] = YoungMussel;  // (target, 1)
        FastBed fast(30, 3, 1, 2);
        ASSERT_TRUE(fast.setField(30, 3, codes, nullptr));
        Settings s{0, 0, 0, 0, 0, 10, true, false, MusselBed::SyncMethod};
        applyControls(fast, s);
        fast.advance();
        EXPECT_EQ(fast.cell(15, 1), Empty);
        EXPECT_EQ(fast.cell(target, 1), target < 15 ? PredatorOnYoung : YoungMussel);
    }
}

// On a single cell all three schemes make one visit a step, so deterministic
// controls make every scheme match the exact engine there.
TEST(FastBed, EverySchemeMatchesTheExactEngineOnASingleCell)
{
    std::mt19937 random(3);
    for (int scheme = 0; scheme < 3; ++scheme)
        for (Cell state : {-1, 0, 1, 2, 3})
            for (int trial = 0; trial < 30; ++trial) {
                const Settings s = deterministic(random, trial % 2 == 0, scheme);
                SCOPED_TRACE("scheme " + std::to_string(scheme) + ", state " + std::to_string(state));
                MusselBed exact(1, 1, 5);
                ASSERT_TRUE(exact.setField(1, 1, {state}, nullptr));
                applyControls(exact, s);
                FastBed fast(1, 1, 9);
                fast.copyFrom(exact);
                expectSameSteps(exact, fast, 3);
            }
}

// The synchronous result depends on the seed and the step only, not on how the
// columns are split over threads (more threads than columns included); jumps
// across band borders are resolved the same way.
TEST(FastBed, SynchronousStepsDoNotDependOnTheThreadCount)
{
    const int sizes[][2] = {{37, 23}, {5, 40}, {2, 9}, {130, 70}};
    for (const auto& size : sizes)
        for (bool periodic : {true, false}) {
            SCOPED_TRACE(std::to_string(size[0]) + " x " + std::to_string(size[1]) + (periodic ? " periodic" : " closed"));
            std::vector<std::vector<Cell>> results;
            for (int threads : {1, 2, 3, 7}) {
                FastBed bed(size[0], size[1], 99, threads);
                applyControls(bed, {700, 500, 30, 100, 800, 6, true, periodic, MusselBed::SyncMethod});
                bed.infectedLine();
                for (int step = 0; step < 30; ++step)
                    bed.advance();
                results.push_back(field(bed));
            }
            for (std::size_t i = 1; i < results.size(); ++i)
                EXPECT_EQ(results[i], results[0]) << "run " << i;
        }
}

// Runs are reproducible from the seed in every scheme, different seeds give
// different runs, and the asynchronous schemes ignore the threads.
TEST(FastBed, RunsAreReproducibleFromTheSeed)
{
    for (int scheme = 0; scheme < 3; ++scheme) {
        SCOPED_TRACE(scheme);
        auto run = [scheme](std::uint64_t seed, int threads) {
            FastBed bed(48, 32, seed, threads);
            applyControls(bed, {600, 500, 20, 100, 750, 10, true, true, scheme});
            bed.infectedLine();
            for (int step = 0; step < 20; ++step)
                bed.advance();
            return field(bed);
        };
        const std::vector<Cell> first = run(1234, 1);
        EXPECT_EQ(run(1234, 1), first);
        EXPECT_EQ(run(1234, 2), first);
        EXPECT_NE(run(1235, 1), first);
        EXPECT_NE(run(1234ull | 1ull << 40, 1), first);  // the seed's high word counts too

        // Reseeding restarts the streams.
        FastBed bed(48, 32, 1, 1);
        applyControls(bed, {600, 500, 20, 100, 750, 10, true, true, scheme});
        bed.advance();
        bed.seed(1234);
        bed.infectedLine();
        for (int step = 0; step < 20; ++step)
            bed.advance();
        EXPECT_EQ(field(bed), first);
    }
}

// Fields come in row by row and are checked first.
TEST(FastBed, SetFieldTakesRowsAndRejectsWhatIsNoField)
{
    FastBed bed(3, 2, 1);
    std::string error;
    EXPECT_FALSE(bed.setField(2, 2, {1, 2, 3}, &error));
    EXPECT_FALSE(bed.setField(2, 2, {1, 2, 3, 4}, &error));
    EXPECT_NE(error.find("not a cell state"), std::string::npos);
    EXPECT_FALSE(bed.setField(0, 2, {}, &error));
    EXPECT_EQ(bed.cellsX(), 3);

    ASSERT_TRUE(bed.setField(4, 2, {-1, 0, 1, 2, 3, 3, 2, 1}, &error));
    EXPECT_EQ(bed.cellsX(), 4);
    EXPECT_EQ(bed.cell(3, 0), YoungMussel);
    EXPECT_EQ(bed.cell(0, 1), AdultMussel);
    EXPECT_EQ(bed.counts(), (std::array<long, StateCount>{1, 1, 2, 2, 2}));
}

// Lively runs of every scheme pinned by a hash of their fields: rewrites of
// the sweeps and visits must keep every cell, on both boundaries and thread
// counts, with every instruction set the processor has.
TEST(FastBed, LivelyRunsKeepTheirFields)
{
    struct Pinned {
        int scheme;
        std::uint64_t periodic, closed;
    };
    const Pinned pinned[] = {
        {MusselBed::SyncMethod, 16611452404379836284ull, 13967494939632517304ull},
        {MusselBed::AsyncUCMethod, 7282381203106770081ull, 14489364302984536409ull},
        {MusselBed::AsyncNRSMethod, 8516992141065308020ull, 14831218431573210292ull},
    };
    for (const Pinned& run : pinned)
        for (bool periodic : {true, false})
            for (int threads : {1, 2})
                for (int vectors : {512, 256, 0}) {
                    SCOPED_TRACE("scheme " + std::to_string(run.scheme) + (periodic ? ", periodic" : ", closed")
                                 + ", threads " + std::to_string(threads) + ", vectors " + std::to_string(vectors));
                    FastBed bed(97, 83, 4321, threads);
                    bed.limitVectors(vectors);
                    applyControls(bed, {600, 500, 20, 100, 750, 10, true, periodic, run.scheme});
                    bed.infectedLine();
                    for (int step = 0; step < 30; ++step)
                        bed.advance();
                    std::uint64_t hash = 1469598103934665603ull;  // FNV-1a over the cells in x-major order
                    for (Cell c : field(bed)) {
                        hash ^= static_cast<std::uint8_t>(c);
                        hash *= 1099511628211ull;
                    }
                    EXPECT_EQ(hash, periodic ? run.periodic : run.closed);
                }
}
