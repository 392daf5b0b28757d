// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "provenance.h"
#include "settings.h"
#include "runoutput.h"
#include "sweepplan.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class OutputFile;
class PictureSink;
class ProgressBar;

// How runSweepPart ends once *stop is true: Finish starts no more runs and
// lets those in progress finish and be written; Abandon also ends those in
// progress between two steps, and the sweep with RunStopped.
enum class StopRuns { Finish, Abandon };

// Performs the runs of part split of plan from its first-th run (in the
// part's order, from 0) on jobs threads side by side and hands each run's
// output to write in run order, whatever order they finish in. progress (may
// be null) counts finished runs. *stop (may be null) ends the sweep early as
// how says. Returns the number of the part's runs written by then, counting
// the first ones: all of them unless stopped. A failing run stops the sweep
// and its error is rethrown.
std::int64_t runSweepPart(const SweepPlan& plan, const TaskSplit& split, int jobs,
                          const std::function<void(const RunOutput& output)>& write, ProgressBar* progress,
                          std::int64_t first = 0, const std::atomic<bool>* stop = nullptr,
                          StopRuns how = StopRuns::Finish);

// The plan of the options: the patterns read, the seed taken from the clock
// when none is given, the burn-in, what the runs record of their patches. Moves the variations out of options.
// Throws BatchError.
SweepPlan planSweep(SweepOptions& options);

// The summary's header and a run's row, with the classes' columns after
// today's when the record options ask for patches.
std::string sweepSummaryHeader(const RecordOptions& record, bool extinction = false);
std::string sweepSummaryRow(const RunOutput& output, const RecordOptions& record);

// The jobs asked for, or by default as many as the CPUs this process may use
// (availableCpus): each run of fast mode brings its own threadsPerRun. Within
// 1 .. MaxJobs.
int sweepJobs(std::optional<int> requested, int threadsPerRun, const EnvironmentLookup& environment);

// Refuses (BatchError) a sweep whose jobs runs at once, each of its
// largest field, need more memory than the machine offers.
void refuseSweepBeyondMemory(const SweepPlan& plan, const RecordOptions& record, int jobs);

// The sweep command: validates, opens --summary and the other outputs, runs,
// puts them in place and describes them in datapackage.json; pictures draws
// the plot and the snapshots' pictures. Returns the exit status; throws
// BatchError for refused input or output.
int runSweepCommand(SweepOptions options, const EnvironmentLookup& environment, bool progressToTerminal,
                    const Invocation& invocation, const PictureSink& pictures);
