// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

// xoshiro256** 1.0 (Blackman and Vigna, 2018): 256 bits of state, 64 random
// bits a call, a handful of shifts, rotations and one multiplication. Its state
// is filled from a 64-bit seed by splitmix64, as its authors recommend.
class Xoshiro256 {
public:
    explicit Xoshiro256(std::uint64_t seed = 0) { reseed(seed); }

    void reseed(std::uint64_t seed)
    {
        for (std::uint64_t& word : state)
            word = splitmix64(seed);
    }

    std::uint64_t next()
    {
        const std::uint64_t result = rotl(state[1] * 5, 7) * 9;
        const std::uint64_t t = state[1] << 17;
        state[2] ^= state[0];
        state[3] ^= state[1];
        state[1] ^= state[2];
        state[0] ^= state[3];
        state[2] ^= t;
        state[3] = rotl(state[3], 45);
        return result;
    }

    // Moves the state on by the distance whose jump polynomial is given: the
    // coefficients of x^distance modulo the generator's characteristic
    // polynomial, bit i of the four words for x^i (as in its authors' jump()).
    void jump(const std::uint64_t (&polynomial)[4])
    {
        std::uint64_t sum[4] = {};
        for (const std::uint64_t word : polynomial)
            for (int bit = 0; bit < 64; ++bit) {
                if ((word >> bit) & 1u)
                    for (int w = 0; w < 4; ++w)
                        sum[w] ^= state[w];
                next();
            }
        for (int w = 0; w < 4; ++w)
            state[w] = sum[w];
    }

    // Advances x by the golden-ratio increment and returns its mixed value.
    static constexpr std::uint64_t splitmix64(std::uint64_t& x)
    {
        std::uint64_t z = (x += 0x9E3779B97F4A7C15u);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
        return z ^ (z >> 31);
    }

    std::uint64_t state[4];

private:
    static constexpr std::uint64_t rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
};

// An integer in 0 .. n - 1 from 32 random bits by multiply and shift (Lemire):
// no division, and a bias of at most n / 2^32 between values.
constexpr std::uint32_t below(std::uint32_t bits, std::uint32_t n)
{
    return static_cast<std::uint32_t>((static_cast<std::uint64_t>(bits) * n) >> 32);
}
