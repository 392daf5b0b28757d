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
    int runs = 0;
    for (int i = 0; i < Directions; ++i) {
        const double alpha = i * Pi * 0.011111111111111112;
        const auto dx = static_cast<std::int32_t>(std::trunc(std::sin(alpha) * jumpDistance));
        const auto dy = static_cast<std::int32_t>(std::trunc(std::cos(alpha) * jumpDistance));
        reach = std::max({reach, std::abs(dx), std::abs(dy)});
        if (runs == 0 || dx != runDx[runs - 1] || dy != runDy[runs - 1]) {
            runDx[runs] = dx;
            runDy[runs] = dy;
            runOffset[runs] = dx * layoutStride + dy;
            ++runs;
        }
        runOf[i] = static_cast<std::int16_t>(runs - 1);
    }
    // Offsets past the last run, which a block may read, point at the predator.
    std::fill(runOffset.begin() + runs, runOffset.end(), 0);
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
    // The scans test each run from first's to end - 1's once: every direction
    // of a run points at the same cell (end > first, end <= Directions).
    const int firstRun = runOf[first];
    const int endRun = runOf[end - 1] + 1;
    // A circle inside the field needs no wrapping: the targets lie at fixed
    // offsets from the predator.
    if (x >= reach && x + reach < layout.cellsX && y >= reach && y + reach < layout.cellsY) {
        const T* centre = cells + layout.index(x, y);
        // A block of runs is tested without a branch a run, each hit a bit,
        // the first hit found by the lowest bit.
        for (int r = firstRun; r < endRun; r += ProbeBlock) {
            unsigned hits = 0;
            for (int k = 0; k < ProbeBlock; ++k)
                hits |= static_cast<unsigned>(centre[runOffset[r + k]] == young) << k;
            hits &= (2u << std::min(ProbeBlock - 1, endRun - r - 1)) - 1;
            if (hits != 0) {
                const int hit = r + __builtin_ctz(hits);
                return {x + runDx[hit], y + runDy[hit]};
            }
        }
        return {};
    }
    const long long cellsX = layout.cellsX;
    const long long cellsY = layout.cellsY;
    for (int r = firstRun; r < endRun; ++r) {
        long long tx = wrapRemainder(runDx[r] + cellsX + x, cellsX);
        long long ty = wrapRemainder(runDy[r] + cellsY + y, cellsY);
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
