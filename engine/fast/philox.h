// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>

// Philox4x32-10 (Salmon, Moraes, Dror and Shaw, "Parallel random numbers: as
// easy as 1, 2, 3", 2011): a counter-based generator. Ten rounds of a
// multiply, split and xor network turn a 128-bit counter under a 64-bit key
// into 128 random bits. The same counter and key always give the same bits, so
// every cell of a step can compute its own deviate, on any thread, in any order.
namespace philox {

using Counter = std::array<std::uint32_t, 4>;
using Key = std::array<std::uint32_t, 2>;

constexpr std::uint32_t Multiplier0 = 0xD2511F53u;
constexpr std::uint32_t Multiplier1 = 0xCD9E8D57u;
constexpr std::uint32_t KeyStep0 = 0x9E3779B9u;  // the golden ratio in 32 bits
constexpr std::uint32_t KeyStep1 = 0xBB67AE85u;  // sqrt(3) - 1 in 32 bits
constexpr int Rounds = 10;

// One round: two 32 x 32 -> 64-bit products, their halves crossed and xored
// with the other two words and the round key.
constexpr void round(std::uint32_t& c0, std::uint32_t& c1, std::uint32_t& c2, std::uint32_t& c3,
                     std::uint32_t k0, std::uint32_t k1)
{
    const std::uint64_t p0 = static_cast<std::uint64_t>(Multiplier0) * c0;
    const std::uint64_t p1 = static_cast<std::uint64_t>(Multiplier1) * c2;
    c0 = static_cast<std::uint32_t>(p1 >> 32) ^ c1 ^ k0;
    c1 = static_cast<std::uint32_t>(p1);
    c2 = static_cast<std::uint32_t>(p0 >> 32) ^ c3 ^ k1;
    c3 = static_cast<std::uint32_t>(p0);
}

constexpr Counter generate(Counter c, Key k)
{
    for (int r = 0; r < Rounds; ++r) {
        round(c[0], c[1], c[2], c[3], k[0] + r * KeyStep0, k[1] + r * KeyStep1);
    }
    return c;
}

// The Count blocks of counters (first + j, c1, c2, c3), j = 0 .. Count - 1, word
// w of block j into out[4 j + w]. Written lane by lane, with a count fixed at
// compile time, so that the compiler runs several blocks side by side in vector
// registers.
template <int Count>
inline void generateRun(Key k, std::uint32_t first, std::uint32_t c1, std::uint32_t c2, std::uint32_t c3,
                        std::uint32_t* out)
{
    for (int j = 0; j < Count; ++j) {
        std::uint32_t w0 = first + static_cast<std::uint32_t>(j);
        std::uint32_t w1 = c1;
        std::uint32_t w2 = c2;
        std::uint32_t w3 = c3;
#pragma GCC unroll 10
        for (int r = 0; r < Rounds; ++r)
            round(w0, w1, w2, w3, k[0] + r * KeyStep0, k[1] + r * KeyStep1);
        out[4 * j] = w0;
        out[4 * j + 1] = w1;
        out[4 * j + 2] = w2;
        out[4 * j + 3] = w3;
    }
}

} // namespace philox
