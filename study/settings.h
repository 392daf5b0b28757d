// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fieldpatterns.h"
#include "picturestyle.h"
#include "progressbar.h"
#include "runconfig.h"
#include "variation.h"

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

// The settings of a single run and of a sweep, as the commands take them
// from the command line.

// The options that describe the model run, shared by both commands.
struct ModelOptions {
    RunConfig config;
    bool widthGiven = false;
    bool heightGiven = false;
    bool seedGiven = false;
    // Threads sharing each synchronous step of a fast run (of every run of a
    // sweep); no result depends on their number. Refused in exact mode.
    int threads = 1;
    bool threadsGiven = false;
};

// What both commands record of their runs besides their own outputs.
struct RecordOptions {
    std::string countsPath;  // empty: not written; "-": standard output
    std::int64_t countsEvery = 1;
    std::string snapshotsDir;        // empty: no snapshots
    std::int64_t snapshotEvery = 0;  // 0: the start and the final field
    bool snapshotPictures = false;
    int cellSize = 1;                // pixels per cell edge of every picture
    std::string plotPath;            // .png or .svg; empty: no plot
    PictureStyle style;              // palette, legend and plotted lines of all of them
    // Patches (--patterns, --patterns-every, --patch-class and the analysis
    // options): any of them adds the classes' summary columns to a sweep.
    bool patches = false;
    std::string patternsPath;            // the size series; empty: not written
    std::string patchPlotPath;           // .png or .svg; empty: no patch plot
    std::int64_t patternsEvery = 0;      // 0: countsEvery
    std::vector<PatchClass> patchClasses; // empty: gap and mussel
    PatternSettings patternSettings;
    ProgressChoice progress = ProgressChoice::Auto;
};

struct RunOptions {
    ModelOptions model;
    RecordOptions record;
    std::string fieldPath;
    std::string picturePath;
    std::string saveStatePath;  // the run's state at its end, to continue it
    std::string fromStatePath;  // continue the run saved there
    std::set<std::string> given;  // the options given, by name
    bool quiet = false;
    bool help = false;
};

// Part index of count parts: the runs k with k mod count = index.
struct TaskSplit {
    std::int64_t index = 0;
    std::int64_t count = 1;
};

struct SweepOptions {
    ModelOptions model;
    std::vector<Variation> variations;
    std::string designPath;  // --design: the combinations as rows of a CSV file
    std::int64_t replicates = 1;
    std::optional<int> jobs;  // default: the number of cores
    std::optional<TaskSplit> task;
    RecordOptions record;
    std::optional<std::int64_t> burnIn;  // default: half of each run's steps
    std::string summaryPath;
    bool resume = false;  // continue what an interrupted sweep kept
    bool quiet = false;
    bool help = false;
    // The arguments as given, and as option names with their values in the
    // order given: what the sweep records to recognise itself.
    std::vector<std::string> arguments;
    std::vector<std::pair<std::string, std::string>> given;
};

constexpr int MaxJobs = 256;
