#pragma once

#include <string>

// The --help text of each command.
std::string runUsage();
std::string sweepUsage();
// The --version text: name, version and, when built from a checkout, commit.
std::string versionText();
