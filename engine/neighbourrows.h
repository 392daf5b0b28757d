// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The decision rows (see Decisions) of the interior cells of one column, all
// at once: in a synchronous step every count comes from the previous
// generation, so a column's counts can be taken before any of its cells is
// decided, in byte-wide loops the compiler vectorises, and the loop that draws
// is left with little beside the generator.

#include "cellstate.h"

#include <cstdint>

namespace rule {

// One column in bytes: each cell's state index (7 for a value that is no cell
// state) and its two codes, which add up in 3 x 3 sums to four 4-bit counts.
// The mussel code holds young mussels in bits 0-3 and mussels (young or adult)
// in bits 4-7, the predator code predators on young in bits 0-3 and predators
// on adults in bits 4-7. No cell counts towards the count its own state reads,
// so the sums may include the centre.
struct ColumnCodes {
    std::uint8_t* states;
    std::uint8_t* mussels;
    std::uint8_t* predators;
};

constexpr std::uint8_t NoStateIndex = 7;

// The codes of the n cells of column.
void columnCodes(const Cell* column, int n, const ColumnCodes& codes);

// rows[y] for 1 <= y <= n - 2 (n >= 3) of the centre column between west and east.
void interiorRows(const ColumnCodes& west, const ColumnCodes& centre, const ColumnCodes& east, int n,
                  std::uint8_t* rows);

} // namespace rule
