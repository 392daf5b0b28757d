// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cellstate.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// How tidmar-batch draws its pictures and plots: --palette, --legend and
// --plot-states.

enum class Palette { Desktop, ColourBlind };
inline constexpr const char* PaletteNames[] = {"desktop", "colourblind"};

// A line a plot can draw: one state or a group of states, named as the
// summary names them, with its colour in each palette.
struct PlotLine {
    const char* name;
    std::array<bool, StateCount> states;  // in the order -1, 0, 1, 2, 3
    std::uint32_t colours[2];             // by Palette, 0xAARRGGBB
};

// The five states, then the groups mussels (young and adult) and predators.
extern const std::array<PlotLine, StateCount + 2> PlotLines;

struct PictureStyle {
    Palette palette = Palette::Desktop;
    bool legend = false;         // a key of the codes and colours beside field pictures
    std::vector<int> plotLines;  // indices into PlotLines; empty: the five states
};

// The colours of the five states in the palette, in the order -1 .. 3.
const std::array<std::uint32_t, StateCount>& paletteColours(Palette palette);

// Reads a comma-separated list of PlotLines names (each once). Throws
// BatchError "NAME: 'TEXT' is not ...".
std::vector<int> parsePlotLines(std::string_view text, const std::string& name);
