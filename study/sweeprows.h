// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings.h"

#include <functional>
#include <string>
#include <vector>

// The summary rows of the sweep the options describe (read and checked as
// the front end reads them; no outputs), in run order, as tidmar-batch writes
// them; the header is summaryHeader(). The runs go on other threads while
// this one calls poll() every few milliseconds: whatever poll throws (the
// user's interrupt) ends every run within a step and is rethrown.
std::vector<std::string> sweepSummaryRows(SweepOptions options, const std::function<void()>& poll);
