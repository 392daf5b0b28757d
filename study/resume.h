// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "outputplace.h"
#include "sweepplan.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What an interrupted sweep kept beside its summary (see SweepJournal).
struct KeptSweep {
    std::string token;
    std::string record;
    std::int64_t rows = 0;   // complete rows, the first runs of the part
    std::int64_t bytes = 0;  // the header and those rows
};

// Looks in the summary's directory for the kept summaries of this user
// whose record matches record (the seed aside when seedGiven is false: it is
// then taken from what was kept). The rows are checked one by one: each must
// be complete and be the next run of the part with its seed, its parameters
// and a full row's columns, at most runs of them; the first that is not (a
// row cut short by a kill, a block lost in a power cut) ends what is kept.
// Of several matches the one with the most rows is taken. Returns nothing
// when nothing was kept; throws BatchError (naming option) when only other
// sweeps' summaries were kept there.
std::optional<KeptSweep> findKeptSweep(const OutputPlace& place, const std::string& record, bool seedGiven,
                                       const SweepPlan& plan, const TaskSplit& split, std::int64_t runs,
                                       const std::string& option);

// The same for the time series kept beside --counts (lines "run,step,...",
// each run's recorded steps in order, runs in run order): rows counts the
// first runs of the part, at most runs, whose series are complete.
std::optional<KeptSweep> findKeptSeries(const OutputPlace& place, const std::string& record, bool seedGiven,
                                        const SweepPlan& plan, const TaskSplit& split, std::int64_t runs,
                                        const std::string& option);

// The same for the patch sizes kept beside --patterns (lines
// "run,step,class,size,count"): rows counts their lines, of the part's first
// runs runs, each run's steps in order.
std::optional<KeptSweep> findKeptPatches(const OutputPlace& place, const std::string& record, const TaskSplit& split,
                                         std::int64_t runs, const std::string& option);

// A finished output in place: none (or no record beside it), one whose
// record matches, or one of another sweep.
enum class OutputState { Missing, Matches, Other };
OutputState finishedOutput(const OutputPlace& place, const std::string& record, bool seedGiven);

// The seed a record names, when it is one --seed would take.
std::optional<std::int64_t> recordSeed(const std::string& record);

// The one line on standard error of a sweep stopped by signal after done of
// runs runs of its part: what is kept and, for a file, how to resume.
void reportInterruption(int signal, std::int64_t done, std::int64_t runs, bool toFile,
                        const std::vector<std::string>& arguments);

// The command that resumes the sweep given arguments (those after "sweep"),
// quoted for a POSIX shell.
std::string resumeCommand(const std::vector<std::string>& arguments);
