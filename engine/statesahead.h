// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ran1.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

// The state words of a Ran1 computed ahead of its draws, a few dozen at a
// time side by side (Ran1::statesAfter): the states do not depend on the
// draws, so each draw is left with its shuffle alone (Ran1::nextWordAt,
// Ran1::wordsAt). States computed and not used change nothing.
class StatesAhead {
public:
    static constexpr std::size_t Capacity = 64;

    // The next n states, n <= Capacity, of a generator whose current state
    // is current.
    const std::int32_t* next(std::size_t n, std::int32_t current)
    {
        if (end - read < n) [[unlikely]]
            compute(current);
        const std::int32_t* first = states + read;
        read += n;
        return first;
    }

private:
    // Keeps the states not used yet and computes as many after them as there
    // is room for.
    void compute(std::int32_t current)
    {
        const std::int32_t last = end > read ? states[end - 1] : current;
        std::copy(states + read, states + end, states);
        end -= read;
        read = 0;
        Ran1::statesAfter(last, states + end, Capacity - end);
        end = Capacity;
    }

    std::size_t read = 0;
    std::size_t end = 0;
    std::int32_t states[Capacity] = {};
};
