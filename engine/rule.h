// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The transition rule of the mussel-bed automaton: the next state of one cell
// from its state and its neighbours. Inline, so that the update schemes run it
// without a call per cell; the neighbour count of border cells and the
// predators' long-range jump are in rule.cpp.

#include "musselbed.h"

namespace rule {

// The neighbours whose number a cell's transition depends on, as the codes lo
// .. lo + span: mussels (young or adult) around an empty cell, young mussels
// around a predator on young (whether it jumps), predators on young around a
// young mussel, predators on adults around an adult; none around a predator on
// adults, whose range holds no cell state.
struct Reads {
    Cell lo;
    unsigned span;
};

inline Reads readsOf(Cell state)
{
    constexpr Cell none = INT32_MIN;
    constexpr Cell lo[StateCount] = {none, YoungMussel, YoungMussel, PredatorOnYoung, PredatorOnAdults};
    constexpr unsigned span[StateCount] = {0, 0, 1, 0, 0};
    return {lo[stateIndex(state)], span[stateIndex(state)]};
}

inline int reads(Cell value, Reads r)
{
    return static_cast<std::uint32_t>(value) - static_cast<std::uint32_t>(r.lo) <= r.span;
}

// How many of the eight cells around an interior cell the transition reads.
// The caller guarantees 1 <= x <= cellsX - 2 and 1 <= y <= cellsY - 2; stride
// is cellsY, the distance between neighbouring columns.
inline int countInterior(const Cell* c, long stride, Reads r)
{
    const Cell* w = c - stride;
    const Cell* e = c + stride;
    return reads(w[-1], r) + reads(w[0], r) + reads(w[1], r) + reads(c[-1], r) + reads(c[1], r) + reads(e[-1], r)
         + reads(e[0], r) + reads(e[1], r);
}

// The next state of a cell by its decision, from the words of its four draws:
// one comparison, whichever word decides.
inline Cell next(const Decision& d, std::int32_t w1, std::int32_t w2, std::int32_t w3, std::int32_t w4)
{
    const std::int32_t words[4] = {w1, w2, w3, w4};
    // Selected by a mask: as a branch, a random event would be mispredicted
    // about as often as it fires.
    const Cell fires = -static_cast<Cell>(words[d.draw] < d.threshold);
    return d.otherwise ^ ((d.fire ^ d.otherwise) & fires);
}

} // namespace rule

inline void MusselBed::updateCell(const Lattice& source, const Lattice& destination, int x, int y)
{
    random.prime();
    decisions.update(*this);
    updateCell(random, source, destination, x, y);
}

template <typename Draws>
inline void MusselBed::updateCell(Draws& draws, const Lattice& source, const Lattice& destination, int x, int y)
{
    // The four draws are always taken, in this order, as they advance the one
    // stream that every cell shares; the count is taken before the cell is
    // written, as on the smallest periodic fields the cell is its own neighbour.
    const bool interior = radius == 1 && x > 0 && x < cellsX - 1 && y > 0 && y < cellsY - 1;
    const Cell* here = &source[x][y];
    const std::int32_t w1 = draws.nextWord();
    const std::int32_t w2 = draws.nextWord();
    const std::int32_t w3 = draws.nextWord();
    const std::int32_t w4 = draws.nextWord();
    const Cell state = *here;
    if (!isCellState(state))
        return;  // not a cell state: left as it is
    const int count =
        interior ? rule::countInterior(here, cellsY, rule::readsOf(state)) : countReads(source, x, y, state);
    const rule::Decision d = decisions.of(state, count);
    destination[x][y] = rule::next(d, w1, w2, w3, w4);
    if (d.special == rule::Jumps)
        jump(source, destination, x, y, Ran1::deviate(draws.nextWord()));
}
