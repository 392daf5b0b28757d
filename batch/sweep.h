#pragma once

#include "options.h"
#include "provenance.h"
#include "runoutput.h"
#include "sweepplan.h"

#include <functional>
#include <string>

class OutputFile;
class ProgressBar;

// Performs the runs of part split of plan on jobs threads side by side and
// hands each run's output to write in run order, whatever order they finish
// in. progress (may be null) counts finished runs. A failing run stops the
// sweep and its error is rethrown here.
void runSweepPart(const SweepPlan& plan, const TaskSplit& split, int jobs,
                  const std::function<void(const RunOutput& output)>& write, ProgressBar* progress);

// The sweep command: validates, opens --summary and the other outputs, runs,
// puts them in place and describes them in datapackage.json. Returns the exit
// status; throws BatchError for refused input or output.
int runSweepCommand(SweepOptions options, const EnvironmentLookup& environment, bool progressToTerminal,
                    const Invocation& invocation);
