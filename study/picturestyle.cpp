// SPDX-License-Identifier: GPL-3.0-or-later
#include "picturestyle.h"

#include "batcherror.h"
#include "cellcolours.h"
#include "printable.h"

#include <algorithm>

namespace {

constexpr std::uint32_t stateColour(int state, Palette palette)
{
    return (palette == Palette::Desktop ? stateColours : colourBlindColours)[static_cast<std::size_t>(state)];
}

constexpr PlotLine stateLine(const char* name, int state)
{
    PlotLine line{name, {}, {stateColour(state, Palette::Desktop), stateColour(state, Palette::ColourBlind)}};
    line.states[static_cast<std::size_t>(state)] = true;
    return line;
}

} // namespace

// The groups take colours of their own: black for mussels, purple (the
// palette's reddish purple) for predators.
const std::array<PlotLine, StateCount + 2> PlotLines = {
    stateLine("predator_on_adults", 0),
    stateLine("predator_on_young", 1),
    stateLine("empty", 2),
    stateLine("young", 3),
    stateLine("adult", 4),
    PlotLine{"mussels", {false, false, false, true, true}, {0xff000000u, 0xff000000u}},
    PlotLine{"predators", {true, true, false, false, false}, {0xff800080u, 0xffcc79a7u}},
};

const std::array<std::uint32_t, StateCount>& paletteColours(Palette palette)
{
    return palette == Palette::Desktop ? stateColours : colourBlindColours;
}

std::vector<int> parsePlotLines(std::string_view text, const std::string& name)
{
    std::vector<int> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find(',', start), text.size());
        const std::string_view item = text.substr(start, end - start);
        const auto found = std::find_if(PlotLines.begin(), PlotLines.end(),
                                        [&](const PlotLine& line) { return item == line.name; });
        if (found == PlotLines.end()) {
            std::string names;
            for (const PlotLine& line : PlotLines)
                names += (names.empty() ? "" : ", ") + std::string(line.name);
            throw BatchError(name + ": " + inQuotes(item) + " is not one of " + names);
        }
        const int index = static_cast<int>(found - PlotLines.begin());
        if (std::find(lines.begin(), lines.end(), index) != lines.end())
            throw BatchError(name + ": " + inQuotes(item) + " is given twice");
        lines.push_back(index);
        start = end + 1;
    }
    return lines;
}
