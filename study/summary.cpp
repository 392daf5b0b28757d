// SPDX-License-Identifier: GPL-3.0-or-later
#include "summary.h"

#include "csvformat.h"
#include "numbers.h"
#include "runoutput.h"

std::int64_t effectiveBurnIn(const std::optional<std::int64_t>& burnIn, std::int64_t steps)
{
    return burnIn.value_or(steps / 2);
}

std::optional<std::int64_t> generatorPeriodPassedAt(const RunConfig& config)
{
    if (config.mode != EngineMode::Exact)
        return std::nullopt;
    const std::int64_t step = GeneratorPeriod / leastDrawsPerStep(config.scheme, config.width, config.height) + 1;
    if (step > config.steps)
        return std::nullopt;
    return step;
}

std::int64_t leastDrawsPerStep(int scheme, int width, int height)
{
    const std::int64_t drawsPerVisit = scheme == 1 ? 6 : 4;
    return drawsPerVisit * width * height;
}

std::string generatorPeriodWarning(const RunConfig& config, std::int64_t step, std::int64_t runs)
{
    const std::string run = std::to_string(config.width) + " x " + std::to_string(config.height) + " cells, "
                            + SchemeNames[config.scheme] + ", from step " + std::to_string(step) + " on";
    const std::string period = "more random numbers than ran1's period of 2^31 - 2";
    const std::string advice = "; --mode fast has no such limit";
    if (runs == 1)
        return "tidmar-batch: warning: this exact run (" + run + ") draws " + period + ", so its numbers repeat"
               + advice;
    return "tidmar-batch: warning: " + std::to_string(runs) + " exact runs draw " + period + " (the first: " + run
           + "), so their numbers repeat" + advice;
}

RunSummary summarizeRun(const RunConfig& config, int threads)
{
    return performRun(0, config, Recording{}, threads).summary;
}

std::string summaryHeader(bool extinction)
{
    std::string header = "run,seed,width,height,scheme,a2,a0,d0,a3,a4,jump,long_range,boundary,steps,pattern,mode,"
                         + stateColumns("") + "," + stateColumns("mean_") + "," + stateColumns("sd_")
                         + ",burn_in,pattern_sha256,generator_period_passed";
    if (extinction)
        header.append(",").append(stateColumns("extinct_")).append(",extinct_mussels,extinct_predators,ended_step");
    return header + '\n';
}

std::string summaryRow(std::int64_t run, const RunConfig& config, const RunSummary& summary)
{
    std::string row = std::to_string(run) + ',' + std::to_string(config.seed) + ',' + std::to_string(config.width)
                      + ',' + std::to_string(config.height) + ',' + SchemeNames[config.scheme];
    for (int millionths : {config.a2, config.a0, config.d0, config.a3, config.a4})
        row += ',' + formatMillionths(millionths);
    row += ',' + std::to_string(config.jump);
    row += config.longRange ? ",on" : ",off";
    row += config.periodic ? ",periodic" : ",closed";
    row += ',' + std::to_string(config.steps) + ',' + csvField(patternName(config.pattern));
    row += ',' + std::string(modeName(config.mode));
    for (long count : summary.finalCounts)
        row += ',' + std::to_string(count);
    for (double fraction : summary.meanFractions)
        row += ',' + formatRoundTrip(fraction);
    for (double spread : summary.sdFractions)
        row += ',' + formatRoundTrip(spread);
    row += ',' + std::to_string(summary.burnIn) + ',';
    if (config.pattern.kind == PatternKind::File && config.pattern.field)
        row += config.pattern.field->sha256;
    row += summary.periodPassed ? ",true" : ",false";
    if (config.stopWhen) {
        for (const std::int64_t step : summary.extinction.steps)
            row += step < 0 ? std::string(",") : ',' + std::to_string(step);
        row += ',' + std::to_string(summary.endedAt);
    }
    return row + '\n';
}
