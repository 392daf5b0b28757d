// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

// The classic linear congruential generator of 15-bit values (0..32767) that
// shuffles the visiting orders of the shuffled asynchronous scheme. Defined
// here rather than taken from the C library so that every platform draws the
// same values.
class Rand15 {
public:
    static constexpr int Max = 32767;

    explicit Rand15(std::uint32_t state = 1) : state(state) {}

    int next()
    {
        state = 214013u * state + 2531011u;
        return static_cast<int>((state >> 16) & 0x7fffu);
    }

    std::uint32_t state;
};
