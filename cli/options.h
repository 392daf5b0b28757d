// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings.h"

#include <string>
#include <string_view>
#include <vector>

// Command-line parsing of both commands. Every value is converted with a
// check and range-checked; every refusal is a BatchError naming the option
// and the value. An option may be given once (--vary any number of times),
// as "--name value" or "--name=value".

// The arguments after the program name.
RunOptions parseRunOptions(const std::vector<std::string>& arguments);
// The arguments after "sweep".
SweepOptions parseSweepOptions(const std::vector<std::string>& arguments);

// "I/K" with 0 <= I < K. option names the source in messages.
TaskSplit parseTask(std::string_view text, const std::string& option);
