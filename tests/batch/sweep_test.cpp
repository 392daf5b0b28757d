// SPDX-License-Identifier: GPL-3.0-or-later
#include "batcherror.h"
#include "musselbed.h"
#include "seeding.h"
#include "simulation.h"
#include "summary.h"
#include "sweep.h"
#include "sweepplan.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

SweepPlan smallPlan()
{
    SweepPlan plan;
    plan.base.width = 12;
    plan.base.height = 9;
    plan.base.steps = 15;
    plan.base.seed = 1000;
    plan.base.pattern.kind = PatternKind::Line;
    plan.variations = {{VaryName::A2, {100000, 200000}, {}}, {VaryName::Scheme, {0, 2}, {}}};
    plan.replicates = 3;
    return plan;
}

std::vector<std::string> rowsOf(const SweepPlan& plan, const TaskSplit& split, int jobs)
{
    std::vector<std::string> rows;
    runSweepPart(
        plan, split, jobs,
        [&](const RunOutput& output) { rows.push_back(summaryRow(output.run, output.config, output.summary)); },
        nullptr);
    return rows;
}

EnvironmentLookup environmentOf(std::map<std::string, std::string> values)
{
    return [values](const char* name) -> std::optional<std::string> {
        const auto found = values.find(name);
        if (found == values.end())
            return std::nullopt;
        return found->second;
    };
}

} // namespace

TEST(BatchSweepPlan, FirstVariationSlowestReplicatesFastest)
{
    const SweepPlan plan = smallPlan();
    ASSERT_EQ(plan.runCount(), 12);
    std::int64_t run = 0;
    for (int a2 : {100000, 200000})
        for (int scheme : {0, 2})
            for (int replicate = 0; replicate < 3; ++replicate, ++run) {
                const RunConfig config = plan.configForRun(run);
                EXPECT_EQ(config.a2, a2) << run;
                EXPECT_EQ(config.scheme, scheme) << run;
                EXPECT_EQ(config.seed, 1000 + run);
                EXPECT_EQ(config.a0, plan.base.a0);
            }
}

TEST(BatchSweepPlan, RefusesSeedsBeyondTheLast)
{
    SweepPlan plan = smallPlan();
    plan.base.seed = MaxSeed - 11;
    EXPECT_EQ(plan.runCount(), 12);
    EXPECT_EQ(plan.configForRun(11).seed, MaxSeed);
    plan.base.seed = MaxSeed - 10;
    EXPECT_THROW(plan.runCount(), BatchError);
    plan.base.seed = 1;
    plan.variations.assign(7, {VaryName::A2, std::vector<int>(1001, 0), {}});
    EXPECT_THROW(plan.runCount(), BatchError);
}

TEST(BatchSweepPlan, PartsCoverEveryRunOnce)
{
    for (std::int64_t runs : {0, 1, 5, 12})
        for (std::int64_t count = 1; count <= 7; ++count) {
            std::vector<int> seen(static_cast<std::size_t>(runs), 0);
            for (std::int64_t index = 0; index < count; ++index) {
                const TaskSplit split{index, count};
                for (std::int64_t n = 0; n < runsInPart(runs, split); ++n) {
                    const std::int64_t run = nthRunOfPart(n, split);
                    ASSERT_LT(run, runs);
                    EXPECT_EQ(run % count, index);
                    ++seen[static_cast<std::size_t>(run)];
                }
            }
            EXPECT_EQ(seen, std::vector<int>(static_cast<std::size_t>(runs), 1)) << runs << " in " << count;
        }
}

TEST(BatchSweepPlan, JobArrayTaskFromTheEnvironment)
{
    EXPECT_EQ(resolveTask(std::nullopt, environmentOf({})).count, 1);
    const TaskSplit plain = resolveTask(std::nullopt, environmentOf({{"SLURM_ARRAY_TASK_ID", "2"},
                                                                      {"SLURM_ARRAY_TASK_COUNT", "3"}}));
    EXPECT_EQ(plain.index, 2);
    EXPECT_EQ(plain.count, 3);
    // --array=1-3 and --array=10-14:2 number their tasks from MIN in STEPs.
    const TaskSplit fromOne = resolveTask(std::nullopt, environmentOf({{"SLURM_ARRAY_TASK_ID", "3"},
                                                                        {"SLURM_ARRAY_TASK_COUNT", "3"},
                                                                        {"SLURM_ARRAY_TASK_MIN", "1"}}));
    EXPECT_EQ(fromOne.index, 2);
    const TaskSplit stepped = resolveTask(
        std::nullopt, environmentOf({{"SLURM_ARRAY_TASK_ID", "14"}, {"SLURM_ARRAY_TASK_COUNT", "3"},
                                     {"SLURM_ARRAY_TASK_MIN", "10"}, {"SLURM_ARRAY_TASK_STEP", "2"}}));
    EXPECT_EQ(stepped.index, 2);
    EXPECT_EQ(resolveTask(TaskSplit{0, 2}, environmentOf({{"SLURM_ARRAY_TASK_ID", "1"},
                                                          {"SLURM_ARRAY_TASK_COUNT", "3"}}))
                  .count,
              2);
    for (const auto& [id, count] : std::vector<std::pair<std::string, std::string>>{
             {"3", "3"}, {"x", "3"}, {"1", "0"}, {"-1", "3"}, {"1", ""}})
        EXPECT_THROW(resolveTask(std::nullopt, environmentOf({{"SLURM_ARRAY_TASK_ID", id},
                                                               {"SLURM_ARRAY_TASK_COUNT", count}})),
                     BatchError)
            << id << "/" << count;
}

TEST(BatchSweep, RowsDoNotDependOnThreadsOrSplitting)
{
    const SweepPlan plan = smallPlan();
    const std::vector<std::string> whole = rowsOf(plan, {}, 1);
    ASSERT_EQ(whole.size(), 12u);
    for (std::size_t run = 0; run < whole.size(); ++run)
        EXPECT_EQ(whole[run].substr(0, whole[run].find(',')), std::to_string(run));
    EXPECT_EQ(rowsOf(plan, {}, 2), whole);
    EXPECT_EQ(rowsOf(plan, {}, 5), whole);

    std::vector<std::string> merged(whole.size());
    for (std::int64_t index = 0; index < 3; ++index) {
        const std::vector<std::string> part = rowsOf(plan, {index, 3}, 2);
        for (std::size_t n = 0; n < part.size(); ++n)
            merged[static_cast<std::size_t>(nthRunOfPart(static_cast<std::int64_t>(n), {index, 3}))] = part[n];
    }
    EXPECT_EQ(merged, whole);
}

TEST(BatchSweep, MeansCoverTheSecondHalfOfTheSteps)
{
    RunConfig config = smallPlan().configForRun(4);
    for (std::int64_t steps : {0, 1, 2, 5}) {
        config.steps = steps;
        const auto bed = makeBed(config);
        std::array<double, StateCount> sums{};
        const std::int64_t first = steps / 2 + 1;
        for (std::int64_t step = 0; step <= steps; ++step) {
            if (step > 0)
                bed->advance();
            if (step >= first || steps == 0)
                for (int i = 0; i < StateCount; ++i)
                    sums[i] += static_cast<double>(bed->counts()[i]);
        }
        const RunSummary summary = summarizeRun(config);
        EXPECT_EQ(summary.finalCounts, bed->counts());
        const double fields = static_cast<double>(steps == 0 ? 1 : steps - first + 1);
        for (int i = 0; i < StateCount; ++i)
            EXPECT_DOUBLE_EQ(summary.meanFractions[i], sums[i] / (fields * 12 * 9)) << steps << " state " << i;
    }
}
