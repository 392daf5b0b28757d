#pragma once

#include <string>

// The --help text of each command.
std::string runUsage();
std::string sweepUsage();
