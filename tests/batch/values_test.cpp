// SPDX-License-Identifier: GPL-3.0-or-later
#include "batcherror.h"
#include "cpus.h"
#include "numbers.h"
#include "options.h"
#include "printable.h"
#include "progressbar.h"
#include "values.h"
#include "variation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

TEST(BatchValues, ProbabilitiesAreReadExactlyInMillionths)
{
    const std::pair<const char*, int> good[] = {
        {"0.3", 300000}, {".75", 750000},      {"1", 1000000},      {"0.005", 5000},   {"1.000", 1000000},
        {"0", 0},        {"0.", 0},            {"1.", 1000000},     {"00.25", 250000}, {"0.3000000", 300000},
        {"0.999", 999000}, {"0.1", 100000},    {"0.0005", 500},     {"0.3001", 300100}, {"0.000001", 1}};
    for (const auto& [text, millionths] : good)
        EXPECT_EQ(parseMillionths(text), millionths) << text;

    for (const char* text : {"", ".", "1.5", "1.001", "1.000001", "2", "10", "-0.1", "+0.5", "0.0000005",
                             "0.3000001", "0,3", " 0.3", "0.3 ", "1e-3", "0x1", "0.3.1", "abc", "0..3"})
        EXPECT_FALSE(parseMillionths(text)) << text;
}

TEST(BatchValues, MillionthsFormatBackToTheSameValue)
{
    for (int n = 0; n <= 1000000; ++n)
        ASSERT_EQ(parseMillionths(formatMillionths(n)), n) << formatMillionths(n);
    EXPECT_EQ(formatMillionths(300000), "0.3");
    EXPECT_EQ(formatMillionths(5000), "0.005");
    EXPECT_EQ(formatMillionths(500), "0.0005");
    EXPECT_EQ(formatMillionths(1000000), "1");
    EXPECT_EQ(formatRoundTrip(1.0 / 3.0), "0.3333333333333333");
}

TEST(BatchValues, IntegersAreCheckedWhole)
{
    EXPECT_EQ(parseInteger("2048", 1, 2048), 2048);
    EXPECT_EQ(parseInteger("-1", -1, 3), -1);
    for (const char* text : {"", "2049", "0", "12a", "1.0", " 5", "+5", "99999999999999999999999"})
        EXPECT_FALSE(parseInteger(text, 1, 2048)) << text;
}

TEST(BatchValues, VaryListsAndRangesStepExactly)
{
    // 0.1 + 0.1 + 0.1 in floating point falls short of 0.3; in millionths not.
    EXPECT_EQ(parseVariation("a2=0.1:0.3:0.1").values, (std::vector<int>{100000, 200000, 300000}));
    EXPECT_EQ(parseVariation("a0=0:1:0.25").values, (std::vector<int>{0, 250000, 500000, 750000, 1000000}));
    EXPECT_EQ(parseVariation("d0=0:0.25:0.1").values, (std::vector<int>{0, 100000, 200000}));
    EXPECT_EQ(parseVariation("a4=.5,0.005,1:1:0.1").values, (std::vector<int>{500000, 5000, 1000000}));
    EXPECT_EQ(parseVariation("jump=0:100:50,7").values, (std::vector<int>{0, 50, 100, 7}));
    const Variation schemes = parseVariation("scheme=async-nrs,sync");
    EXPECT_EQ(schemes.name, VaryName::Scheme);
    EXPECT_EQ(schemes.values, (std::vector<int>{2, 0}));

    for (const char* text : {"a2", "a5=0.1", "a2=", "a2=0.1,,0.2", "a2=1.5", "a2=0.3:0.1:0.1", "a2=0:1:0",
                             "a2=0:1", "a2=0:1:0.1:2", "jump=0:101:1", "jump=1.5", "scheme=sync:async-uc:1",
                             "scheme=fast", "A2=0.1"})
        EXPECT_THROW(parseVariation(text), BatchError) << text;
}

namespace {

std::string refusal(const std::vector<std::string>& arguments, bool sweep = false)
{
    try {
        if (sweep)
            parseSweepOptions(arguments);
        else
            parseRunOptions(arguments);
    } catch (const BatchError& error) {
        return error.what();
    }
    return "accepted";
}

} // namespace

TEST(BatchValues, TypedValuesAreReadAlikeFromEveryFrontEnd)
{
    // Doubles within 1e-9 of a millionth are that millionth; texts stay exact.
    EXPECT_EQ(readProbability(0.1 + 0.2, "a2"), 300000);
    EXPECT_EQ(readProbability(0.1 * 3, "a2"), readProbability(std::string("0.3"), "--a2"));
    EXPECT_EQ(readProbability(std::int64_t{1}, "a2"), 1000000);
    EXPECT_EQ(readProbability(0.02, "d0"), 20000);
    EXPECT_EQ(readProbability(0.0001 * 5, "d0"), 500);
    EXPECT_EQ(readWhole(200.0, 0, 2147483647, "steps"), 200);
    EXPECT_EQ(readWhole(std::string("200"), 0, 2147483647, "--steps"), 200);
    EXPECT_TRUE(readOnOff(true, "long_range"));
    EXPECT_FALSE(readOnOff(std::string("off"), "--long-range"));

    auto refusal = [](auto read) {
        try {
            read();
        } catch (const BatchError& error) {
            return std::string(error.what());
        }
        return std::string("accepted");
    };
    EXPECT_EQ(refusal([] { readProbability(0.0000005, "a2"); }),
              "a2: '5e-07' is not a probability from 0 to 1 with at most six decimals");
    EXPECT_EQ(refusal([] { readProbability(std::string("0.30000000000000004"), "--a2"); }),
              "--a2: '0.30000000000000004' is not a probability from 0 to 1 with at most six decimals");
    EXPECT_EQ(refusal([] { readWhole(1.5, 0, 10, "n"); }), "n: '1.5' is not a whole number from 0 to 10");
    EXPECT_EQ(refusal([] { readWhole(true, 0, 10, "n"); }), "n: 'true' is not a whole number from 0 to 10");
    for (const Value& value : {Value(1.0000001), Value(-0.001), Value(std::int64_t{2}), Value(std::nan("")),
                               Value(1e300), Value(true)})
        EXPECT_NE(refusal([&] { readProbability(value, "a0"); }), "accepted") << quoted(value);
    EXPECT_NE(refusal([] { readWhole(std::nan(""), 0, 10, "n"); }), "accepted");
    // Seed 0 would draw the numbers of seed 1: refused everywhere.
    EXPECT_EQ(refusal([] { readSeed(std::string("0"), "--seed"); }),
              "--seed: seeds start at 1 or above (0 draws the same numbers as 1)");

    // Lists of numbers vary a parameter as the text does.
    EXPECT_EQ(readVariation("a2", {0.1, 0.1 + 0.2, std::string("0.5:0.6:0.1")}, "vary").values,
              (std::vector<int>{100000, 300000, 500000, 600000}));
    EXPECT_EQ(readVariation("long_range", {true, std::string("off")}, "vary").values, (std::vector<int>{1, 0}));
    EXPECT_EQ(refusal([] { readVariation("jump", {2.5}, "vary"); }),
              "vary jump: '2.5' is not a whole number from 0 to 100");
}

TEST(BatchOptions, DefaultsAreTheDesktopStartValues)
{
    const RunOptions options = parseRunOptions({});
    const RunConfig& config = options.model.config;
    EXPECT_EQ(config.width, 256);
    EXPECT_EQ(config.height, 256);
    EXPECT_EQ(config.scheme, 1);
    EXPECT_EQ(config.pattern.kind, PatternKind::Young);
    EXPECT_EQ((std::vector<int>{config.a2, config.a0, config.d0, config.a3, config.a4}),
              (std::vector<int>{300000, 750000, 0, 100000, 750000}));
    EXPECT_EQ(config.jump, 10);
    EXPECT_TRUE(config.longRange);
    EXPECT_TRUE(config.periodic);
    EXPECT_EQ(config.steps, 100);
    EXPECT_FALSE(options.model.seedGiven);
    EXPECT_EQ(options.record.cellSize, 1);
}

TEST(BatchOptions, ValuesAreTakenInBothSpellings)
{
    const RunOptions options = parseRunOptions({"--scheme=async-nrs", "--seed", "2147483646", "--a2", ".05",
                                                "--long-range=off", "--boundary", "closed", "--pattern",
                                                "f.csv", "--counts", "-", "--picture", "x.JPEG"});
    EXPECT_EQ(options.model.config.scheme, 2);
    EXPECT_EQ(options.model.config.seed, 2147483646);
    EXPECT_EQ(options.model.config.a2, 50000);
    EXPECT_FALSE(options.model.config.longRange);
    EXPECT_FALSE(options.model.config.periodic);
    EXPECT_EQ(options.model.config.pattern.path, "f.csv");
    EXPECT_EQ(options.record.countsPath, "-");
    EXPECT_TRUE(parseRunOptions({"--quiet", "--steps", "1", "--help"}).help);
}

TEST(BatchOptions, RefusalsNameTheOptionAndTheValue)
{
    EXPECT_EQ(refusal({"--a2", "1.5"}), "--a2: '1.5' is not a probability from 0 to 1 with at most six decimals");
    EXPECT_EQ(refusal({"--seed", "2147483647"}),
              "--seed: '2147483647' is not a whole number from 1 to 2147483646 (2147483647 is the generator's modulus)");
    EXPECT_EQ(refusal({"--width", "16385", "--mode", "fast"}), "--width: '16385' is not a whole number from 1 to 16384");
    EXPECT_EQ(refusal({"--height", "2049"}),
              "--height 2049: the exact engine takes fields of at most 2048 cells a side (a larger one would soon pass "
              "its generator's period); fast mode takes up to 16384");
    EXPECT_EQ(refusal({"--steps"}), "--steps needs a value");
    EXPECT_EQ(refusal({"--a2", "0.1", "--a2=0.2"}), "--a2 is given twice");
    EXPECT_EQ(refusal({"--quiet=yes"}), "--quiet takes no value");
    EXPECT_NE(refusal({"--picture", "x.gif"}).find("does not end in .png, .jpg or .jpeg"), std::string::npos);
    // An empty output name would otherwise leave the output unwritten without a word.
    EXPECT_EQ(refusal({"--counts", ""}), "--counts: the file name is empty");
    EXPECT_EQ(refusal({"--field="}), "--field: the file name is empty");
    EXPECT_EQ(refusal({"--picture", "", "--steps", "1"}), "--picture: the file name is empty");
    for (const std::vector<std::string>& bad :
         std::vector<std::vector<std::string>>{{"--height", "0"}, {"--jump", "101"}, {"--scheme", "Sync"},
                                               {"--long-range", "yes"}, {"--boundary", "open"},
                                               {"--cell-size", "51"}, {"--pattern", ""}, {"--frobnicate"},
                                               {"-x"}, {"stray"}, {"--vary", "a2=0.1"}, {"--summary", "-"}})
        EXPECT_NE(refusal(bad), "accepted") << bad[0];
}

TEST(BatchOptions, ThreadsComeOnlyWithFastMode)
{
    const RunOptions exact = parseRunOptions({"--scheme", "sync"});
    EXPECT_EQ(exact.model.config.mode, EngineMode::Exact);
    EXPECT_EQ(exact.model.threads, 1);
    const RunOptions fast = parseRunOptions({"--mode=fast", "--threads", "64"});
    EXPECT_EQ(fast.model.config.mode, EngineMode::Fast);
    EXPECT_EQ(fast.model.threads, 64);
    const SweepOptions sweep = parseSweepOptions({"--threads=3", "--mode", "fast", "--summary", "-"});
    EXPECT_EQ(sweep.model.config.mode, EngineMode::Fast);
    EXPECT_EQ(sweep.model.threads, 3);

    const std::string exactOnly =
        "--threads is for --mode fast: the exact engine performs every step on one thread";
    EXPECT_EQ(refusal({"--threads", "2"}), exactOnly);
    EXPECT_EQ(refusal({"--mode", "exact", "--threads", "1"}), exactOnly);
    EXPECT_EQ(refusal({"--threads", "2", "--summary", "-"}, true), exactOnly);
    EXPECT_EQ(refusal({"--mode", "Fast"}), "--mode: 'Fast' is not exact or fast");
    for (const std::string threads : {"0", "65", "2.0", ""})
        EXPECT_EQ(refusal({"--mode", "fast", "--threads", threads}),
                  "--threads: '" + threads + "' is not a whole number from 1 to 64");
}

TEST(BatchOptions, SweepOptionsAreCheckedTogether)
{
    const SweepOptions options = parseSweepOptions(
        {"--vary", "a2=0.1,0.2", "--vary=scheme=sync", "--replicates", "3", "--jobs", "2", "--task", "1/3",
         "--summary", "-"});
    ASSERT_EQ(options.variations.size(), 2u);
    EXPECT_EQ(options.replicates, 3);
    EXPECT_EQ(options.jobs, 2);
    EXPECT_EQ(options.task->index, 1);
    EXPECT_EQ(options.task->count, 3);

    EXPECT_EQ(refusal({"--vary", "a2=0.1", "--vary", "a2=0.2", "--summary", "-"}, true), "--vary a2 is given twice");
    EXPECT_EQ(refusal({"--a2", "0.1", "--vary", "a2=0.2", "--summary", "-"}, true),
              "--a2 and --vary a2 are both given; keep one");
    EXPECT_NE(refusal({"--vary", "a2=0.1"}, true).find("needs --summary"), std::string::npos);
    EXPECT_EQ(refusal({"--summary="}, true), "--summary: the file name is empty");
    EXPECT_NE(refusal({"--seed", "0", "--summary", "-"}, true).find("start at 1"), std::string::npos);
    EXPECT_NE(refusal({"--field", "f.csv", "--summary", "-"}, true).find("single runs"), std::string::npos);
    EXPECT_EQ(refusal({"--counts-every", "5", "--summary", "-"}, true), "--counts-every needs --counts PATH");
    EXPECT_NE(refusal({"--counts", "c.csv", "--counts-every", "0", "--summary", "-"}, true).find("1 to"),
              std::string::npos);
    EXPECT_NE(refusal({"--steps", "10", "--burn-in", "10", "--summary", "-"}, true).find("no step to measure"),
              std::string::npos);
    EXPECT_NE(refusal({"--vary", "steps=50,8", "--burn-in", "8", "--summary", "-"}, true).find("8 steps"),
              std::string::npos);
    for (const char* task : {"3/3", "1/0", "-1/2", "1", "1/", "/2", "a/b", "1/2/3"})
        EXPECT_NE(refusal({"--task", task, "--summary", "-"}, true), "accepted") << task;
    for (const char* jobs : {"0", "257", "two"})
        EXPECT_NE(refusal({"--jobs", jobs, "--summary", "-"}, true), "accepted") << jobs;
}

TEST(BatchProgress, ShowsCountRateAndTimeLeft)
{
    EXPECT_EQ(ProgressBar::render(250, 1000, 5.0, "steps"),
              "[######..................] 250/1000 steps  50.0 steps/s  0:00:15 left");
    EXPECT_EQ(ProgressBar::render(0, 7, 0.0, "runs"), "[........................] 0/7 runs");
    const std::string hourLeft = ProgressBar::render(1, 2, 3725.0, "runs");
    EXPECT_TRUE(hourLeft.ends_with("/s  1:02:05 left")) << hourLeft;
    EXPECT_EQ(ProgressBar::render(0, 0, 1.0, "steps"), "[########################] 0/0 steps");
    EXPECT_EQ(ProgressBar::logLine(10, 40, 60.0, "runs"), "progress: 10/40 runs, 0:01:00 elapsed, 0:03:00 left");
    EXPECT_EQ(progressStyle(ProgressChoice::Auto, false, false), ProgressStyle::Lines);
    EXPECT_EQ(progressStyle(ProgressChoice::Auto, true, true), ProgressStyle::None);
    EXPECT_EQ(progressStyle(ProgressChoice::Always, true, true), ProgressStyle::Bar);
}

TEST(BatchMessages, QuotedBytesArePrintableAndQuotasCountWholeCpus)
{
    EXPECT_EQ(printable("a\x1b]0;t\x07" "b"), "a\\x1b]0;t\\x07b");
    EXPECT_EQ(printable(std::string("x\0y", 3)), "x\\x00y");
    EXPECT_EQ(printable("\xff\xc3(\xc2\x9b\xed\xa0\x80"), "\\xff\\xc3(\\xc2\\x9b\\xed\\xa0\\x80");
    const std::string utf8 = "Gr\xc3\xb6\xc3\x9f" "e \xe2\x82\xac \xf0\x9f\x90\x9a";
    EXPECT_EQ(printable(utf8), utf8);
    EXPECT_EQ(cpuMaxLimit("max 100000\n"), std::nullopt);
    EXPECT_EQ(cpuMaxLimit("150000 100000\n"), 2);
    EXPECT_EQ(cpuMaxLimit("50000 100000"), 1);
    EXPECT_EQ(cpuMaxLimit("garbage"), std::nullopt);
}
