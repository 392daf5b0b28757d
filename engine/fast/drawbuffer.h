// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "paddedlayout.h"
#include "xoshiro.h"

#include <cstdint>
#include <vector>

// The draws of a uniformly drawn asynchronous step: the outputs of its
// xoshiro256** stream, a block at a time, in stream order. Each entry keeps
// the output's top 32 bits (the deviate u); the entries that may draw a cell
// put into their low 32 bits the padded-layout index of the cell west of and
// above it (x from the top 32 bits, y from the bottom 32, each by multiply and
// shift), where its neighbourhood starts, with the sign bit on border cells.
//
// With AVX-512 (or AVX2) the stream runs in 8 (or 4) lanes side by side, lane
// k from the block's start moved on by k SegmentLength outputs with the
// generator's jump polynomial; so a block is lanes segments of SegmentLength
// outputs, segment k's entries at k, k + lanes, k + 2 lanes, ... Without, and
// for the short rest of a step, one segment is computed one output after the
// other. The outputs are the stream's either way.
class DrawBuffer {
public:
    static constexpr int SegmentLength = 512;
    static constexpr int MaxLanes = 8;

    struct Segment {
        const std::uint64_t* entries;
        int stride;
        int count;
    };

    DrawBuffer();

    // The widest lanes this processor has (8, 4 or 1); fewer when asked for
    // fewer (the tests compare the paths).
    void useLanes(int wanted);
    int lanes() const { return laneCount; }

    // The step takes outputs outputs of stream on a field of layout; the
    // first leading ones and every even-numbered one draw cells. No
    // allocation.
    void begin(const Xoshiro256& stream, const PaddedLayout& layout, long outputs, int leading);
    // The next segment; refills the block when it is used up. Only as many
    // outputs as begin() announced.
    Segment next();
    // The stream after the announced outputs, once all are taken.
    const Xoshiro256& stream() const { return master; }

private:
    void fillLanes();
    void fillOneByOne(int count);

    std::vector<std::uint64_t> entries;
    Xoshiro256 master;  // the stream at the end of the blocks made so far
    // The lanes' states, word w of lane k at lanes[w][k]; after a block each
    // lane stands where its segment ended, the jump to the next block not yet
    // taken.
    alignas(64) std::uint64_t laneStates[4][MaxLanes] = {};
    bool lanesStarted = false;
    int widest = 1;
    int laneCount = 1;
    PaddedLayout layout;
    long left = 0;  // outputs announced and not yet in a block
    long made = 0;  // outputs in the blocks so far
    int leadingDraws = 0;
    int segments = 0;  // of the present block
    int nextSegment = 0;
    int segmentStride = 1;
    int segmentCount = 0;
};

// The entry of output bits for a field of layout, as one that draws a cell.
inline std::uint64_t drawEntry(std::uint64_t bits, const PaddedLayout& layout)
{
    const int x = static_cast<int>(below(static_cast<std::uint32_t>(bits >> 32), static_cast<std::uint32_t>(layout.cellsX)));
    const int y = static_cast<int>(below(static_cast<std::uint32_t>(bits), static_cast<std::uint32_t>(layout.cellsY)));
    const std::uint32_t west = static_cast<std::uint32_t>(layout.index(x - 1, y - 1));
    return (bits & 0xFFFFFFFF00000000u) | west | (layout.onBorder(x, y) ? 0x80000000u : 0u);
}
