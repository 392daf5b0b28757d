// SPDX-License-Identifier: GPL-3.0-or-later
#include "seeding.h"

#include <ctime>

std::int32_t seedFromTime(std::int64_t seconds)
{
    if (seconds >= 1 && seconds <= MaxSeed)
        return static_cast<std::int32_t>(seconds);
    std::int64_t reduced = (seconds - 1) % MaxSeed;
    if (reduced < 0)
        reduced += MaxSeed;
    return static_cast<std::int32_t>(reduced + 1);
}

std::int32_t seedFromClock()
{
    return seedFromTime(static_cast<std::int64_t>(std::time(nullptr)));
}
