// SPDX-License-Identifier: GPL-3.0-or-later
#include "sweepplan.h"

#include "batcherror.h"
#include "printable.h"
#include "numbers.h"
#include "seeding.h"

#include <cstdlib>

std::int64_t SweepPlan::runCount() const
{
    // At most MaxSeed - seed + 1 runs, so that every run's seed is valid.
    const std::int64_t limit = static_cast<std::int64_t>(MaxSeed) - base.seed + 1;
    std::int64_t runs = replicates;
    bool tooMany = runs > limit;
    if (design && !variations.empty())
        runs *= static_cast<std::int64_t>(variations[0].values.size());
    else
        for (const Variation& variation : variations) {
            runs *= static_cast<std::int64_t>(variation.values.size());
            tooMany = tooMany || runs > limit;
            if (tooMany)
                break;
        }
    if (tooMany || runs > limit)
        throw BatchError("the sweep has too many runs: run k uses the seed " + std::to_string(base.seed)
                         + " + k, and seeds end at " + std::to_string(MaxSeed)
                         + "; choose a smaller --seed or fewer runs");
    return runs;
}

RunConfig SweepPlan::configForRun(std::int64_t run) const
{
    RunConfig config = base;
    config.seed = static_cast<std::int32_t>(base.seed + run);
    if (design) {
        for (const Variation& variation : variations)
            applyVariation(config, variation, variation.values[static_cast<std::size_t>(run / replicates)]);
        return config;
    }
    std::int64_t rest = run / replicates;
    for (auto variation = variations.rbegin(); variation != variations.rend(); ++variation) {
        const auto size = static_cast<std::int64_t>(variation->values.size());
        applyVariation(config, *variation, variation->values[static_cast<std::size_t>(rest % size)]);
        rest /= size;
    }
    return config;
}

std::size_t SweepPlan::valueIndex(std::int64_t run, std::size_t variation) const
{
    std::int64_t rest = run / replicates;
    if (design)
        return static_cast<std::size_t>(rest);
    for (std::size_t v = variations.size(); v-- > variation + 1;)
        rest /= static_cast<std::int64_t>(variations[v].values.size());
    return static_cast<std::size_t>(rest % static_cast<std::int64_t>(variations[variation].values.size()));
}

namespace {

std::int64_t environmentNumber(const EnvironmentLookup& environment, const char* name, std::int64_t low,
                               std::int64_t fallback)
{
    const std::optional<std::string> text = environment(name);
    if (!text)
        return fallback;
    if (const auto value = parseInteger(*text, low, 2147483647))
        return *value;
    throw BatchError(std::string(name) + ": " + inQuotes(*text) + " is not a whole number from " + std::to_string(low)
                     + "; give --task I/K");
}

} // namespace

std::optional<std::string> processEnvironment(const char* name)
{
    if (const char* value = std::getenv(name))
        return std::string(value);
    return std::nullopt;
}

TaskSplit resolveTask(const std::optional<TaskSplit>& fromOption, const EnvironmentLookup& environment)
{
    if (fromOption)
        return *fromOption;
    const bool hasId = environment("SLURM_ARRAY_TASK_ID").has_value();
    const bool hasCount = environment("SLURM_ARRAY_TASK_COUNT").has_value();
    if (!hasId || !hasCount)
        return {};
    const std::int64_t id = environmentNumber(environment, "SLURM_ARRAY_TASK_ID", 0, 0);
    const std::int64_t count = environmentNumber(environment, "SLURM_ARRAY_TASK_COUNT", 1, 1);
    const std::int64_t first = environmentNumber(environment, "SLURM_ARRAY_TASK_MIN", 0, 0);
    const std::int64_t step = environmentNumber(environment, "SLURM_ARRAY_TASK_STEP", 1, 1);
    const std::int64_t offset = id - first;
    if (offset < 0 || offset % step != 0 || offset / step >= count)
        throw BatchError("the job array's task " + std::to_string(id) + " is not one of " + std::to_string(count)
                         + " tasks from " + std::to_string(first) + " in steps of " + std::to_string(step)
                         + "; give --task I/K");
    return {offset / step, count};
}

std::int64_t runsInPart(std::int64_t runCount, const TaskSplit& split)
{
    if (split.index >= runCount)
        return 0;
    return (runCount - split.index + split.count - 1) / split.count;
}
