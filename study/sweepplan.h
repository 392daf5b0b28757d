// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings.h"
#include "runconfig.h"
#include "runoutput.h"
#include "variation.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// The runs of a sweep: every combination of the varied values (or every row
// of a design), each replicates times. Run k (from 0) takes its values with the first
// variation varying slowest and the replicates fastest, and the seed
// firstSeed + k. Every other parameter is the base configuration's.
struct SweepPlan {
    RunConfig base;
    std::vector<Variation> variations;
    std::int64_t replicates = 1;
    int threadsPerRun = 1;  // as makeBed takes them; no row depends on them
    Recording recording;    // what every run records besides its summary
    // With a design (--design), the SHA-256 of its file: the variations are
    // its columns, and run k takes row k / replicates of each, together.
    std::optional<std::string> design;

    // The number of runs; the plan is refused (BatchError) when the runs'
    // seeds firstSeed .. firstSeed + runs - 1 would pass MaxSeed.
    std::int64_t runCount() const;
    RunConfig configForRun(std::int64_t run) const;
    // The index into variations[variation].values that run takes.
    std::size_t valueIndex(std::int64_t run, std::size_t variation) const;
};

// The part of the runs this process does, from --task or, without it, from
// a job array's SLURM_ARRAY_TASK_ID and SLURM_ARRAY_TASK_COUNT (the index
// counted from SLURM_ARRAY_TASK_MIN in steps of SLURM_ARRAY_TASK_STEP when
// those are set). All of the runs when neither is there.
using EnvironmentLookup = std::function<std::optional<std::string>(const char* name)>;
// The lookup in this process's environment (getenv).
std::optional<std::string> processEnvironment(const char* name);
TaskSplit resolveTask(const std::optional<TaskSplit>& fromOption, const EnvironmentLookup& environment);

// The runs of part split, in run order.
std::int64_t runsInPart(std::int64_t runCount, const TaskSplit& split);
inline std::int64_t nthRunOfPart(std::int64_t n, const TaskSplit& split)
{
    return split.index + n * split.count;
}
