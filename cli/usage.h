// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

// The --help text of each command.
std::string runUsage();
std::string mergeUsage();
std::string patternsUsage();
// cpus: what the default --jobs starts from, shown in the text.
std::string sweepUsage(int cpus);
// The --version text: name, version and, when built from a checkout, commit.
std::string versionText();
