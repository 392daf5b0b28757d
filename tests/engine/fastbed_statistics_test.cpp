// SPDX-License-Identifier: GPL-3.0-or-later
// The throughput engine against the exact engine in distribution. Seeds are
// fixed, so each test gives the same verdict every time; tolerances are a few
// standard errors, wide enough for the chance differences of these seeds and
// narrow enough for a probability that is off by a few per cent.

#include "fastbed.h"
#include "controls.h"
#include "musselbed.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ostream>
#include <random>
#include <string>
#include <vector>

namespace {

struct Settings {
    const char* name;
    int width, height;
    int a2, a0, d0, a3, a4;
    int jump;
    bool longRange, periodic;
};

void PrintTo(const Settings& s, std::ostream* out)
{
    *out << s.name;
}

template <typename Bed>
void apply(Bed& bed, const Settings& s, int scheme)
{
    applyControls(bed, {s.a2, s.a0, s.d0, s.a3, s.a4, s.jump, s.longRange, s.periodic, scheme});
}

constexpr int Replicates = 24;
constexpr int BurnIn = 100;
constexpr int Window = 200;

// The start field of replicate r: every state equally likely in every cell, so
// that all of them are present from the start (from the line pattern some runs
// lose their predators on young early and others do not, which makes replicate
// means spread widely).
std::vector<Cell> startField(const Settings& s, int r)
{
    std::mt19937 random(static_cast<unsigned>(r) + 1);
    std::vector<Cell> codes(static_cast<std::size_t>(s.width) * s.height);
    for (Cell& code : codes)
        code = static_cast<Cell>(random() % StateCount) - 1;
    return codes;
}

// The mean fractions of the five states over the window of one run.
template <typename Bed>
std::array<double, StateCount> windowMeans(Bed& bed, const Settings& s, int scheme, int r)
{
    apply(bed, s, scheme);
    bed.setField(s.width, s.height, startField(s, r), nullptr);
    for (int step = 0; step < BurnIn; ++step)
        bed.advance();
    std::array<double, StateCount> sum{};
    for (int step = 0; step < Window; ++step) {
        bed.advance();
        const std::array<double, StateCount> share = bed.fractions();
        for (int i = 0; i < StateCount; ++i)
            sum[i] += share[i];
    }
    for (double& value : sum)
        value /= Window;
    return sum;
}

struct Summary {
    std::array<double, StateCount> mean{};
    std::array<double, StateCount> variance{};  // of the mean
};

Summary summarise(const std::vector<std::array<double, StateCount>>& runs)
{
    Summary summary;
    const double n = static_cast<double>(runs.size());
    for (int i = 0; i < StateCount; ++i) {
        double sum = 0;
        for (const auto& run : runs)
            sum += run[i];
        summary.mean[i] = sum / n;
        double squares = 0;
        for (const auto& run : runs)
            squares += (run[i] - summary.mean[i]) * (run[i] - summary.mean[i]);
        summary.variance[i] = squares / (n - 1) / n;
    }
    return summary;
}

// How often an event with probability p fired: x of n trials, within four and
// a half binomial standard errors.
void expectRate(long fired, long trials, double p, const std::string& what)
{
    ASSERT_GT(trials, 0) << what;
    const double rate = static_cast<double>(fired) / trials;
    const double error = std::sqrt(p * (1 - p) / trials);
    EXPECT_LE(std::abs(rate - p), 4.5 * error + 1e-12) << what << ": " << fired << " of " << trials << ", expected p = " << p;
}

} // namespace

class FastBedMeanFractions : public testing::TestWithParam<Settings> {};

// Replicated runs in both engines from the same random start fields: the mean
// share of each state over a window after the burn-in agrees within four and a
// half standard errors of the difference, in each scheme.
TEST_P(FastBedMeanFractions, AgreeWithTheExactEngine)
{
    const Settings& s = GetParam();
    const char* schemes[] = {"sync", "async-uc", "async-nrs"};
    for (int scheme = 0; scheme < 3; ++scheme) {
        SCOPED_TRACE(schemes[scheme]);
        std::vector<std::array<double, StateCount>> exactRuns, fastRuns;
        for (int r = 0; r < Replicates; ++r) {
            MusselBed exact(s.width, s.height, 1000 + r);
            exactRuns.push_back(windowMeans(exact, s, scheme, r));
            FastBed fast(s.width, s.height, 5000 + r);
            fastRuns.push_back(windowMeans(fast, s, scheme, r));
        }
        const Summary e = summarise(exactRuns);
        const Summary f = summarise(fastRuns);
        for (int i = 0; i < StateCount; ++i) {
            const double error = std::sqrt(e.variance[i] + f.variance[i]);
            EXPECT_LE(std::abs(f.mean[i] - e.mean[i]), 4.5 * error + 1e-9)
                << "state " << i - 1 << ": exact " << e.mean[i] << ", fast " << f.mean[i] << ", standard error " << error;
        }
    }
}

// Both boundaries, jumps on and off, near and far, and a strip two cells wide,
// in which every cell reads neighbours across the wrap.
INSTANTIATE_TEST_SUITE_P(
    Settings, FastBedMeanFractions,
    testing::Values(Settings{"Lively", 64, 64, 600, 500, 20, 100, 750, 10, true, true},
                    Settings{"ClosedFarJumps", 64, 64, 700, 300, 30, 100, 850, 20, true, false},
                    Settings{"ShortJumpsHeavyPredation", 64, 64, 900, 400, 30, 50, 990, 3, true, true},
                    Settings{"NoLongRange", 64, 64, 500, 400, 30, 50, 950, 0, false, true},
                    Settings{"PredatorsOnYoungDieOut", 64, 64, 600, 500, 20, 100, 300, 10, true, true},
                    Settings{"PeriodicStrip", 2, 1024, 600, 500, 20, 100, 750, 10, true, true}),
    [](const testing::TestParamInfo<Settings>& info) { return std::string(info.param.name); });

// One synchronous step from the same field, many times: each cell's transition
// fires as often as the rule says for its state and neighbourhood, the
// neighbourhoods counted by the exact engine. Pairs of cells in one Philox
// block, in neighbouring columns and of one cell in consecutive steps fire
// together as often as independent events do.
TEST(FastBedStatistics, TransitionFrequenciesFollowTheRule)
{
    constexpr int Width = 64;
    constexpr int Height = 61;  // not a multiple of 4: blocks end inside the column
    constexpr int Steps = 300;
    const double a2 = 0.6, a0 = 0.3, d0 = 0.1, a3 = 0.2, a4 = 0.4;

    std::mt19937 random(11);
    const Cell mix[] = {-1, 0, 1, 1, 1, 2, 2, 2, 3, 3};
    std::vector<Cell> codes(Width * Height);
    for (Cell& code : codes)
        code = mix[random() % 10];

    MusselBed exact(Width, Height, 1);
    ASSERT_TRUE(exact.setField(Width, Height, codes, nullptr));
    exact.updatemethodeaendern(MusselBed::SyncMethod);
    exact.setcolonization(600);
    exact.setneighbourcoupling(300);
    exact.setoceanforcing(100);
    exact.setmaturing(200);
    exact.setpredation(400);
    exact.setlongrange(false);

    // The probability and the fired state of each cell's one event.
    std::vector<double> p(Width * Height);
    std::vector<Cell> fires(Width * Height);
    for (int x = 0; x < Width; ++x)
        for (int y = 0; y < Height; ++y) {
            const Lattice& now = exact.current();
            const int i = x * Height + y;
            switch (exact.cell(x, y)) {
            case PredatorOnAdults:
            case PredatorOnYoung:
                p[i] = 1;
                fires[i] = Empty;
                break;
            case Empty:
                p[i] = (exact.countNeighbours(now, x, y, 2) + exact.countNeighbours(now, x, y, 3)) / 8.0 * a2;
                fires[i] = YoungMussel;
                break;
            case YoungMussel:
                p[i] = exact.countNeighbours(now, x, y, 0) >= 1 ? a4 : a3;
                fires[i] = exact.countNeighbours(now, x, y, 0) >= 1 ? PredatorOnYoung : AdultMussel;
                break;
            default:
                p[i] = exact.countNeighbours(now, x, y, -1) >= 1 ? a0 + d0 : d0;
                fires[i] = PredatorOnAdults;
                break;
            }
        }

    FastBed fast(1, 1, 31337, 2);
    fast.copyFrom(exact);
    std::vector<char> fired(Width * Height), before(Width * Height);
    // Classes of cells by probability, for the pooled rates.
    std::vector<long> trials(64), hits(64);
    std::vector<double> classP(64);
    auto classOf = [](double q) { return static_cast<int>(std::lround(q * 40)); };
    long pairs[3] = {}, bothFired[3] = {};
    const double pairP = a3;  // young mussels with no predator on young beside them
    for (int step = 0; step < Steps; ++step) {
        ASSERT_TRUE(fast.setField(Width, Height, codes, nullptr));
        fast.advance();
        for (int x = 0; x < Width; ++x)
            for (int y = 0; y < Height; ++y) {
                const int i = x * Height + y;
                const Cell next = fast.cell(x, y);
                const Cell stays = codes[static_cast<std::size_t>(y) * Width + x];
                const Cell unchanged = stays == PredatorOnAdults || stays == PredatorOnYoung ? Empty : stays;
                ASSERT_TRUE(next == fires[i] || next == unchanged) << "(" << x << "," << y << ") became " << next;
                before[i] = fired[i];
                fired[i] = next == fires[i];
                const int c = classOf(p[i]);
                classP[c] = p[i];
                ++trials[c];
                hits[c] += fired[i];
            }
        for (int x = 0; x < Width; ++x)
            for (int y = 0; y < Height; ++y) {
                const int i = x * Height + y;
                if (p[i] != pairP || fires[i] != AdultMussel)
                    continue;
                const int below = i + 1, east = i + Height;
                if (y + 1 < Height && p[below] == pairP && fires[below] == AdultMussel) {
                    ++pairs[0];
                    bothFired[0] += fired[i] && fired[below];
                }
                if (x + 1 < Width && p[east] == pairP && fires[east] == AdultMussel) {
                    ++pairs[1];
                    bothFired[1] += fired[i] && fired[east];
                }
                if (step > 0) {
                    ++pairs[2];
                    bothFired[2] += fired[i] && before[i];
                }
            }
    }
    for (std::size_t c = 0; c < trials.size(); ++c)
        if (trials[c] > 0)
            expectRate(hits[c], trials[c], classP[c], "cells with p = " + std::to_string(classP[c]));
    const char* pairNames[] = {"cells above each other", "cells side by side", "one cell in consecutive steps"};
    for (int k = 0; k < 3; ++k)
        expectRate(bothFired[k], pairs[k], pairP * pairP, pairNames[k]);
}
