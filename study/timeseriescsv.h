// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "runoutput.h"

#include <string>

// The time series of a sweep in long form: the header
// run,step,predator_on_adults,predator_on_young,empty,young,adult and one row
// per recorded step of each run.
std::string timeSeriesHeader();
std::string timeSeriesRows(const RunOutput& output);
