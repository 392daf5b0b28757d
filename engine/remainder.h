// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The C remainder (its sign follows the dividend), without a division in the
// usual case of a dividend in 0 .. 2 n - 1: the wrapping of positions around
// a periodic field, where a division would cost more than all else a cell does.
inline long long wrapRemainder(long long dividend, long long n)
{
    if (dividend >= 0 && dividend < 2 * n)
        return dividend >= n ? dividend - n : dividend;
    return dividend % n;
}
