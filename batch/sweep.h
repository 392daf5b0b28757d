#pragma once

#include "options.h"
#include "provenance.h"
#include "runoutput.h"
#include "sweepplan.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

class OutputFile;
class ProgressBar;

// Performs the runs of part split of plan from its first-th run (in the
// part's order, from 0) on jobs threads side by side and hands each run's
// output to write in run order, whatever order they finish in. progress (may
// be null) counts finished runs. Once *stop (may be null) is true, no run is
// started; those in progress finish and are written. Returns the number of
// the part's runs written by then, counting the first ones: all of them
// unless stopped. A failing run stops the sweep and its error is rethrown.
std::int64_t runSweepPart(const SweepPlan& plan, const TaskSplit& split, int jobs,
                          const std::function<void(const RunOutput& output)>& write, ProgressBar* progress,
                          std::int64_t first = 0, const std::atomic<bool>* stop = nullptr);

// The sweep command: validates, opens --summary and the other outputs, runs,
// puts them in place and describes them in datapackage.json. Returns the exit
// status; throws BatchError for refused input or output.
int runSweepCommand(SweepOptions options, const EnvironmentLookup& environment, bool progressToTerminal,
                    const Invocation& invocation);
