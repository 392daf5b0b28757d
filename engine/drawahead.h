// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ran1.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

// The words of a primed Ran1 drawn ahead of their use and handed out in the
// order drawn: the same stream, only read early, so that a step can look at
// the positions its next visits will have. The step draws a few words for
// every few it takes, so that the generator's chain of dependent
// multiplications runs beside the work on the cells instead of before it. It
// lets the buffer run only as far ahead as it is sure to draw, so the
// generator ends the step where drawing one word at a time would leave it.
class DrawAhead {
public:
    static constexpr std::size_t Capacity = 512;

    explicit DrawAhead(const Ran1& primed) : source(primed) {}

    std::size_t waiting() const { return end - read; }

    // Draws n more words behind the waiting ones; moves the waiting words to
    // the front first when there is no room for them. n <= Capacity / 2.
    void draw(std::size_t n)
    {
        if (end + n > Capacity) {
            std::copy(buffer + read, buffer + end, buffer);
            end -= read;
            read = 0;
        }
        for (std::size_t i = 0; i < n; ++i)
            buffer[end + i] = source.nextWord();
        end += n;
    }

    // The word k places after the next one; k < waiting().
    std::int32_t peek(std::size_t k) const { return buffer[read + k]; }

    // The next n words, n <= waiting(); they stay where they are until the
    // next draw.
    const std::int32_t* take(std::size_t n)
    {
        const std::int32_t* words = buffer + read;
        read += n;
        return words;
    }

    // The next word of the stream: a waiting one, else a new draw.
    std::int32_t nextWord() { return read < end ? buffer[read++] : source.nextWord(); }

    // The generator after the words handed out, once none is waiting.
    const Ran1& generator() const { return source; }

private:
    Ran1 source;
    std::int32_t buffer[Capacity] = {};
    std::size_t read = 0;
    std::size_t end = 0;
};
