// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <utility>
#include <vector>

// Refuses (BatchError) two outputs under one file name, which would overwrite
// each other; a device such as /dev/null may take several. Each output is
// its option and its path (empty: not written; "-": standard output).
void refuseSharedNames(const std::vector<std::pair<const char*, const std::string*>>& outputs);

// Refuses (BatchError) an output under a name the tool keeps for itself: a
// folder's datapackage.json, a hidden temporary or commit record, or the
// record NAME.plan beside one of recorded (the outputs of a sweep that keep
// one).
void refuseToolNames(const std::vector<std::pair<const char*, const std::string*>>& outputs,
                     const std::vector<std::pair<const char*, const std::string*>>& recorded);
