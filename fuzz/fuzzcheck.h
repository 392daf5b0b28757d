// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdio>
#include <cstdlib>

// A broken promise of the code under test. It aborts, which libFuzzer reports
// as a crash with the input and the replay program as a failed test; unlike
// assert it stays in optimised builds.
#define FUZZ_CHECK(condition)                                                                        \
    do {                                                                                             \
        if (!(condition)) {                                                                          \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);    \
            std::abort();                                                                            \
        }                                                                                            \
    } while (false)
