// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "livesession.h"  // Arguments

#include <functional>
#include <string>
#include <vector>

// The summary rows of the sweep the arguments describe (the sweep command's
// options without --summary), in run order, as tidmar-batch writes them;
// the header is summaryHeader(). The runs go on other threads while this one
// calls poll() every few milliseconds: whatever poll throws (the user's
// interrupt) ends every run within a step and is rethrown. Throws BatchError
// for refused options before any run starts.
std::vector<std::string> sweepSummaryRows(Arguments arguments, const std::function<void()>& poll);
