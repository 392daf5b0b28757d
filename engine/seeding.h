// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

// Seeds that keep the generators valid: 1 .. 2^31 - 2.
constexpr std::int32_t MaxSeed = 2147483646;

// Reduces a calendar time in seconds into 1 .. MaxSeed. Times in that range,
// all of them up to January 2038, are returned unchanged, so today's times give
// today's streams; later (and earlier) times wrap round and stay distinct
// within a period of MaxSeed seconds.
std::int32_t seedFromTime(std::int64_t seconds);

// The reduced current calendar time.
std::int32_t seedFromClock();
