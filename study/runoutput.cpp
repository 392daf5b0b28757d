// SPDX-License-Identifier: GPL-3.0-or-later
#include "runoutput.h"

#include "bed.h"
#include "simulation.h"

#include <algorithm>
#include <cmath>

bool isRecordedStep(std::int64_t step, std::int64_t every, std::int64_t steps)
{
    return step == 0 || step == steps || (every > 0 && step % every == 0);
}

RunOutput performRun(std::int64_t run, const RunConfig& config, const Recording& recording, int threads,
                     const std::atomic<bool>* stop)
{
    RunOutput output;
    output.run = run;
    output.config = config;
    RunSummary& summary = output.summary;
    summary.burnIn = effectiveBurnIn(recording.burnIn, config.steps);
    summary.periodPassed = generatorPeriodPassedAt(config).has_value();

    const std::unique_ptr<Bed> bed = makeBed(config, threads);
    const std::int64_t firstCounted = config.steps == 0 ? 0 : summary.burnIn + 1;
    const double cells = static_cast<double>(config.width) * config.height;
    // Integer sums give the means exactly as before; the spread comes from
    // Welford's running sums of the fractions.
    std::array<std::int64_t, StateCount> sums{};
    std::array<double, StateCount> runningMean{};
    std::array<double, StateCount> squares{};
    std::int64_t fields = 0;

    auto atStep = [&](std::int64_t step) {
        const bool inWindow = step >= firstCounted;
        const bool inSeries = recording.countsEvery > 0 && isRecordedStep(step, recording.countsEvery, config.steps);
        if (inWindow || inSeries) {
            const std::array<long, StateCount> counts = bed->counts();
            if (inWindow) {
                ++fields;
                for (int i = 0; i < StateCount; ++i) {
                    sums[i] += counts[i];
                    const double fraction = static_cast<double>(counts[i]) / cells;
                    const double delta = fraction - runningMean[i];
                    runningMean[i] += delta / static_cast<double>(fields);
                    squares[i] += delta * (fraction - runningMean[i]);
                }
            }
            if (inSeries)
                output.timeSeries.push_back({step, counts});
        }
        if (recording.onSnapshot && isRecordedStep(step, recording.snapshotEvery, config.steps))
            recording.onSnapshot(run, step, *bed);
    };

    atStep(0);
    for (std::int64_t step = 1; step <= config.steps; ++step) {
        if (stop && stop->load(std::memory_order_relaxed))
            throw RunStopped();
        bed->advance();
        atStep(step);
    }

    summary.finalCounts = bed->counts();
    for (int i = 0; i < StateCount; ++i) {
        summary.meanFractions[i] = static_cast<double>(sums[i]) / (static_cast<double>(fields) * cells);
        summary.sdFractions[i] = std::sqrt(std::max(0.0, squares[i] / static_cast<double>(fields)));
    }
    return output;
}
