// SPDX-License-Identifier: GPL-3.0-or-later
#include "philox.h"
#include "philoxavx2.h"
#include "xoshiro.h"
#include "drawbuffer.h"

#include <gtest/gtest.h>

#include <array>

// The published known-answer vectors of Philox4x32-10 (Random123).
TEST(Philox, GivesThePublishedKnownAnswers)
{
    EXPECT_EQ(philox::generate({0, 0, 0, 0}, {0, 0}),
              (philox::Counter{0x6627e8d5, 0xe169c58d, 0xbc57ac4c, 0x9b00dbd8}));
    EXPECT_EQ(philox::generate({0xffffffff, 0xffffffff, 0xffffffff, 0xffffffff}, {0xffffffff, 0xffffffff}),
              (philox::Counter{0x408f276d, 0x41c83b0e, 0xa20bc7c6, 0x6d5451fd}));
    EXPECT_EQ(philox::generate({0x243f6a88, 0x85a308d3, 0x13198a2e, 0x03707344}, {0xa4093822, 0x299f31d0}),
              (philox::Counter{0xd16cfe09, 0x94fdcceb, 0x5001e420, 0x24126ea1}));
}

// The run the synchronous step uses must be the same function, block by block,
// including a first counter that wraps round 2^32.
TEST(Philox, ARunEqualsItsBlocksOneByOne)
{
    const philox::Key key{0xa4093822, 0x299f31d0};
    for (std::uint32_t first : {0u, 12345u, 0xfffffff8u}) {
        std::array<std::uint32_t, 64> run{};
        philox::generateRun<16>(key, first, 77, 5, 1, run.data());
        for (std::uint32_t j = 0; j < 16; ++j) {
            const philox::Counter block = philox::generate({first + j, 77, 5, 1}, key);
            for (int w = 0; w < 4; ++w)
                EXPECT_EQ(run[4 * j + w], block[w]) << "first " << first << ", block " << j << ", word " << w;
        }
    }
}

// The AVX2 run gives the same bits as the portable one, block order included.
TEST(Philox, TheAvx2RunEqualsThePortableRun)
{
    if (!philox::avx2Available())
        GTEST_SKIP() << "no AVX2 on this processor";
    for (std::uint32_t first : {0u, 4000u, 0xfffffff4u})
        for (std::uint32_t step : {0u, 1u, 0x80000001u}) {
            std::array<std::uint32_t, 64> portable{}, avx2{};
            philox::generateRun<16>({0x01234567, 0x89abcdef}, first, 999, step, 3, portable.data());
            philox::generateRun16Avx2({0x01234567, 0x89abcdef}, first, 999, step, 3, avx2.data());
            EXPECT_EQ(avx2, portable) << "first " << first << ", step " << step;
        }
}

// The reference outputs of splitmix64 from 0 and of xoshiro256** from the
// state {1, 2, 3, 4}.
TEST(Xoshiro, GivesTheReferenceOutputs)
{
    std::uint64_t x = 0;
    EXPECT_EQ(Xoshiro256::splitmix64(x), 0xe220a8397b1dcdafu);
    EXPECT_EQ(Xoshiro256::splitmix64(x), 0x6e789e6aa1b965f4u);
    EXPECT_EQ(Xoshiro256::splitmix64(x), 0x06c45d188009454fu);

    Xoshiro256 generator;
    generator.state[0] = 1;
    generator.state[1] = 2;
    generator.state[2] = 3;
    generator.state[3] = 4;
    EXPECT_EQ(generator.next(), 11520u);
    EXPECT_EQ(generator.next(), 0u);
    EXPECT_EQ(generator.next(), 1509978240u);
    EXPECT_EQ(generator.next(), 1215971899390074240u);

    Xoshiro256 a(42), b(42), c(43);
    EXPECT_EQ(a.next(), b.next());
    EXPECT_NE(a.next(), c.next());
}

// Multiply and shift maps the 2^32 patterns onto 0 .. n - 1 in order, every
// value taking floor or ceil of 2^32 / n patterns.
TEST(Xoshiro, BelowCoversTheRangeEvenly)
{
    for (std::uint32_t n : {1u, 3u, 7u, 1000u, 2048u}) {
        EXPECT_EQ(below(0, n), 0u);
        EXPECT_EQ(below(0xffffffffu, n), n - 1);
        const std::uint32_t run = static_cast<std::uint32_t>((1ull << 32) / n);  // patterns per value, rounded down
        for (std::uint32_t r : {1u, n / 2, n - 1}) {
            const std::uint64_t start = ((static_cast<std::uint64_t>(r) << 32) + n - 1) / n;  // first pattern of r
            if (r == 0 || r >= n)
                continue;
            EXPECT_EQ(below(static_cast<std::uint32_t>(start - 1), n), r - 1) << n;
            EXPECT_EQ(below(static_cast<std::uint32_t>(start), n), r) << n;
            EXPECT_EQ(below(static_cast<std::uint32_t>(start + run - 1), n), r) << n;
        }
    }
}

// The draws of a uniformly drawn step, computed in lanes that jump ahead or
// one after the other, are the stream's outputs in order, with the cells of
// those that draw; the stream ends where the step's outputs end. Covers the
// jump polynomials, which a wrong bit would send to another stream.
TEST(DrawBuffer, EveryPathGivesTheStreamInOrder)
{
    const PaddedLayout layout(37, 1000);
    const long outputs = 3 * DrawBuffer::MaxLanes * DrawBuffer::SegmentLength + 1234;
    const int leading = 16;
    for (int lanes : {8, 4, 1}) {
        DrawBuffer draws;
        draws.useLanes(lanes);
        Xoshiro256 reference(7);
        draws.begin(reference, layout, outputs, leading);
        long p = 0;
        int mismatches = 0;
        while (p < outputs) {
            const DrawBuffer::Segment segment = draws.next();
            ASSERT_GT(segment.count, 0);
            for (int j = 0; j < segment.count; ++j, ++p) {
                const std::uint64_t bits = reference.next();
                const std::uint64_t entry = segment.entries[static_cast<long>(j) * segment.stride];
                const bool draws = p < leading || p % 2 == 0;
                mismatches += draws ? entry != drawEntry(bits, layout) : entry >> 32 != bits >> 32;
            }
        }
        EXPECT_EQ(p, outputs);
        EXPECT_EQ(mismatches, 0) << draws.lanes() << " lanes";
        for (int w = 0; w < 4; ++w)
            EXPECT_EQ(draws.stream().state[w], reference.state[w]) << draws.lanes() << " lanes, word " << w;
    }
}

// A jump by d equals d steps.
TEST(Xoshiro, AJumpEqualsItsSteps)
{
    // x^3 modulo the characteristic polynomial is x^3 itself.
    const std::uint64_t three[4] = {8, 0, 0, 0};
    Xoshiro256 stepped(5), jumped(5);
    for (int i = 0; i < 3; ++i)
        stepped.next();
    jumped.jump(three);
    for (int w = 0; w < 4; ++w)
        EXPECT_EQ(jumped.state[w], stepped.state[w]);
}
