// SPDX-License-Identifier: GPL-3.0-or-later
#include "drawbuffer.h"

#include <algorithm>
#include <cstring>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define TIDMAR_DRAWBUFFER_X86 1
#endif

namespace {

constexpr int BlockCapacity = DrawBuffer::MaxLanes * DrawBuffer::SegmentLength;

// x^d modulo the characteristic polynomial of xoshiro256** for d = 512, the
// segment length, and for the distances from a segment's end to the start of
// the same lane's segment in the next block: 7 and 3 segments. Found by
// Berlekamp-Massey and square-and-multiply; the tests check them against
// single steps.
constexpr std::uint64_t JumpOneSegment[4] = {0xC7327D130E34B489u, 0x81F675E7A4EF7D84u, 0x6DD49B656055C9DAu,
                                             0xBE7976372E930435u};
constexpr std::uint64_t JumpSevenSegments[4] = {0xC1C3DA7F588E1172u, 0xB0478674C36C9E18u, 0xAC2C9FC00BD5BCAAu,
                                                0xB33BBB70D42480D0u};
constexpr std::uint64_t JumpThreeSegments[4] = {0x2F121B2B79C58914u, 0xDCA1A0F9E89AB189u, 0x0DD3EE7079A6DD3Fu,
                                                0xBAAF47861466C19Fu};

#ifdef TIDMAR_DRAWBUFFER_X86

// The xoshiro256** states of several lanes, one vector per word, in GCC's
// generic vectors: the operations become the instructions of whichever
// function they are inlined into (a 64-bit rotation, for one, vprolq with
// AVX-512 and two shifts and an or with AVX2).
template <typename Vector>
struct Lanes {
    Vector s0, s1, s2, s3;

    // Vectors go by reference: passed by value, they would change the
    // calling convention with the instruction set.
    static void rotate(Vector& v, int k) { v = (v << k) | (v >> (64 - k)); }

    void advance()
    {
        const Vector t = s1 << 17;
        s2 ^= s0;
        s3 ^= s1;
        s1 ^= s2;
        s0 ^= s3;
        s2 ^= t;
        rotate(s3, 45);
    }

    // rotl(s1 * 5, 7) * 9, the products as shifts and adds.
    void output(Vector& bits) const
    {
        Vector r = s1 + (s1 << 2);
        rotate(r, 7);
        bits = r + (r << 3);
    }

    // Each lane moved on by the distance of the jump polynomial, as
    // Xoshiro256::jump() moves one stream.
    void jump(const std::uint64_t (&polynomial)[4])
    {
        Lanes sum{};
        for (const std::uint64_t word : polynomial)
            for (int bit = 0; bit < 64; ++bit) {
                if ((word >> bit) & 1u) {
                    sum.s0 ^= s0;
                    sum.s1 ^= s1;
                    sum.s2 ^= s2;
                    sum.s3 ^= s3;
                }
                advance();
            }
        *this = sum;
    }

    void load(const std::uint64_t (&states)[4][DrawBuffer::MaxLanes])
    {
        std::memcpy(&s0, states[0], sizeof s0);
        std::memcpy(&s1, states[1], sizeof s1);
        std::memcpy(&s2, states[2], sizeof s2);
        std::memcpy(&s3, states[3], sizeof s3);
    }

    void store(std::uint64_t (&states)[4][DrawBuffer::MaxLanes]) const
    {
        std::memcpy(states[0], &s0, sizeof s0);
        std::memcpy(states[1], &s1, sizeof s1);
        std::memcpy(states[2], &s2, sizeof s2);
        std::memcpy(states[3], &s3, sizeof s3);
    }
};

using Vector8 = std::uint64_t __attribute__((vector_size(64)));
using Vector4 = std::uint64_t __attribute__((vector_size(32)));

// The constants of drawEntry() for a field, in every lane; those of the
// 32-bit comparisons in both halves of each.
template <typename Vector>
struct Field {
    Vector width, height, stride, one, lastX, lastY, mark;

    explicit Field(const PaddedLayout& layout)
        : width(Vector{} + layout.cellsX), height(Vector{} + layout.cellsY), stride(Vector{} + layout.stride),
          one(Vector{} + both(1)), lastX(Vector{} + both(layout.cellsX - 2)), lastY(Vector{} + both(layout.cellsY - 2)),
          mark(Vector{} + both(0x80000000u))
    {
    }

    static std::uint64_t both(std::uint32_t half) { return half * 0x100000001u; }
};

// The entries of eight outputs that draw cells. x and y lie in the low halves
// of the 64-bit lanes; the 32-bit comparisons and sums are right in those,
// the others are dropped. The masked forms stand in for the plain shifts and
// products, which g++ 12 warns about wrongly (their undefined pass-through
// operand); they are the same instructions.
struct Cells8 : Field<Vector8> {
    using Field::Field;
    static constexpr __mmask8 All = 0xFF;

    __attribute__((target("avx512f"))) void entries(const Vector8& output, Vector8& entry) const
    {
        const auto bits = __m512i(output);
        const __m512i top = _mm512_maskz_srli_epi64(All, bits, 32);
        const __m512i x = _mm512_maskz_srli_epi64(All, _mm512_maskz_mul_epu32(All, top, __m512i(width)), 32);
        const __m512i y = _mm512_maskz_srli_epi64(All, _mm512_maskz_mul_epu32(All, bits, __m512i(height)), 32);
        const __m512i west = _mm512_add_epi32(_mm512_maskz_mul_epu32(All, x, __m512i(stride)), y);
        const __mmask16 border = _mm512_cmpge_epu32_mask(_mm512_sub_epi32(x, __m512i(one)), __m512i(lastX))
                               | _mm512_cmpge_epu32_mask(_mm512_sub_epi32(y, __m512i(one)), __m512i(lastY));
        entry = Vector8(_mm512_mask_blend_epi32(0x5555, bits, _mm512_mask_or_epi32(west, border, west, __m512i(mark))));
    }

    __attribute__((target("avx512f"))) static void store(std::uint64_t* to, const Vector8& entries)
    {
        _mm512_storeu_si512(to, __m512i(entries));
    }
};

// a >= b in each unsigned 32-bit lane, as all ones.
__attribute__((target("avx2"))) inline __m256i atLeast(__m256i a, __m256i b)
{
    return _mm256_cmpeq_epi32(_mm256_max_epu32(a, b), a);
}

struct Cells4 : Field<Vector4> {
    using Field::Field;

    __attribute__((target("avx2"))) void entries(const Vector4& output, Vector4& entry) const
    {
        const auto bits = __m256i(output);
        const __m256i x = _mm256_srli_epi64(_mm256_mul_epu32(_mm256_srli_epi64(bits, 32), __m256i(width)), 32);
        const __m256i y = _mm256_srli_epi64(_mm256_mul_epu32(bits, __m256i(height)), 32);
        const __m256i west = _mm256_add_epi32(_mm256_mul_epu32(x, __m256i(stride)), y);
        const __m256i border = _mm256_or_si256(atLeast(_mm256_sub_epi32(x, __m256i(one)), __m256i(lastX)),
                                               atLeast(_mm256_sub_epi32(y, __m256i(one)), __m256i(lastY)));
        entry = Vector4(_mm256_blend_epi32(bits, _mm256_or_si256(west, _mm256_and_si256(border, __m256i(mark))), 0x55));
    }

    __attribute__((target("avx2"))) static void store(std::uint64_t* to, const Vector4& entries)
    {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(to), __m256i(entries));
    }
};

// The lanes in vectors of one instruction set, its entries made by Cells:
// first, if jumpFirst, each lane moved on by jump; then SegmentLength outputs
// of each into out, as drawEntry() makes them for the even-numbered outputs
// of a segment and the odd ones below oddDraws, the others as they are.
// Inlined into the callers below, which give the instruction set.
template <typename Vector, typename Cells>
__attribute__((always_inline)) inline void runLanes(std::uint64_t (&states)[4][DrawBuffer::MaxLanes],
                                                    const std::uint64_t (&jump)[4], bool jumpFirst, int oddDraws,
                                                    const PaddedLayout& layout, std::uint64_t* out)
{
    constexpr int Width = sizeof(Vector) / sizeof(std::uint64_t);
    Lanes<Vector> s;
    s.load(states);
    if (jumpFirst)
        s.jump(jump);
    const Cells cells(layout);
    for (int j = 0; j < DrawBuffer::SegmentLength; j += 2) {
        Vector bits;
        Vector entry;
        s.output(bits);
        cells.entries(bits, entry);
        cells.store(out + Width * j, entry);
        s.advance();
        s.output(bits);
        entry = bits;
        if (j + 1 < oddDraws)
            cells.entries(bits, entry);
        cells.store(out + Width * (j + 1), entry);
        s.advance();
    }
    s.store(states);
}

__attribute__((target("avx512f"))) void runLanes8(std::uint64_t (&states)[4][DrawBuffer::MaxLanes],
                                                  const std::uint64_t (&jump)[4], bool jumpFirst, int oddDraws,
                                                  const PaddedLayout& layout, std::uint64_t* out)
{
    runLanes<Vector8, Cells8>(states, jump, jumpFirst, oddDraws, layout, out);
}

__attribute__((target("avx2"))) void runLanes4(std::uint64_t (&states)[4][DrawBuffer::MaxLanes],
                                               const std::uint64_t (&jump)[4], bool jumpFirst, int oddDraws,
                                               const PaddedLayout& layout, std::uint64_t* out)
{
    runLanes<Vector4, Cells4>(states, jump, jumpFirst, oddDraws, layout, out);
}

int widestLanes()
{
    if (__builtin_cpu_supports("avx512f"))
        return 8;
    return __builtin_cpu_supports("avx2") ? 4 : 1;
}

#else

int widestLanes()
{
    return 1;
}

#endif

} // namespace

DrawBuffer::DrawBuffer() : entries(BlockCapacity), widest(widestLanes()), laneCount(widest) {}

void DrawBuffer::useLanes(int wanted)
{
    laneCount = wanted >= widest ? widest : wanted >= 4 && widest >= 4 ? 4 : 1;
}

void DrawBuffer::begin(const Xoshiro256& stream, const PaddedLayout& fieldLayout, long outputs, int leading)
{
    master = stream;
    layout = fieldLayout;
    left = outputs;
    made = 0;
    leadingDraws = leading;
    segments = 0;
    nextSegment = 0;
    lanesStarted = false;
}

DrawBuffer::Segment DrawBuffer::next()
{
    if (nextSegment == segments) {
        if (laneCount > 1 && left >= static_cast<long>(laneCount) * SegmentLength)
            fillLanes();
        else
            fillOneByOne(static_cast<int>(std::min<long>(left, BlockCapacity)));
        nextSegment = 0;
    }
    const int first = segmentStride == 1 ? 0 : nextSegment;
    ++nextSegment;
    return {entries.data() + first, segmentStride, segmentCount};
}

// A block of lanes: at the first, lane k starts k segments after the stream;
// afterwards each lane jumps from the end of its segment to its segment in
// the next block. The last lane ends where the next block starts.
void DrawBuffer::fillLanes()
{
    const bool jumpFirst = lanesStarted;
    if (!lanesStarted) {
        Xoshiro256 lane = master;
        for (int k = 0; k < laneCount; ++k) {
            for (int w = 0; w < 4; ++w)
                laneStates[w][k] = lane.state[w];
            lane.jump(JumpOneSegment);
        }
        lanesStarted = true;
    }
    // Lane 0 holds the block's first outputs, so the odd ones that draw.
    const int oddDraws = made < leadingDraws ? static_cast<int>(leadingDraws - made) : 0;
#ifdef TIDMAR_DRAWBUFFER_X86
    if (laneCount == 8)
        runLanes8(laneStates, JumpSevenSegments, jumpFirst, oddDraws, layout, entries.data());
    else
        runLanes4(laneStates, JumpThreeSegments, jumpFirst, oddDraws, layout, entries.data());
#else
    (void)oddDraws;
#endif
    for (int w = 0; w < 4; ++w)
        master.state[w] = laneStates[w][laneCount - 1];
    left -= static_cast<long>(laneCount) * SegmentLength;
    made += static_cast<long>(laneCount) * SegmentLength;
    segments = laneCount;
    segmentStride = laneCount;
    segmentCount = SegmentLength;
}

void DrawBuffer::fillOneByOne(int count)
{
    for (int i = 0; i < count; ++i)
        entries[i] = drawEntry(master.next(), layout);
    left -= count;
    made += count;
    lanesStarted = false;
    segments = 1;
    segmentStride = 1;
    segmentCount = count;
}
