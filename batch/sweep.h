#pragma once

#include "options.h"
#include "sweepplan.h"

#include <atomic>
#include <functional>
#include <optional>
#include <string>

class OutputFile;
class ProgressBar;

// Performs the runs of part split of plan on jobs threads side by side and
// hands their summary rows to write in run order, whatever order they finish
// in. progress (may be null) counts finished runs. A failing run stops the
// sweep and its error is rethrown here; so does RunStopped once stop (may be
// null) becomes true, within a step of every run in progress.
void runSweepPart(const SweepPlan& plan, const TaskSplit& split, int jobs,
                  const std::function<void(const std::string& row)>& write, ProgressBar* progress,
                  const std::atomic<bool>* stop = nullptr);

// The plan of the options: the pattern read, the seed taken from the clock
// when none is given. Throws BatchError.
SweepPlan planSweep(SweepOptions& options);

// The jobs asked for, or by default as many threads as cores: each run of
// fast mode brings its own threadsPerRun. Within 1 .. MaxJobs.
int sweepJobs(std::optional<int> requested, int threadsPerRun);

// The sweep command: validates, opens --summary, runs, puts it in place.
// Returns the exit status; throws BatchError for refused input or output.
int runSweepCommand(SweepOptions options, const EnvironmentLookup& environment, bool progressToTerminal);
