// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// How a command was started: what the data package records beside its outputs.
struct Invocation {
    std::vector<std::string> commandLine;  // the program as called and its arguments
    std::string startedUtc;                // ISO 8601, e.g. 2026-01-31T12:00:00Z
};

Invocation invocationNow(int argc, char* argv[]);

// What made a command's outputs: its invocation, its (first) seed and the
// SHA-256 of every field file it read.
struct Provenance {
    Invocation invocation;
    std::int32_t seed = 0;
    std::vector<std::pair<std::string, std::string>> inputs;  // path, sha256
};
