#include "philoxavx2.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))

#include <immintrin.h>

namespace philox {

namespace {

// The high and low halves of the eight 32 x 32-bit products a m: the even
// lanes multiply directly, the odd ones after a shift into the even places.
__attribute__((target("avx2"))) inline void multiply(__m256i a, __m256i m, __m256i& high, __m256i& low)
{
    const __m256i even = _mm256_mul_epu32(a, m);
    const __m256i odd = _mm256_mul_epu32(_mm256_srli_epi64(a, 32), m);
    low = _mm256_blend_epi32(even, _mm256_slli_epi64(odd, 32), 0xAA);
    high = _mm256_blend_epi32(_mm256_srli_epi64(even, 32), odd, 0xAA);
}

} // namespace

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
        // Word w of blocks j .. j + 7 in lane order.
        __m256i w0 = _mm256_add_epi32(_mm256_set1_epi32(static_cast<int>(first + j)),
                                      _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
        __m256i w1 = _mm256_set1_epi32(static_cast<int>(c1));
        __m256i w2 = _mm256_set1_epi32(static_cast<int>(c2));
        __m256i w3 = _mm256_set1_epi32(static_cast<int>(c3));
        for (int r = 0; r < Rounds; ++r) {
            __m256i high0, low0, high1, low1;
            multiply(w0, m0, high0, low0);
            multiply(w2, m1, high1, low1);
            const __m256i k0 = _mm256_set1_epi32(static_cast<int>(k[0] + r * KeyStep0));
            const __m256i k1 = _mm256_set1_epi32(static_cast<int>(k[1] + r * KeyStep1));
            w0 = _mm256_xor_si256(_mm256_xor_si256(high1, w1), k0);
            w1 = low1;
            w2 = _mm256_xor_si256(_mm256_xor_si256(high0, w3), k1);
            w3 = low0;
        }
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
