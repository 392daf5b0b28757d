// SPDX-License-Identifier: GPL-3.0-or-later
#include "drawahead.h"
#include "ran1.h"
#include "rand15.h"
#include "reference_model.h"
#include "seeding.h"

#include <gtest/gtest.h>

#include <algorithm>

TEST(Ran1, FirstDeviatesFromStateWordsMinusOneAndZero)
{
    for (std::int32_t word : {-1, 0}) {
        Ran1 generator(word);
        EXPECT_NEAR(generator.ran1(), 0.4159994, 5e-8);
        EXPECT_NEAR(generator.ran1(), 0.0919649, 5e-8);
        EXPECT_NEAR(generator.ran1(), 0.7564105, 5e-8);
    }
}

TEST(Ran1, PositiveStateWordWithEmptyTableStartsFromOne)
{
    Ran1 fromOne(-1);
    for (std::int32_t word : {1, 5, 123456789, 2147483647}) {
        Ran1 generator(word);
        Ran1 expected(-1);
        for (int i = 0; i < 100; ++i)
            ASSERT_EQ(generator.ran1(), expected.ran1()) << "state word " << word << ", draw " << i;
    }
}

TEST(Ran1, FoldedReductionEqualsSchrageOverTenMillionDrawsFromSeveralSeeds)
{
    for (std::int32_t seed : {1, 42, 1733650000, 2147483646}) {
        Ran1 fast(-seed);
        reference::Ran1 textbook{-seed};
        for (int i = 0; i < 10'000'000; ++i) {
            const float value = fast.ran1();
            ASSERT_EQ(value, textbook()) << "seed " << seed << ", draw " << i;
            ASSERT_GT(value, 0.0f);
            ASSERT_LT(value, 1.0f);
        }
        EXPECT_EQ(fast.seed, textbook.idum);
    }
}

TEST(DrawAhead, DrawsTheTextbookStreamAndEndsWhereItWouldOneByOne)
{
    // Draws of every size, words taken in pieces and one by one beyond the
    // plan, as the steps take them; the states are computed ahead in blocks.
    for (std::int32_t seed : {1, 1733650000}) {
        Ran1 primed(-seed);
        primed.prime();
        reference::Ran1 textbook{-seed};
        const long planned = 3'000'000;
        DrawAhead draws(primed, planned);
        long taken = 0;
        for (long visit = 0; taken < planned; ++visit) {
            switch (visit % 4) {
            case 0: draws.draw<1>(); break;
            case 1: draws.draw<4>(); break;
            case 2: draws.draw<6>(); break;
            default: break;
            }
            const std::size_t k = draws.waiting() - std::min<std::size_t>(draws.waiting(), visit % 7);
            const std::int32_t* words = draws.take(k);
            for (std::size_t i = 0; i < k; ++i, ++taken)
                ASSERT_EQ(Ran1::deviate(words[i]), textbook()) << "seed " << seed << ", word " << taken;
            if (visit % 3 == 0) {
                ASSERT_EQ(Ran1::deviate(draws.nextWord()), textbook()) << "seed " << seed << ", extra at " << taken;
            }
        }
        Ran1 after = draws.generator();
        EXPECT_EQ(after.seed, textbook.idum);
        for (int i = 0; i < 100; ++i)
            ASSERT_EQ(after.ran1(), textbook());
    }
}

TEST(Ran1, AdvanceCoversTheExtremesOfTheStateWord)
{
    for (std::int32_t s : {1, 2, 127773, 127774, 2147483645, 2147483646}) {
        const std::int64_t expected = static_cast<std::int64_t>(s) * 16807 % 2147483647;
        EXPECT_EQ(Ran1::advance(s), expected) << s;
    }
}

TEST(Ran1, OutputsStayInsideTheOpenInterval)
{
    // The largest output of the table maps to RNMX, never to 1.
    Ran1 generator(-7);
    float lowest = 1, highest = 0;
    for (int i = 0; i < 2'000'000; ++i) {
        const float r = generator.ran1();
        lowest = std::min(lowest, r);
        highest = std::max(highest, r);
    }
    EXPECT_GT(lowest, 0.0f);
    EXPECT_LE(highest, Ran1::RNMX);
}

TEST(Seeding, ModulusAsSeedNeverLeavesAZeroStateWord)
{
    // -2147483647 would start the chain at the modulus, which advances to 0.
    for (std::int32_t word : {-2147483647, INT32_MIN}) {
        Ran1 generator(word);
        for (int i = 0; i < 1000; ++i) {
            ASSERT_GT(generator.ran1(), 0.0f);
            ASSERT_NE(generator.seed, 0);
        }
    }
}

TEST(Seeding, TodaysTimesAreKeptAndLaterTimesWrapIntoTheValidRange)
{
    EXPECT_EQ(seedFromTime(1), 1);
    EXPECT_EQ(seedFromTime(1733650000), 1733650000);
    EXPECT_EQ(seedFromTime(MaxSeed), MaxSeed);
    // 2038 and later: past the signed 32-bit range, still valid and distinct.
    const std::int64_t y2038 = 2147483648LL;
    EXPECT_EQ(seedFromTime(MaxSeed + 1LL), 1);
    EXPECT_EQ(seedFromTime(y2038), 2);
    EXPECT_NE(seedFromTime(y2038), seedFromTime(y2038 + 1));
    for (std::int64_t t : {std::int64_t{0}, std::int64_t{-5}, y2038 * 3 + 17, std::int64_t{INT64_MAX}}) {
        const std::int32_t s = seedFromTime(t);
        EXPECT_GE(s, 1) << t;
        EXPECT_LE(s, MaxSeed) << t;
    }
    const std::int32_t now = seedFromClock();
    EXPECT_GE(now, 1);
}

TEST(Rand15, IsTheClassicLinearCongruentialSequence)
{
    Rand15 generator(1);
    // x = 214013 x + 2531011 from 1: the first values of the well-known sequence.
    EXPECT_EQ(generator.next(), 41);
    EXPECT_EQ(generator.next(), 18467);
    EXPECT_EQ(generator.next(), 6334);
    EXPECT_EQ(generator.next(), 26500);
    Rand15 wide(0xffffffffu);
    for (int i = 0; i < 10000; ++i) {
        const int v = wide.next();
        ASSERT_GE(v, 0);
        ASSERT_LE(v, Rand15::Max);
    }
}
