// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "provenance.h"

#include <string>
#include <vector>

// tidmar-batch merge PART... --summary PATH|- [--allow-missing]: the
// summaries of the parts of one sweep (each with its record beside it, as a
// sweep writes them) as the summary of the whole sweep, rows in run order.
// The parts must share their record but for the part (--task), hold only
// their own runs and no run twice; missing runs are refused unless
// --allow-missing. A time series merges the same way, each run's series
// checked whole. The merged file and its record are described in
// datapackage.json as a sweep's. Returns the exit status; throws BatchError.
int runMergeCommand(const std::vector<std::string>& arguments, const Invocation& invocation);
