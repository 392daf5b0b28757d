// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "livebed.h"
#include "runconfig.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct ModelOptions;

// Arguments in the command line's wording ("--a2", "0.3", ...).
using Arguments = std::vector<std::string>;

// One bed driven from a script as the desktop program drives its own: made
// from the one-run options, stepped, edited, reset and changed between steps.
// Every value arrives as the command line's option text and is read, checked
// and refused (BatchError) as tidmar-batch reads it; a refusal changes nothing.
// The Python and R packages hold one each.
class LiveSession {
public:
    // The one-run options that describe the model (--width, --a2, --seed, ...);
    // without --seed, one from the clock.
    explicit LiveSession(const Arguments& arguments);

    // One step of the current scheme.
    void advance()
    {
        bed_->advance();
        ++stepCount;
    }
    std::int64_t steps() const { return stepCount; }
    const LiveBed& bed() const { return *bed_; }
    const RunConfig& config() const { return config_; }
    int threads() const { return threads_; }

    // Sets cell (x, y) to state, as the mouse does.
    // Coordinates count from origin (0 or 1) in messages too.
    void edit(std::int64_t x, std::int64_t y, std::int64_t state, int origin = 0);
    // Lays down "young" or "line"; seed (option text) restarts the generators.
    void reset(const std::string& pattern, const std::optional<std::string>& seed);
    // Lays down a field of codes given row by row (codes[y * width + x]),
    // which may change the bed's size.
    void resetField(std::int64_t width, std::int64_t height, std::vector<Cell> codes,
                    const std::optional<std::string>& seed);
    // A changeable setting (--a2 .. --a4, --jump, --long-range, --boundary,
    // --scheme), through the desktop control's setter.
    void set(const std::string& option, const std::string& text);

private:
    void layDown(const Pattern& pattern, const ModelOptions& options);

    RunConfig config_;
    int threads_ = 1;
    std::unique_ptr<LiveBed> bed_;
    std::int64_t stepCount = 0;
};

// A number of steps as --steps reads it.
std::int64_t readSteps(const std::string& text);
// The interval of recorded counts, a whole number from 1; name in messages.
std::int64_t readInterval(const std::string& name, const std::string& text);
