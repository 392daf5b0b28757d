// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The transition rule of the mussel-bed automaton: the next state of one cell
// from its state and its neighbours. Inline, so that the update schemes run it
// without a call per cell; the neighbour count of border cells and the
// predators' long-range jump are in rule.cpp.

#include "musselbed.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

constexpr Reads readsOf(Cell state)
{
    constexpr Cell none = INT32_MIN;
    constexpr Reads reads[StateCount] = {
        {none, 0}, {YoungMussel, 0}, {YoungMussel, 1}, {PredatorOnYoung, 0}, {PredatorOnAdults, 0}};
    return reads[stateIndex(state)];
}

inline int reads(Cell value, Reads r)
{
    return static_cast<std::uint32_t>(value) - static_cast<std::uint32_t>(r.lo) <= r.span;
}

// How many of the eight cells around an interior cell in state `state` the
// transition reads. The caller guarantees 1 <= x <= cellsX - 2 and
// 1 <= y <= cellsY - 2; stride is cellsY, the distance between neighbouring
// columns. The cell itself may be counted too, as no state reads its own kind.
inline int countInterior(const Cell* c, long stride, Cell state)
{
#if defined(__SSE2__)
    // Each of the three columns as one load of the four cells from y - 1 on
    // (the fourth belongs to the next column, or to the block's slack), of
    // which the first three count: v - lo <= span as unsigned numbers, that
    // is v - lo - 2^31 < span + 1 - 2^31 as signed ones. Both constants come
    // ready for each state from a table.
    struct alignas(16) Vectors {
        std::int32_t lo[4];     // lo + 2^31 (mod 2^32)
        std::int32_t limit[4];  // span + 1 - 2^31
    };
    struct Table {
        Vectors of[StateCount];
    };
    static constexpr Table table = [] {
        Table t{};
        for (int i = 0; i < StateCount; ++i) {
            const Reads r = readsOf(i - 1);
            for (int k = 0; k < 4; ++k) {
                t.of[i].lo[k] = static_cast<std::int32_t>(static_cast<std::uint32_t>(r.lo) ^ 0x80000000u);
                t.of[i].limit[k] = static_cast<std::int32_t>((r.span + 1) ^ 0x80000000u);
            }
        }
        return t;
    }();
    const Vectors& v = table.of[stateIndex(state)];
    const __m128i lo = _mm_load_si128(reinterpret_cast<const __m128i*>(v.lo));
    const __m128i limit = _mm_load_si128(reinterpret_cast<const __m128i*>(v.limit));
    const auto reads = [&](const Cell* top) {
        return _mm_cmpgt_epi32(limit, _mm_sub_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(top)), lo));
    };
    __m128i sum = _mm_add_epi32(_mm_add_epi32(reads(c - stride - 1), reads(c - 1)), reads(c + stride - 1));
    sum = _mm_and_si128(sum, _mm_set_epi32(0, -1, -1, -1));
    sum = _mm_add_epi32(sum, _mm_shuffle_epi32(sum, 0x4E));
    sum = _mm_add_epi32(sum, _mm_shuffle_epi32(sum, 0xB1));
    return -_mm_cvtsi128_si32(sum);
#else
    const Reads r = readsOf(state);
    const Cell* w = c - stride;
    const Cell* e = c + stride;
    return reads(w[-1], r) + reads(w[0], r) + reads(w[1], r) + reads(c[-1], r) + reads(c[1], r) + reads(e[-1], r)
         + reads(e[0], r) + reads(e[1], r);
#endif
}

// The next state of a cell by its decision, from the words of its four draws
// (words[0] .. words[3]): one comparison, whichever word decides.
inline Cell next(const Decision& d, const std::int32_t* words)
{
    // Selected by a mask: as a branch, a random event would be mispredicted
    // about as often as it fires.
    const Cell fires = -static_cast<Cell>(words[d.draw] < d.threshold);
    return d.otherwise ^ (d.change & fires);
}

} // namespace rule

inline void MusselBed::updateCell(const Lattice& source, const Lattice& destination, int x, int y)
{
    random.prime();
    decisions.update(*this);
    cellUpdate(source, destination)(random, x, y);
}

inline MusselBed::CellUpdate MusselBed::cellUpdate(const Lattice& source, const Lattice& destination)
{
    const bool unitRadius = radius == 1;
    return {*this,
            source,
            destination,
            source.block(),
            destination.block(),
            cellsY,
            unitRadius ? static_cast<unsigned>(cellsX - 2) : 0u,
            static_cast<unsigned>(cellsY - 2),
            decisions.table()};
}

template <typename Draws>
inline void MusselBed::CellUpdate::operator()(Draws& draws, int x, int y) const
{
    // The four draws are always taken, in this order, as they advance the one
    // stream that every cell shares.
    std::int32_t words[4];
    for (std::int32_t& word : words)
        word = draws.nextWord();
    decide(words, draws, x, y);
}

template <typename Draws>
inline bool MusselBed::CellUpdate::decide(const std::int32_t* words, Draws& draws, int x, int y) const
{
    // The count is taken before the cell is written, as on the smallest
    // periodic fields the cell is its own neighbour.
    const long at = static_cast<long>(x) * height + y;
    const Cell* here = from + at;
    const Cell state = *here;
    if (!isCellState(state))
        return false;  // not a cell state: left as it is
    const bool interior =
        static_cast<unsigned>(x - 1) < innerWidth && static_cast<unsigned>(y - 1) < innerHeight;
    rule::Decision d;
    if (interior) {
        d = table[rule::Decisions::rowOf(state, rule::countInterior(here, height, state))];
    } else {
        d = bed.decisions.of(state, bed.countReads(source, x, y, state));
    }
    to[at] = rule::next(d, words);
    // A predator on young with no young mussel beside it jumps, in the
    // direction of a fifth draw.
    if (d.special != rule::Jumps)
        return false;
    bed.jump(source, destination, x, y, Ran1::deviate(draws.nextWord()));
    return true;
}
