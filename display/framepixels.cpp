// SPDX-License-Identifier: GPL-3.0-or-later
#include "framepixels.h"

#include <algorithm>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define TIDMAR_X86_PIXELS 1
#endif

// Built a second time for AVX2, picked at load time where the processor has
// it: the loop is vectorised, twice as wide there.
__attribute__((target_clones("avx2", "default"))) void frameCodes(const Cell* cells, std::size_t n,
                                                                  std::uint8_t* codes)
{
    for (std::size_t i = 0; i < n; ++i)
        codes[i] = std::uint8_t(std::min(std::uint32_t(cells[i]) + 1u, std::uint32_t{StateCount}));
}

namespace {

// The lattice runs down the columns, the canvas along the lines, so the field
// goes in bands of a few columns, line by line within a band: each line of a
// band fills a cache line of the canvas, and the band's columns are read
// sequentially.
// Columns from x0 on.
void pixelsPlain(const std::uint8_t* codes, int cellsX, int cellsY, int x0, QRgb* pixels, std::ptrdiff_t pitch,
                 const QRgb (&colours)[FrameCodes])
{
    constexpr int Band = 16;
    for (int b = x0; b < cellsX; b += Band) {
        const int b1 = std::min(b + Band, cellsX);
        for (int y = 0; y < cellsY; ++y)
            for (int x = b; x < b1; ++x)
                pixels[y * pitch + x] = colours[codes[std::ptrdiff_t{x} * cellsY + y]];
    }
}

#ifdef TIDMAR_X86_PIXELS

// Blocks of 16 x 16 cells: sixteen loads of a column's codes, a transpose in
// registers (four rounds of interleaving rows i and i + 8 turn columns into
// lines), and the colours by table lookups, one per byte of the colour.
__attribute__((target("ssse3"))) void pixelsSsse3(const std::uint8_t* codes, int cellsX, int cellsY, QRgb* pixels,
                                                  std::ptrdiff_t pitch, const QRgb (&colours)[FrameCodes])
{
    alignas(16) std::uint8_t planes[4][16] = {};
    for (int c = 0; c < FrameCodes; ++c)
        for (int byte = 0; byte < 4; ++byte)
            planes[byte][c] = std::uint8_t(colours[c] >> (8 * byte));
    const __m128i plane0 = _mm_load_si128(reinterpret_cast<const __m128i*>(planes[0]));
    const __m128i plane1 = _mm_load_si128(reinterpret_cast<const __m128i*>(planes[1]));
    const __m128i plane2 = _mm_load_si128(reinterpret_cast<const __m128i*>(planes[2]));
    const __m128i plane3 = _mm_load_si128(reinterpret_cast<const __m128i*>(planes[3]));
    const int blocksX = cellsX / 16 * 16;
    const int blocksY = cellsY / 16 * 16;
    for (int x0 = 0; x0 < blocksX; x0 += 16) {
        for (int y0 = 0; y0 < blocksY; y0 += 16) {
            __m128i r[16];
            for (int i = 0; i < 16; ++i)
                r[i] = _mm_loadu_si128(
                    reinterpret_cast<const __m128i*>(codes + std::ptrdiff_t{x0 + i} * cellsY + y0));
            for (int round = 0; round < 4; ++round) {
                __m128i s[16];
                for (int k = 0; k < 8; ++k) {
                    s[2 * k] = _mm_unpacklo_epi8(r[k], r[k + 8]);
                    s[2 * k + 1] = _mm_unpackhi_epi8(r[k], r[k + 8]);
                }
                std::copy(s, s + 16, r);
            }
            for (int j = 0; j < 16; ++j) {
                const __m128i b0 = _mm_shuffle_epi8(plane0, r[j]);
                const __m128i b1 = _mm_shuffle_epi8(plane1, r[j]);
                const __m128i b2 = _mm_shuffle_epi8(plane2, r[j]);
                const __m128i b3 = _mm_shuffle_epi8(plane3, r[j]);
                const __m128i low01 = _mm_unpacklo_epi8(b0, b1);
                const __m128i high01 = _mm_unpackhi_epi8(b0, b1);
                const __m128i low23 = _mm_unpacklo_epi8(b2, b3);
                const __m128i high23 = _mm_unpackhi_epi8(b2, b3);
                __m128i* line = reinterpret_cast<__m128i*>(pixels + (y0 + j) * pitch + x0);
                _mm_storeu_si128(line, _mm_unpacklo_epi16(low01, low23));
                _mm_storeu_si128(line + 1, _mm_unpackhi_epi16(low01, low23));
                _mm_storeu_si128(line + 2, _mm_unpacklo_epi16(high01, high23));
                _mm_storeu_si128(line + 3, _mm_unpackhi_epi16(high01, high23));
            }
        }
    }
    // The lines below the last whole block, then the columns right of it.
    for (int x = 0; x < blocksX; ++x)
        for (int y = blocksY; y < cellsY; ++y)
            pixels[y * pitch + x] = colours[codes[std::ptrdiff_t{x} * cellsY + y]];
    pixelsPlain(codes, cellsX, cellsY, blocksX, pixels, pitch, colours);
}

#endif

} // namespace

void framePixels(const std::uint8_t* codes, int cellsX, int cellsY, QRgb* pixels, std::ptrdiff_t pitch,
                 const QRgb (&colours)[FrameCodes])
{
#ifdef TIDMAR_X86_PIXELS
    if (__builtin_cpu_supports("ssse3")) {
        pixelsSsse3(codes, cellsX, cellsY, pixels, pitch, colours);
        return;
    }
#endif
    framePixelsPlain(codes, cellsX, cellsY, pixels, pitch, colours);
}

void framePixelsPlain(const std::uint8_t* codes, int cellsX, int cellsY, QRgb* pixels, std::ptrdiff_t pitch,
                      const QRgb (&colours)[FrameCodes])
{
    pixelsPlain(codes, cellsX, cellsY, 0, pixels, pitch, colours);
}
