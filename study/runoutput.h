// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "patternrecorder.h"
#include "runconfig.h"
#include "summary.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <vector>

class Bed;
struct CountsAt;

// Where a run's series (time series or patch sizes) goes as it is
// recorded, as CSV rows, when not into its RunOutput: one per run and
// series, used from the run's thread.
class SeriesSink {
public:
    virtual ~SeriesSink() = default;
    virtual void add(std::string_view rows) = 0;
    // The run is complete: everything added is written.
    virtual void finish() = 0;
};

// What a run records besides its summary; the same for every run of a sweep.
struct Recording {
    std::optional<std::int64_t> burnIn;  // default floor(N/2) of each run's N steps
    std::int64_t countsEvery = 0;        // time series at every this many steps; 0: none
    std::int64_t snapshotEvery = 0;      // with onSnapshot: 0 takes the start and final field only
    // Called (from the run's thread) with the field at each snapshot step.
    std::function<void(std::int64_t run, std::int64_t step, const Bed& bed)> onSnapshot;
    // With countsEvery: the sink of run's time series ("run,step,..."
    // rows); without it the series is kept in the run's output.
    std::function<std::unique_ptr<SeriesSink>(std::int64_t run)> seriesSink;
    PatternRecording patterns;
    // With patterns.series: the sink of run's patch sizes ("run,step,class,
    // size,count" rows); without it they are kept in the run's output.
    std::function<std::unique_ptr<SeriesSink>(std::int64_t run)> patchSink;
};

// Whether step of a run of steps steps is recorded at every: steps 0, every,
// 2 every, ... and the final step. every 0 takes step 0 and the final step.
bool isRecordedStep(std::int64_t step, std::int64_t every, std::int64_t steps);

struct CountsAt {
    std::int64_t step = 0;
    std::array<long, StateCount> counts{};
};

// Everything one run produces, handed to a writer as one piece.
struct RunOutput {
    std::int64_t run = 0;
    RunConfig config;
    RunSummary summary;
    std::vector<CountsAt> timeSeries;  // empty without countsEvery or with a seriesSink
    std::vector<PatchSizesAt> patchSeries = {};  // empty without patterns.series or with a patchSink
    std::vector<WindowPatterns> patterns = {};   // per class of patterns.classes
};

// A run ended early by its stop flag.
struct RunStopped : std::runtime_error {
    RunStopped() : std::runtime_error("the run was stopped") {}
};

// Performs run number run with config (a file pattern must have been read);
// threads as makeBed takes them. Once *stop (may be null) is true the run
// ends between two steps with RunStopped.
RunOutput performRun(std::int64_t run, const RunConfig& config, const Recording& recording, int threads = 1,
                     const std::atomic<bool>* stop = nullptr);
