// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "paddedlayout.h"

#include <array>
#include <cstdint>

// The long-range jump of a predator on young mussels. From a start direction
// chosen by a deviate it scans half a turn and more, 2 degrees an index, for a
// young mussel on the circle of radius jumpDistance around the predator, and
// reports the first one found. Direction table, target arithmetic and wrapping
// are those of the exact engine's jump.
class JumpScan {
public:
    struct Target {
        int x = -1;  // -1: no young mussel found
        int y = -1;
    };

    // Recomputes the direction tables when the distance or the layout's
    // stride differs from the last one.
    void prepare(int jumpDistance, int stride);

    // Scans cells (laid out by layout) for the predator at (x, y), a target
    // being a cell that holds young; u, a uniform 32-bit deviate, picks the
    // start direction. Instantiated for bytes: the lattice (young:
    // YoungMussel) and the cell codes of the asynchronous steps.
    template <typename T>
    Target find(const T* cells, T young, const PaddedLayout& layout, int x, int y, std::uint32_t u,
                bool periodic) const;

    static constexpr int Directions = 540;
    static constexpr int ProbeBlock = 8;

private:
    // Neighbouring directions often point at the same cell (target offset
    // dx, dy from the predator): the scan takes runs of them, one test a run.
    // Direction i lies in run runOf[i]; run r points at runDx[r], runDy[r], and runOffset[r] = runDx[r] * stride +
    // runDy[r] is its target relative to the predator's index in the padded
    // layout when the circle lies inside the field. The scans step through
    // runs by their number, so no probe waits for a table look-up of the one
    // before.
    std::array<std::int16_t, Directions> runOf{};
    std::array<std::int32_t, Directions> runDx{};
    std::array<std::int32_t, Directions> runDy{};
    // With zeros past the last run: the scan reads ProbeBlock runs at a time.
    std::array<std::int32_t, Directions + ProbeBlock> runOffset{};
    int distance = -1;
    int reach = 0;  // the largest |dx| or |dy|
    int stride = 0;
    bool ready = false;
};
