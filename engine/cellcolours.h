// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cellstate.h"

#include <array>
#include <cstdint>

// The colour of each cell state as 0xAARRGGBB (opaque), in the order -1, 0, 1,
// 2, 3: the field, its pictures and the time-series curves all use them.
constexpr std::array<std::uint32_t, StateCount> stateColours = {
    0xff0000ffu,  // PredatorOnAdults: blue
    0xffff0000u,  // PredatorOnYoung: red
    0xff808080u,  // Empty: dark grey
    0xff008000u,  // YoungMussel: dark green
    0xff005a00u,  // AdultMussel: deep green (0, 90, 0)
};

// The same states in colours told apart with any colour vision (Okabe and
// Ito's palette): blue, vermillion, grey, orange and bluish green, the young
// and adult mussels far apart in hue and lightness.
constexpr std::array<std::uint32_t, StateCount> colourBlindColours = {
    0xff0072b2u,  // PredatorOnAdults: blue
    0xffd55e00u,  // PredatorOnYoung: vermillion
    0xff999999u,  // Empty: grey
    0xffe69f00u,  // YoungMussel: orange
    0xff009e73u,  // AdultMussel: bluish green
};

// Any value that is not a cell state is drawn white.
constexpr std::uint32_t otherColour = 0xffffffffu;

constexpr std::uint32_t colourOf(Cell value)
{
    return isCellState(value) ? stateColours[stateIndex(value)] : otherColour;
}
