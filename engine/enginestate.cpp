// SPDX-License-Identifier: GPL-3.0-or-later
#include "enginestate.h"

#include "fastbed.h"
#include "fieldcodes.h"
#include "musselbed.h"

#include <algorithm>

namespace {

std::size_t cellCount(const EngineState& state)
{
    return static_cast<std::size_t>(state.width) * static_cast<std::size_t>(state.height);
}

// The x-major cells of state as the row-by-row codes setField takes.
std::vector<Cell> rowsOf(const EngineState& state, const std::vector<Cell>& cells)
{
    std::vector<Cell> rows(cells.size());
    for (int x = 0; x < state.width; ++x)
        for (int y = 0; y < state.height; ++y)
            rows[static_cast<std::size_t>(y) * state.width + x] = cells[static_cast<std::size_t>(x) * state.height + y];
    return rows;
}

bool refuse(std::string* error, const std::string& message)
{
    if (error)
        *error = message;
    return false;
}

// The checks both engines make before taking a state.
bool checkState(const EngineState& state, bool fast, int maxCells, std::string* error)
{
    if (state.fast != fast)
        return refuse(error, std::string("the state is the ") + (state.fast ? "fast" : "exact")
                                 + " engine's, not the " + (fast ? "fast" : "exact") + " engine's");
    if (state.current.size() != cellCount(state)
        || !checkFieldCodes(state.width, state.height, rowsOf(state, state.current), maxCells, error))
        return refuse(error, "the state's field is not " + std::to_string(state.width) + " x "
                                 + std::to_string(state.height) + " cell states");
    const bool previousFits = fast ? state.previous.empty() : state.previous.size() == cellCount(state);
    if (!previousFits || !std::all_of(state.previous.begin(), state.previous.end(),
                                      [](Cell c) { return isCellState(c) || c == RedrawMark; }))
        return refuse(error, "the state's previous field does not fit its field");
    return true;
}

} // namespace

EngineState stateOf(const MusselBed& bed)
{
    EngineState state;
    state.width = bed.cellsX;
    state.height = bed.cellsY;
    state.parameters = bed;
    const std::size_t cells = cellCount(state);
    state.current.assign(bed.current().block(), bed.current().block() + cells);
    state.previous.assign(bed.previous().block(), bed.previous().block() + cells);
    state.ran1 = bed.random.state();
    state.rand15 = bed.shuffleRandom.state;
    return state;
}

EngineState stateOf(const FastBed& bed)
{
    EngineState state;
    state.fast = true;
    state.width = bed.cellsX();
    state.height = bed.cellsY();
    state.parameters = bed;
    state.current.reserve(cellCount(state));
    for (int x = 0; x < state.width; ++x)
        for (int y = 0; y < state.height; ++y)
            state.current.push_back(bed.cell(x, y));
    const FastBed::Generators generators = bed.generators();
    state.philoxKey = generators.key;
    state.syncSteps = generators.syncSteps;
    state.xoshiro = generators.xoshiro;
    return state;
}

bool restoreState(MusselBed& bed, const EngineState& state, std::string* error)
{
    if (!checkState(state, false, MusselBed::MaxCells, error))
        return false;
    if (state.width != bed.cellsX || state.height != bed.cellsY)
        bed.resize(state.width, state.height);
    std::copy(state.current.begin(), state.current.end(), bed.latticeA.block());
    std::copy(state.previous.begin(), state.previous.end(), bed.latticeB.block());
    bed.parity = true;
    static_cast<ModelParameters&>(bed) = state.parameters;
    bed.random.restore(state.ran1);
    bed.shuffleRandom.state = state.rand15;
    return true;
}

bool restoreState(FastBed& bed, const EngineState& state, std::string* error)
{
    if (!checkState(state, true, FastBed::MaxCells, error))
        return false;
    bed.setField(state.width, state.height, rowsOf(state, state.current), nullptr);
    static_cast<ModelParameters&>(bed) = state.parameters;
    bed.restore({state.philoxKey, state.syncSteps, state.xoshiro});
    return true;
}
