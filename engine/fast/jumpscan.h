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

    // Recomputes the direction table when the distance differs from the last one.
    void prepare(int jumpDistance);

    // Scans cells (laid out by layout) for the predator at (x, y), a target
    // being a cell that holds young; u, a uniform 32-bit deviate, picks the
    // start direction. Instantiated for the byte lattice (young: YoungMussel)
    // and for the pair codes of the asynchronous steps.
    template <typename T>
    Target find(const T* cells, T young, const PaddedLayout& layout, int x, int y, std::uint32_t u,
                bool periodic) const;

    static constexpr int Directions = 540;

private:
    std::array<std::int32_t, Directions> dx{};
    std::array<std::int32_t, Directions> dy{};
    int distance = -1;
    bool ready = false;
};
