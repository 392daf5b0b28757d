#pragma once

// The transition rule of the mussel-bed automaton: the next state of one cell
// from its state and its neighbours. Inline, so that the update schemes run it
// without a call per cell; the neighbour count of border cells and the
// predators' long-range jump are in rule.cpp.

#include "musselbed.h"

namespace rule {

// How many of the eight cells around an interior cell hold the value. The
// caller guarantees 1 <= x <= cellsX - 2 and 1 <= y <= cellsY - 2; stride is
// cellsY, the distance between neighbouring columns.
inline int countInterior(const Cell* c, long stride, Cell value)
{
    const Cell* w = c - stride;
    const Cell* e = c + stride;
    return (w[-1] == value) + (w[0] == value) + (w[1] == value) + (c[-1] == value) + (c[1] == value)
         + (e[-1] == value) + (e[0] == value) + (e[1] == value);
}

// The same for young and adult mussels together.
inline int countInteriorMussels(const Cell* c, long stride)
{
    auto mussel = [](Cell v) { return static_cast<int>(static_cast<unsigned>(v - YoungMussel) < 2u); };
    const Cell* w = c - stride;
    const Cell* e = c + stride;
    return mussel(w[-1]) + mussel(w[0]) + mussel(w[1]) + mussel(c[-1]) + mussel(c[1]) + mussel(e[-1])
         + mussel(e[0]) + mussel(e[1]);
}

} // namespace rule

inline void MusselBed::updateCell(const Lattice& source, const Lattice& destination, int x, int y)
{
    // The counts are pure, so each is taken only when the cell's state needs it;
    // the four draws are always taken, in this order, as they advance the one
    // stream that every cell shares.
    const bool interior = radius == 1 && x > 0 && x < cellsX - 1 && y > 0 && y < cellsY - 1;
    const Cell* here = &source[x][y];
    auto count = [&](Cell state) {
        return interior ? rule::countInterior(here, cellsY, state) : countNeighbours(source, x, y, state);
    };

    const float r1 = random.ran1();
    const float r2 = random.ran1();
    const float r3 = random.ran1();
    const float r4 = random.ran1();

    Cell& next = destination[x][y];
    switch (*here) {
    case PredatorOnAdults:
        next = Empty;
        break;
    case PredatorOnYoung: {
        const bool jumps = longRange && count(YoungMussel) == 0;
        next = Empty;
        if (jumps)
            jump(source, destination, x, y);
        break;
    }
    case Empty: {
        const int mussels = interior ? rule::countInteriorMussels(here, cellsY)
                                     : countNeighbours(source, x, y, YoungMussel)
                                           + countNeighbours(source, x, y, AdultMussel);
        next = (mussels / 8.0) * recolonization > r1 ? YoungMussel : Empty;
        break;
    }
    case YoungMussel:
        if (count(PredatorOnYoung) >= 1)
            next = r2 < predation ? PredatorOnYoung : YoungMussel;
        else
            next = r4 < maturing ? AdultMussel : YoungMussel;
        break;
    case AdultMussel: {
        const double p = count(PredatorOnAdults) >= 1 ? neighbourCoupling + oceanForcing : oceanForcing;
        next = p > r3 ? PredatorOnAdults : AdultMussel;
        break;
    }
    default:
        break;  // not a cell state: left as it is
    }
}
