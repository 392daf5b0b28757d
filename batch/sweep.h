#pragma once

#include "options.h"
#include "sweepplan.h"

#include <functional>
#include <string>

class OutputFile;
class ProgressBar;

// Performs the runs of part split of plan on jobs threads side by side and
// hands their summary rows to write in run order, whatever order they finish
// in. progress (may be null) counts finished runs. A failing run stops the
// sweep and its error is rethrown here.
void runSweepPart(const SweepPlan& plan, const TaskSplit& split, int jobs,
                  const std::function<void(const std::string& row)>& write, ProgressBar* progress);

// The sweep command: validates, opens --summary, runs, puts it in place.
// Returns the exit status; throws BatchError for refused input or output.
int runSweepCommand(SweepOptions options, const EnvironmentLookup& environment, bool progressToTerminal);
