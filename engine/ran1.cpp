// SPDX-License-Identifier: GPL-3.0-or-later
#include "ran1.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

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

namespace {

void statesPlain(std::int32_t s, std::int32_t* states, std::size_t n)
{
    for (std::size_t i = 0; i < n; ++i)
        states[i] = s = Ran1::advance(s);
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))

constexpr std::uint64_t Modulus = Ran1::IM;

// 16807^k modulo 2^31 - 1.
constexpr long long power(int k)
{
    std::uint64_t p = 1;
    for (int i = 0; i < k; ++i)
        p = p * Ran1::IA % Modulus;
    return static_cast<long long>(p);
}

// x folded once modulo 2^31 - 1 in each 64-bit lane, or each 32-bit one:
// 2^31 is 1 modulo 2^31 - 1, so the bits from 31 up are added onto the bits
// below.
__attribute__((target("avx2"))) inline __m256i fold64(__m256i x)
{
    return _mm256_add_epi64(_mm256_and_si256(x, _mm256_set1_epi64x(Ran1::IM)), _mm256_srli_epi64(x, 31));
}

__attribute__((target("avx2"))) inline __m256i fold32(__m256i x)
{
    return _mm256_add_epi32(_mm256_and_si256(x, _mm256_set1_epi32(Ran1::IM)), _mm256_srli_epi32(x, 31));
}

// Eight states at a time from the state in the low half of every 64-bit lane
// of base: the products by 16807^1, ^3, ^5, ^7 in one vector and by ^2, ^4,
// ^6, ^8 in another, whose low halves interleave into the eight states in
// order. A product of two numbers below 2^31 folded once is below 2^32;
// twice more, in 32-bit lanes, it comes into 1 .. 2^31 - 2 (neither factor is
// a multiple of the modulus).
__attribute__((target("avx2"))) void statesAvx2(std::int32_t s, std::int32_t* states, std::size_t n)
{
    const __m256i odd = _mm256_setr_epi64x(power(1), power(3), power(5), power(7));
    const __m256i even = _mm256_setr_epi64x(power(2), power(4), power(6), power(8));
    const __m256i lastLane = _mm256_set1_epi32(7);
    __m256i base = _mm256_set1_epi32(s);
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i a = fold64(_mm256_mul_epu32(base, odd));
        const __m256i b = fold64(_mm256_mul_epu32(base, even));
        const __m256i next = fold32(fold32(_mm256_blend_epi32(a, _mm256_slli_epi64(b, 32), 0xAA)));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(states + i), next);
        base = _mm256_permutevar8x32_epi32(next, lastLane);
    }
    if (i < n)
        statesPlain(i == 0 ? s : states[i - 1], states + i, n - i);
}

#endif

} // namespace

void Ran1::statesAfter(std::int32_t s, std::int32_t* states, std::size_t n)
{
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
    if (__builtin_cpu_supports("avx2")) {
        statesAvx2(s, states, n);
        return;
    }
#endif
    statesPlain(s, states, n);
}
