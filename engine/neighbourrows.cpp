// SPDX-License-Identifier: GPL-3.0-or-later
#include "neighbourrows.h"

#include "decisions.h"

// Both loops are built twice on x86-64, the second time for AVX2, which the
// processor picks at load time where it has it: twice as many cells an
// instruction. Elsewhere (WebAssembly among others) they are built once.
#if defined(__x86_64__)
#define TIDMAR_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define TIDMAR_VECTOR_CLONES
#endif

namespace rule {

TIDMAR_VECTOR_CLONES void columnCodes(const Cell* column, int n, const ColumnCodes& codes)
{
    std::uint8_t* __restrict states = codes.states;
    std::uint8_t* __restrict mussels = codes.mussels;
    std::uint8_t* __restrict predators = codes.predators;
    // Selections by masks: a branch would keep the loop from being vectorised.
    for (int y = 0; y < n; ++y) {
        const Cell v = column[y];
        const std::uint32_t index = static_cast<std::uint32_t>(v) - static_cast<std::uint32_t>(PredatorOnAdults);
        const std::uint32_t valid = 0u - static_cast<std::uint32_t>(index < StateCount);
        states[y] = static_cast<std::uint8_t>((index & valid) | (NoStateIndex & ~valid));
        const std::uint32_t young = 0u - static_cast<std::uint32_t>(v == YoungMussel);
        const std::uint32_t adult = 0u - static_cast<std::uint32_t>(v == AdultMussel);
        const std::uint32_t onYoung = 0u - static_cast<std::uint32_t>(v == PredatorOnYoung);
        const std::uint32_t onAdults = 0u - static_cast<std::uint32_t>(v == PredatorOnAdults);
        mussels[y] = static_cast<std::uint8_t>((young & 0x11) | (adult & 0x10));
        predators[y] = static_cast<std::uint8_t>((onYoung & 0x01) | (onAdults & 0x10));
    }
}

TIDMAR_VECTOR_CLONES void interiorRows(const ColumnCodes& west, const ColumnCodes& centre,
                                        const ColumnCodes& east, int n, std::uint8_t* __restrict rows)
{
    const std::uint8_t* __restrict mw = west.mussels;
    const std::uint8_t* __restrict mc = centre.mussels;
    const std::uint8_t* __restrict me = east.mussels;
    const std::uint8_t* __restrict pw = west.predators;
    const std::uint8_t* __restrict pc = centre.predators;
    const std::uint8_t* __restrict pe = east.predators;
    const std::uint8_t* __restrict states = centre.states;
    for (int y = 1; y < n - 1; ++y) {
        const std::uint8_t m = static_cast<std::uint8_t>(mw[y - 1] + mw[y] + mw[y + 1] + mc[y - 1] + mc[y] + mc[y + 1]
                                                         + me[y - 1] + me[y] + me[y + 1]);
        const std::uint8_t p = static_cast<std::uint8_t>(pw[y - 1] + pw[y] + pw[y + 1] + pc[y - 1] + pc[y] + pc[y + 1]
                                                         + pe[y - 1] + pe[y] + pe[y + 1]);
        const std::uint8_t i = states[y];
        const std::uint8_t count = static_cast<std::uint8_t>(
            (i == stateIndex(PredatorOnYoung) ? m & 15 : 0) | (i == stateIndex(Empty) ? m >> 4 : 0)
            | (i == stateIndex(YoungMussel) ? p & 15 : 0) | (i == stateIndex(AdultMussel) ? p >> 4 : 0));
        rows[y] = static_cast<std::uint8_t>(i == NoStateIndex ? Decisions::ForeignRow
                                                              : i * Decisions::CountsPerState + count);
    }
}

} // namespace rule
