// SPDX-License-Identifier: GPL-3.0-or-later
#include "ran1.h"

// Fills the shuffle table from the state word: a non-positive word w starts
// the chain at -w (at 1 when -w < 1). A start at the modulus itself (or beyond)
// would make the chain all zeros, so it is reduced into 1 .. IM - 1 first.
void Ran1::initialise()
{
    std::int64_t s = -static_cast<std::int64_t>(seed);
    if (s < 1)
        s = 1;
    if (s >= IM) {
        s %= IM;
        if (s == 0)
            s = 1;
    }
    std::int32_t word = static_cast<std::int32_t>(s);
    for (int j = NTAB + 7; j >= 0; --j) {
        word = advance(word);
        if (j < NTAB)
            shuffleTable[j] = word;
    }
    shuffleOut = shuffleTable[0];
    seed = word;
}
