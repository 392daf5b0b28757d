#pragma once

#include "runconfig.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <stdexcept>
#include <string>

// What a sweep keeps of one run: the counts of the final field and the mean
// fraction of each state over the second half of the run, that is over the
// fields after steps floor(N/2) + 1 .. N (the last ceil(N/2) steps; for
// N = 1 the one step; for N = 0 the start field).
struct RunSummary {
    std::array<long, StateCount> finalCounts{};
    std::array<double, StateCount> meanFractions{};
};

// Performs the run (a file pattern must have been read into config); threads
// as makeBed takes them. When stop (may be null) becomes true the run ends
// between two steps with RunStopped.
RunSummary summarizeRun(const RunConfig& config, int threads = 1, const std::atomic<bool>* stop = nullptr);

struct RunStopped : std::runtime_error {
    RunStopped() : std::runtime_error("the run was stopped") {}
};

// The summary CSV: run number, seed, the parameters and the mode in the
// one-run options' own spelling (so that a row can be repeated alone), final
// counts and mean fractions, the fractions in the shortest form that reads
// back exactly.
std::string summaryHeader();
std::string summaryRow(std::int64_t run, const RunConfig& config, const RunSummary& summary);
