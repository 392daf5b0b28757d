// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ran1.h"
#include "statesahead.h"

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <cstdint>

// The words of a primed Ran1 drawn ahead of their use and handed out in the
// order drawn: the same stream, only read early, so that a step can look at
// the positions its next visits will have. The generator's state words are
// computed ahead, a few dozen at a time side by side (Ran1::statesAfter),
// which leaves each draw its shuffle alone; a step draws a few words for
// every few it takes, so that the chain of the shuffle runs beside the work
// on the cells instead of before it. A step plans the words it is sure to
// take (four or six a visit); the buffer never draws past them, so the
// generator ends the step where drawing one word at a time would leave it.
class DrawAhead {
public:
    static constexpr std::size_t Capacity = 512;

    DrawAhead(const Ran1& primed, long planned) : source(primed), undrawn(planned) {}

    std::size_t waiting() const { return end - read; }

    // Draws N more words behind the waiting ones, or what is left of the
    // planned ones if that is less. N is fixed, so the loop unrolls.
    template <std::size_t N>
    void draw()
    {
        static_assert(N <= StatesAhead::Capacity);
        if (undrawn < static_cast<long>(N)) [[unlikely]] {
            drawRest();
            return;
        }
        if (end + N > Capacity) [[unlikely]]
            compact();
        source.wordsAt<N>(states.next(N, source.seed), buffer + end);
        end += N;
        undrawn -= static_cast<long>(N);
    }

    // The word k places after the next one; k < waiting().
    std::int32_t peek(std::size_t k) const { return buffer[read + k]; }

    // The next n planned words, n <= waiting(); they stay where they are
    // until the next draw.
    const std::int32_t* take(std::size_t n)
    {
        const std::int32_t* words = buffer + read;
        read += n;
        return words;
    }

    // One word beyond the planned ones, as a jumping predator draws: a
    // waiting word, so that one more planned word is left to draw, or else a
    // new one.
    std::int32_t nextWord()
    {
        if (read < end) {
            ++undrawn;
            return buffer[read++];
        }
        return source.nextWordAt(*states.next(1, source.seed));
    }

    // The generator after the words handed out, once all planned ones are.
    const Ran1& generator() const
    {
        assert(waiting() == 0 && undrawn == 0);
        return source;
    }

private:
    // The last planned words, fewer than a draw() asks for.
    __attribute__((noinline)) void drawRest()
    {
        compact();
        for (; undrawn > 0; --undrawn)
            buffer[end++] = source.nextWordAt(*states.next(1, source.seed));
    }

    // Moves the waiting words to the front.
    void compact()
    {
        std::copy(buffer + read, buffer + end, buffer);
        end -= read;
        read = 0;
    }

    Ran1 source;
    long undrawn;  // planned words not drawn yet
    std::size_t read = 0;
    std::size_t end = 0;
    StatesAhead states;
    std::int32_t buffer[Capacity] = {};
};
