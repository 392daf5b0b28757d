// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "livebed.h"
#include "runconfig.h"
#include "values.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct ModelOptions;
struct SavedRun;

// One bed driven from a script as the desktop program drives its own: made
// from the model's settings, stepped, edited, reset and changed between
// steps. Values are read by the typed readers (values.h) under the keyword
// names of Python and R; a refusal (BatchError) changes nothing. The Python
// and R packages hold one each.
class LiveSession {
public:
    // Settings checked together (checkModelOptions); without a seed, one
    // drawn (never that of the session made just before).
    explicit LiveSession(const ModelOptions& options);
    // The session saved by state(), or by --save-state, going on as it would
    // have (BatchError when the state does not fit its engine).
    LiveSession(const SavedRun& saved, int threads);

    // The whole state, step count and seed, as --save-state writes them.
    std::string state() const;

    // One step of the current scheme.
    void advance();
    std::int64_t steps() const { return stepCount; }
    // Whether the exact engine has drawn more numbers than its generator's
    // period since its seed (at the least, as generatorPeriodPassedAt
    // counts); it stays so, as the summary's flag does.
    bool generatorPeriodPassed() const { return periodPassed; }
    const LiveBed& bed() const { return *bed_; }
    const RunConfig& config() const { return config_; }
    int threads() const { return threads_; }

    // Sets cell (x, y) to state, as the mouse does. Coordinates count from
    // origin (0 or 1), in messages too.
    void edit(std::int64_t x, std::int64_t y, std::int64_t state, int origin = 0);
    // Lays down "young" or "line"; seed restarts the generators.
    void reset(const Value& pattern, const std::optional<Value>& seed);
    // Lays down a field of codes given row by row (codes[y * width + x]),
    // which may change the bed's size.
    void resetField(std::int64_t width, std::int64_t height, std::vector<Cell> codes,
                    const std::optional<Value>& seed);
    // A changeable setting (a2 .. a4, jump, long_range, boundary, scheme),
    // through the desktop control's setter.
    void set(const std::string& key, const Value& value);

private:
    void layDown(const Pattern& pattern, const std::optional<Value>& seed);

    RunConfig config_;
    int threads_ = 1;
    std::unique_ptr<LiveBed> bed_;
    std::int64_t stepCount = 0;
    std::int64_t drawsSinceSeed = 0;
    bool periodPassed = false;
};
