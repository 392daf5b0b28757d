// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ran1.h"

#include <cstdint>

// The words of a primed Ran1 drawn ahead of their use into a small ring and
// handed out in the order drawn: the same stream, only read early, so that a
// step can look at the positions its next visits will have. A step lets the
// ring run only as far ahead as it is sure to draw, so the generator ends the
// step where drawing one deviate at a time would leave it.
class DrawAhead {
public:
    static constexpr unsigned Size = 64;  // a power of two

    explicit DrawAhead(const Ran1& primed) : source(primed) {}

    // Draws until wanted words (at most Size) are waiting.
    void fill(unsigned wanted)
    {
        while (written - read < wanted)
            ring[written++ % Size] = source.nextWord();
    }

    unsigned waiting() const { return written - read; }

    // The word k places after the next one; k < waiting().
    std::int32_t peek(unsigned k) const { return ring[(read + k) % Size]; }

    // The next word of the stream: a waiting one, else a new draw.
    std::int32_t nextWord() { return read == written ? source.nextWord() : ring[read++ % Size]; }

    // The generator after the words handed out, once none is waiting.
    const Ran1& generator() const { return source; }

private:
    Ran1 source;
    std::int32_t ring[Size] = {};
    unsigned read = 0;
    unsigned written = 0;
};
