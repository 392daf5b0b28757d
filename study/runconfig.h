// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cellstate.h"
#include "fieldcsv.h"
#include "randomstart.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class PatternKind { Young, Line, File, Random };

// Which engine performs the run: the exact MusselBed, which reproduces the
// desktop program cell for cell, or the throughput FastBed, which runs the same
// model on its own random numbers.
enum class EngineMode { Exact, Fast };

struct Pattern {
    PatternKind kind = PatternKind::Young;
    std::string path;                        // File: the path; Random: the text after "random:"
    std::shared_ptr<const FieldData> field;  // File only, once read
    RandomStart random;                      // Random only
};

// young, line, random:STATE=FRACTION,... or the path of a field file. Throws
// BatchError (without the option's name) for an empty text or a refused
// random start.
Pattern parsePattern(std::string_view text);

// Everything that determines one run. The defaults are the desktop program's
// start-up values. Probabilities are millionths; a whole number of
// thousandths reaches the engine as the desktop spin boxes hand it over.
struct RunConfig {
    int width = 256;
    int height = 256;
    int scheme = 1;  // 0 sync, 1 async-uc, 2 async-nrs: the engine's updateMethod
    Pattern pattern;
    int a2 = 300000;  // recolonisation
    int a0 = 750000;  // neighbour coupling
    int d0 = 0;       // ocean forcing
    int a3 = 100000;  // maturing
    int a4 = 750000;  // predation
    int jump = 10;
    bool longRange = true;
    bool periodic = true;
    std::int32_t seed = 0;
    std::int64_t steps = 100;
    EngineMode mode = EngineMode::Exact;
    // --stop-when: an index into StopConditions; nothing runs every step
    // and leaves the extinction times out of the summary.
    std::optional<int> stopWhen;
};

// Scheme names as on the command line, indexed by the engine's updateMethod.
inline constexpr const char* SchemeNames[] = {"sync", "async-uc", "async-nrs"};
constexpr int MaxJump = 100;  // the desktop program's jumping-range control

// Mode names as on the command line, indexed by EngineMode.
inline constexpr const char* ModeNames[] = {"exact", "fast"};
inline const char* modeName(EngineMode mode)
{
    return ModeNames[static_cast<int>(mode)];
}
constexpr int MaxThreads = 64;  // threads sharing one fast run's synchronous step

// The pattern as the command line names it: "young", "line", "random:..."
// or the path.
std::string patternName(const Pattern& pattern);
