// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

// A seed for runs given none: drawn from the system's entropy source
// (getentropy, which is getrandom on Linux) within 1 .. MaxSeed, never previous (0: none), so that runs and
// beds started together, or one after another, are independent. Throws
// BatchError when the system has no entropy to give.
std::int32_t drawSeed(std::int32_t previous = 0);
