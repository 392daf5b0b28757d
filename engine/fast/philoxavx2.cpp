// SPDX-License-Identifier: GPL-3.0-or-later
#include "philoxavx2.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))

#include <immintrin.h>

namespace philox {

bool avx2Available()
{
    return __builtin_cpu_supports("avx2");
}

__attribute__((target("avx2"))) void generateRun16Avx2(Key k, std::uint32_t first, std::uint32_t c1,
                                                       std::uint32_t c2, std::uint32_t c3, std::uint32_t* out)
{
    const __m256i m0 = _mm256_set1_epi32(static_cast<int>(Multiplier0));
    const __m256i m1 = _mm256_set1_epi32(static_cast<int>(Multiplier1));
    for (int j = 0; j < 16; j += 8) {
        // Blocks j, j + 2, j + 4, j + 6 and j + 1, j + 3, ... in two sets of
        // four, one block per 64-bit lane with its words in the low halves:
        // the products then come out whole, and the high halves of the lanes,
        // which the multiplications ignore, may hold anything.
        __m256i a0 = _mm256_add_epi64(_mm256_set1_epi64x(first + j), _mm256_setr_epi64x(0, 2, 4, 6));
        __m256i b0 = _mm256_add_epi64(_mm256_set1_epi64x(first + j), _mm256_setr_epi64x(1, 3, 5, 7));
        __m256i a1 = _mm256_set1_epi64x(c1);
        __m256i b1 = a1;
        __m256i a2 = _mm256_set1_epi64x(c2);
        __m256i b2 = a2;
        __m256i a3 = _mm256_set1_epi64x(c3);
        __m256i b3 = a3;
        for (int r = 0; r < Rounds; ++r) {
            const __m256i k0 = _mm256_set1_epi64x(static_cast<std::uint32_t>(k[0] + r * KeyStep0));
            const __m256i k1 = _mm256_set1_epi64x(static_cast<std::uint32_t>(k[1] + r * KeyStep1));
            const __m256i pa0 = _mm256_mul_epu32(a0, m0);
            const __m256i pa1 = _mm256_mul_epu32(a2, m1);
            const __m256i pb0 = _mm256_mul_epu32(b0, m0);
            const __m256i pb1 = _mm256_mul_epu32(b2, m1);
            a0 = _mm256_xor_si256(_mm256_xor_si256(_mm256_srli_epi64(pa1, 32), a1), k0);
            b0 = _mm256_xor_si256(_mm256_xor_si256(_mm256_srli_epi64(pb1, 32), b1), k0);
            a1 = pa1;
            b1 = pb1;
            a2 = _mm256_xor_si256(_mm256_xor_si256(_mm256_srli_epi64(pa0, 32), a3), k1);
            b2 = _mm256_xor_si256(_mm256_xor_si256(_mm256_srli_epi64(pb0, 32), b3), k1);
            a3 = pa0;
            b3 = pb0;
        }
        // Word w of blocks j .. j + 7 in lane order.
        const __m256i w0 = _mm256_blend_epi32(a0, _mm256_slli_epi64(b0, 32), 0xAA);
        const __m256i w1 = _mm256_blend_epi32(a1, _mm256_slli_epi64(b1, 32), 0xAA);
        const __m256i w2 = _mm256_blend_epi32(a2, _mm256_slli_epi64(b2, 32), 0xAA);
        const __m256i w3 = _mm256_blend_epi32(a3, _mm256_slli_epi64(b3, 32), 0xAA);
        // Transpose to block order: after the unpacks, each 128-bit half holds
        // the four words of one block (blocks 0-3 low, 4-7 high).
        const __m256i t0 = _mm256_unpacklo_epi32(w0, w1);
        const __m256i t1 = _mm256_unpackhi_epi32(w0, w1);
        const __m256i t2 = _mm256_unpacklo_epi32(w2, w3);
        const __m256i t3 = _mm256_unpackhi_epi32(w2, w3);
        const __m256i b04 = _mm256_unpacklo_epi64(t0, t2);
        const __m256i b15 = _mm256_unpackhi_epi64(t0, t2);
        const __m256i b26 = _mm256_unpacklo_epi64(t1, t3);
        const __m256i b37 = _mm256_unpackhi_epi64(t1, t3);
        auto* to = reinterpret_cast<__m256i*>(out + 4 * j);
        _mm256_storeu_si256(to, _mm256_permute2x128_si256(b04, b15, 0x20));
        _mm256_storeu_si256(to + 1, _mm256_permute2x128_si256(b26, b37, 0x20));
        _mm256_storeu_si256(to + 2, _mm256_permute2x128_si256(b04, b15, 0x31));
        _mm256_storeu_si256(to + 3, _mm256_permute2x128_si256(b26, b37, 0x31));
    }
}

} // namespace philox

#else

namespace philox {

bool avx2Available()
{
    return false;
}

void generateRun16Avx2(Key k, std::uint32_t first, std::uint32_t c1, std::uint32_t c2, std::uint32_t c3,
                       std::uint32_t* out)
{
    generateRun<16>(k, first, c1, c2, c3, out);
}

} // namespace philox

#endif
