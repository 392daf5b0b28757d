// SPDX-License-Identifier: GPL-3.0-or-later
// The parts of the transition rule off the hot path: the neighbour count with
// boundaries and the long-range jump of predators on young mussels.

#include "rule.h"

#include "remainder.h"

#include <cmath>
#include <cstdlib>

namespace {

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
                nx = wrapRemainder(nx + cellsX, cellsX);
                ny = wrapRemainder(ny + cellsY, cellsY);
                if (nx < 0 || ny < 0)  // only with radius > cellsX or cellsY; never with radius 1
                    continue;
            }
            count += lattice[static_cast<int>(nx)][static_cast<int>(ny)] == state;
        }
    return count;
}

int MusselBed::countReads(const Lattice& lattice, int x, int y, Cell state) const
{
    switch (state) {
    case PredatorOnYoung:
        return countNeighbours(lattice, x, y, YoungMussel);
    case Empty:
        return countNeighbours(lattice, x, y, YoungMussel) + countNeighbours(lattice, x, y, AdultMussel);
    case YoungMussel:
        return countNeighbours(lattice, x, y, PredatorOnYoung);
    case AdultMussel:
        return countNeighbours(lattice, x, y, PredatorOnAdults);
    default:
        return 0;
    }
}

void MusselBed::prepareJumpOffsets()
{
    for (int i = 0; i < static_cast<int>(jumpDx.size()); ++i) {
        const double alpha = i * Pi * 0.011111111111111112;
        jumpDx[i] = static_cast<std::int32_t>(std::trunc(std::sin(alpha) * jumpDistance));
        jumpDy[i] = static_cast<std::int32_t>(std::trunc(std::cos(alpha) * jumpDistance));
        // Used only when the circle lies inside the field, which bounds dx and dy.
        jumpSteps[i] = static_cast<std::int32_t>(static_cast<long long>(jumpDx[i]) * cellsY + jumpDy[i]);
    }
    jumpOffsetsDistance = jumpDistance;
    jumpStepsHeight = cellsY;
}

// A predator on young mussels with no young mussel beside it jumps: starting at
// the direction r5 picks it scans half a turn and more, 2 degrees a step, for a young
// mussel on the circle of radius jumpDistance, and takes the first one found.
void MusselBed::jump(const Lattice& source, const Lattice& destination, int x, int y, float r5)
{
    if (jumpOffsetsDistance != jumpDistance || jumpStepsHeight != cellsY)
        prepareJumpOffsets();
    const double theta = 2 * (r5 * Pi);
    const int first = static_cast<int>(theta * 28.647889789276146);
    const int end = static_cast<int>(theta * 57.29577957855229 + 180);
    // With the whole circle inside the field no target wraps, and each
    // direction is a fixed step through the block from the predator.
    const long long reach = std::llabs(static_cast<long long>(jumpDistance));
    if (x >= reach && x + reach < cellsX && y >= reach && y + reach < cellsY) {
        const Cell* from = source.block() + static_cast<long>(x) * cellsY + y;
        for (int i = first; i < end; ++i)
            if (from[jumpSteps[i]] == YoungMussel) {
                destination[x][y] = Empty;
                destination[x + jumpDx[i]][y + jumpDy[i]] = PredatorOnYoung;
                return;
            }
        return;
    }
    for (int i = first; i < end; ++i) {
        long long tx = wrapRemainder(static_cast<long long>(jumpDx[i]) + cellsX + x, cellsX);
        long long ty = wrapRemainder(static_cast<long long>(jumpDy[i]) + cellsY + y, cellsY);
        if (tx < 0 || ty < 0) {
            if (!periodic)
                continue;
            tx = wrapRemainder(tx + cellsX, cellsX);
            ty = wrapRemainder(ty + cellsY, cellsY);
        }
        if (source[static_cast<int>(tx)][static_cast<int>(ty)] == YoungMussel) {
            destination[x][y] = Empty;
            destination[static_cast<int>(tx)][static_cast<int>(ty)] = PredatorOnYoung;
            return;
        }
    }
}
