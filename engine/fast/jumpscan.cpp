// SPDX-License-Identifier: GPL-3.0-or-later
#include "jumpscan.h"

#include "cellstate.h"
#include "remainder.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

constexpr double Pi = 3.14159265;

} // namespace

void JumpScan::prepare(int jumpDistance, int layoutStride)
{
    if (ready && distance == jumpDistance && stride == layoutStride)
        return;
    reach = 0;
    for (int i = 0; i < Directions; ++i) {
        const double alpha = i * Pi * 0.011111111111111112;
        dx[i] = static_cast<std::int32_t>(std::trunc(std::sin(alpha) * jumpDistance));
        dy[i] = static_cast<std::int32_t>(std::trunc(std::cos(alpha) * jumpDistance));
        offset[i] = dx[i] * layoutStride + dy[i];
        reach = std::max({reach, std::abs(dx[i]), std::abs(dy[i])});
    }
    int runs = 0;
    for (int i = 0; i < Directions; ++i) {
        if (i == 0 || dx[i] != dx[i - 1] || dy[i] != dy[i - 1])
            runStart[runs++] = static_cast<std::int16_t>(i);
        runOf[i] = static_cast<std::int16_t>(runs - 1);
    }
    runStart[runs] = Directions;
    distance = jumpDistance;
    stride = layoutStride;
    ready = true;
}

template <typename T>
JumpScan::Target JumpScan::find(const T* cells, T young, const PaddedLayout& layout, int x, int y, std::uint32_t u,
                                bool periodic) const
{
    // u as a deviate strictly inside (0, 1), turned into the first and the end
    // index exactly as the exact engine turns its deviate.
    const double r = (u + 0.5) * (1.0 / 4294967296.0);
    const double theta = 2 * (r * Pi);
    const int first = static_cast<int>(theta * 28.647889789276146);
    const int end = static_cast<int>(theta * 57.29577957855229 + 180);
    // The scans test the first direction of each run from first's on: every
    // direction of a run points at the same cell.
    auto nextRun = [this](int i) { return runStart[runOf[i] + 1]; };
    // A circle inside the field needs no wrapping: the targets lie at fixed
    // offsets from the predator.
    if (x >= reach && x + reach < layout.cellsX && y >= reach && y + reach < layout.cellsY) {
        const T* centre = cells + layout.index(x, y);
        for (int i = first; i < end; i = nextRun(i))
            if (centre[offset[i]] == young)
                return {x + dx[i], y + dy[i]};
        return {};
    }
    const long long cellsX = layout.cellsX;
    const long long cellsY = layout.cellsY;
    for (int i = first; i < end; i = nextRun(i)) {
        long long tx = wrapRemainder(dx[i] + cellsX + x, cellsX);
        long long ty = wrapRemainder(dy[i] + cellsY + y, cellsY);
        if (tx < 0 || ty < 0) {
            if (!periodic)
                continue;
            tx = wrapRemainder(tx + cellsX, cellsX);
            ty = wrapRemainder(ty + cellsY, cellsY);
        }
        const int targetX = static_cast<int>(tx);
        const int targetY = static_cast<int>(ty);
        if (cells[layout.index(targetX, targetY)] == young)
            return {targetX, targetY};
    }
    return {};
}

template JumpScan::Target JumpScan::find(const std::int8_t*, std::int8_t, const PaddedLayout&, int, int, std::uint32_t,
                                         bool) const;
