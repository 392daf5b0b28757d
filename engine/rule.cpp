// The transition rule of the mussel-bed automaton: the neighbour count and the
// next state of one cell, with the long-range jump of predators on young mussels.

#include "musselbed.h"

#include <cmath>

namespace {

// C remainder, which truncates toward zero: its sign follows the dividend.
inline long long rem(long long dividend, long long divisor)
{
    return dividend % divisor;
}

// How many of the eight cells around an interior cell hold the value. The
// caller guarantees 1 <= x <= cellsX - 2 and 1 <= y <= cellsY - 2.
inline int countInterior(const Cell* c, long stride, Cell value)
{
    const Cell* w = c - stride;
    const Cell* e = c + stride;
    return (w[-1] == value) + (w[0] == value) + (w[1] == value) + (c[-1] == value) + (c[1] == value)
         + (e[-1] == value) + (e[0] == value) + (e[1] == value);
}

inline int countInteriorMussels(const Cell* c, long stride)
{
    auto mussel = [](Cell v) { return static_cast<int>(static_cast<unsigned>(v - YoungMussel) < 2u); };
    const Cell* w = c - stride;
    const Cell* e = c + stride;
    return mussel(w[-1]) + mussel(w[0]) + mussel(w[1]) + mussel(c[-1]) + mussel(c[1]) + mussel(e[-1])
         + mussel(e[0]) + mussel(e[1]);
}

constexpr double Pi = 3.14159265;

} // namespace

int MusselBed::countNeighbours(const Lattice& lattice, int x, int y, Cell state) const
{
    int count = 0;
    for (int dx = -radius; dx <= radius; ++dx)
        for (int dy = -radius; dy <= radius; ++dy) {
            if (dx == 0 && dy == 0)
                continue;
            long long nx = static_cast<long long>(x) + dx;
            long long ny = static_cast<long long>(y) + dy;
            if (nx < 0 || nx >= cellsX || ny < 0 || ny >= cellsY) {
                if (!periodic)
                    continue;
                nx = rem(nx + cellsX, cellsX);
                ny = rem(ny + cellsY, cellsY);
                if (nx < 0 || ny < 0)  // only with radius > cellsX or cellsY; never with radius 1
                    continue;
            }
            count += lattice[static_cast<int>(nx)][static_cast<int>(ny)] == state;
        }
    return count;
}

void MusselBed::updateCell(const Lattice& source, const Lattice& destination, int x, int y)
{
    // The counts are pure, so each is taken only when the cell's state needs it;
    // the four draws are always taken, in this order, as they advance the one
    // stream that every cell shares.
    const bool interior = radius == 1 && x > 0 && x < cellsX - 1 && y > 0 && y < cellsY - 1;
    const Cell* here = &source[x][y];
    auto count = [&](Cell state) {
        return interior ? countInterior(here, cellsY, state) : countNeighbours(source, x, y, state);
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
        const int mussels = interior ? countInteriorMussels(here, cellsY)
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

void MusselBed::prepareJumpOffsets()
{
    for (int i = 0; i < static_cast<int>(jumpDx.size()); ++i) {
        const double alpha = i * Pi * 0.011111111111111112;
        jumpDx[i] = static_cast<std::int32_t>(std::trunc(std::sin(alpha) * jumpDistance));
        jumpDy[i] = static_cast<std::int32_t>(std::trunc(std::cos(alpha) * jumpDistance));
    }
    jumpOffsetsDistance = jumpDistance;
}

// A predator on young mussels with no young mussel beside it jumps: starting at a
// random direction it scans half a turn and more, 2 degrees a step, for a young
// mussel on the circle of radius jumpDistance, and takes the first one found.
void MusselBed::jump(const Lattice& source, const Lattice& destination, int x, int y)
{
    if (jumpOffsetsDistance != jumpDistance)
        prepareJumpOffsets();
    const float r5 = random.ran1();
    const double theta = 2 * (r5 * Pi);
    const int first = static_cast<int>(theta * 28.647889789276146);
    const int end = static_cast<int>(theta * 57.29577957855229 + 180);
    for (int i = first; i < end; ++i) {
        long long tx = rem(static_cast<long long>(jumpDx[i]) + cellsX + x, cellsX);
        long long ty = rem(static_cast<long long>(jumpDy[i]) + cellsY + y, cellsY);
        if (tx < 0 || ty < 0) {
            if (!periodic)
                continue;
            tx = rem(tx + cellsX, cellsX);
            ty = rem(ty + cellsY, cellsY);
        }
        if (source[static_cast<int>(tx)][static_cast<int>(ty)] == YoungMussel) {
            destination[x][y] = Empty;
            destination[static_cast<int>(tx)][static_cast<int>(ty)] = PredatorOnYoung;
            return;
        }
    }
}
