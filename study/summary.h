// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "runconfig.h"
#include "stopcondition.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

// What a sweep keeps of one run: the counts of the final field, and the mean
// and the standard deviation (population form) of each state's fraction over
// the measurement window: the fields after steps B+1 .. N, where B is the
// burn-in, by default floor(N/2) (the last ceil(N/2) steps; for N = 1 the one
// step; for N = 0 the start field).
struct RunSummary {
    std::array<long, StateCount> finalCounts{};
    std::array<double, StateCount> meanFractions{};
    std::array<double, StateCount> sdFractions{};
    std::int64_t burnIn = 0;
    // The exact run draws more numbers than its generator's period (see
    // generatorPeriodPassedAt).
    bool periodPassed = false;
    // With a stop condition: the first step at which each group had no cell
    // (-1: never), and the step the run ended at.
    ExtinctionSteps extinction;
    std::int64_t endedAt = 0;
};

// The burn-in a run of steps uses: burnIn when given, floor(steps/2) otherwise.
std::int64_t effectiveBurnIn(const std::optional<std::int64_t>& burnIn, std::int64_t steps);

// The period of ran1, the exact engine's generator: 2^31 - 2 draws.
constexpr std::int64_t GeneratorPeriod = 2147483646;

// The first step after which an exact run has certainly drawn more than
// GeneratorPeriod numbers (every visit draws at least four, an async-uc visit
// two more for its position), or nothing when it never does within its steps.
// Fast runs have generators of far longer period: nothing.
std::optional<std::int64_t> generatorPeriodPassedAt(const RunConfig& config);
// The numbers an exact step of the scheme on a field of the size draws at
// the least.
std::int64_t leastDrawsPerStep(int scheme, int width, int height);

// The warning line for runs exact runs that pass the period, the first of
// them with config at step.
std::string generatorPeriodWarning(const RunConfig& config, std::int64_t step, std::int64_t runs);

// Performs the run (a file pattern must have been read into config); threads
// as makeBed takes them.
RunSummary summarizeRun(const RunConfig& config, int threads = 1);

// The summary CSV: run number, seed, the parameters and the mode in the
// one-run options' own spelling (so that a row can be repeated alone), final
// counts and mean fractions, then the standard deviations, the burn-in, the
// SHA-256 of a file pattern (empty otherwise) and whether the run passed the
// generator's period. Fractions in the shortest form that reads back exactly.
// With a stop condition (extinction, for the header) the extinction steps of
// each state, of mussels and of predators follow (empty: never), and the step
// the run ended at.
std::string summaryHeader(bool extinction = false);
std::string summaryRow(std::int64_t run, const RunConfig& config, const RunSummary& summary);
