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

// The transition: the next state of a cell in state (a cell state) with count
// neighbours of the kind it reads, from the cell's four draws. Every case is
// computed and the state's own one taken, without branches: in a lively field
// the state of the next cell is anyone's guess, and a mispredicted branch a
// cell would cost more than the rule itself.
inline Cell next(const ModelParameters& p, Cell state, int count, float r1, float r2, float r3, float r4)
{
    const bool besideAny = count >= 1;
    const Cell empty = Empty + ((count / 8.0) * p.recolonization > r1);  // YoungMussel when it fires
    const Cell taken = YoungMussel - 2 * (r2 < p.predation);              // PredatorOnYoung when it fires
    const Cell matured = YoungMussel + (r4 < p.maturing);                 // AdultMussel when it fires
    const Cell young = besideAny ? taken : matured;
    const double risk = besideAny ? p.neighbourCoupling + p.oceanForcing : p.oceanForcing;
    const Cell adult = AdultMussel - 4 * (risk > r3);  // PredatorOnAdults when it fires
    const Cell outcomes[StateCount] = {Empty, Empty, empty, young, adult};
    return outcomes[stateIndex(state)];
}

} // namespace rule

inline void MusselBed::updateCell(const Lattice& source, const Lattice& destination, int x, int y)
{
    random.prime();
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
    const float r1 = draws.next();
    const float r2 = draws.next();
    const float r3 = draws.next();
    const float r4 = draws.next();
    const Cell state = *here;
    if (!isCellState(state))
        return;  // not a cell state: left as it is
    const int count =
        interior ? rule::countInterior(here, cellsY, rule::readsOf(state)) : countReads(source, x, y, state);
    destination[x][y] = rule::next(*this, state, count, r1, r2, r3, r4);
    // A predator on young with no young mussel beside it jumps, in the
    // direction of a fifth draw.
    if (state == PredatorOnYoung && longRange && count == 0)
        jump(source, destination, x, y, draws.next());
}
