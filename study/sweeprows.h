// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings.h"
#include "values.h"

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

// A setting that no sweep takes, under the front end's keyword.
struct UnknownSweepSetting : std::runtime_error {
    explicit UnknownSweepSetting(const std::string& key) : std::runtime_error(key), key(key) {}
    std::string key;
};

// The options of a sweep from keyword settings, as Python and R give them:
// the model's (width .. stop_when), the sweep's (replicates, seed, steps,
// jobs, burn_in), the patches' (patch_class, patterns_every, neighbourhood,
// coarse_grain, xmin, min_tail: whole numbers or texts), design (a file
// name); and the varied settings, each a list of values or one text as
// --vary takes it. Read and checked as tidmar-batch reads its options, the
// messages naming the keywords; a key of no setting throws
// UnknownSweepSetting.
SweepOptions readSweepKeywords(const std::vector<std::pair<std::string, Value>>& settings,
                               const std::vector<std::pair<std::string, std::vector<Value>>>& vary);

// The summary's header for these options, as tidmar-batch writes it.
std::string sweepRowsHeader(const SweepOptions& options);

struct SweepRows {
    std::vector<std::string> summary; // the summary's rows, in run order
    std::vector<std::string> series;  // each run's time series rows, as one text
};

// The rows of the sweep the options describe (no outputs), as tidmar-batch
// writes them; with countsEvery > 0 also each run's time series as --counts
// writes it. The runs go on other threads while this one calls
// poll(runs done, all runs) every few milliseconds: whatever poll throws
// (the user's interrupt) ends every run within a step and is rethrown.
SweepRows sweepSummaryRows(SweepOptions options, std::int64_t countsEvery,
                           const std::function<void(std::int64_t done, std::int64_t total)>& poll);
