#include "summary.h"

#include "csvformat.h"
#include "numbers.h"
#include "simulation.h"

RunSummary summarizeRun(const RunConfig& config, int threads, const std::atomic<bool>* stop)
{
    const std::unique_ptr<Bed> bed = makeBed(config, threads);
    const std::int64_t firstCounted = config.steps == 0 ? 0 : config.steps / 2 + 1;
    std::array<std::int64_t, StateCount> sums{};
    auto add = [&] {
        const std::array<long, StateCount> counts = bed->counts();
        for (int i = 0; i < StateCount; ++i)
            sums[i] += counts[i];
    };
    if (firstCounted == 0)
        add();
    for (std::int64_t step = 1; step <= config.steps; ++step) {
        if (stop && stop->load(std::memory_order_relaxed))
            throw RunStopped();
        bed->advance();
        if (step >= firstCounted)
            add();
    }

    RunSummary summary;
    summary.finalCounts = bed->counts();
    const std::int64_t fields = config.steps - firstCounted + 1;
    const double cells = static_cast<double>(config.width) * config.height;
    for (int i = 0; i < StateCount; ++i)
        summary.meanFractions[i] = static_cast<double>(sums[i]) / (static_cast<double>(fields) * cells);
    return summary;
}

std::string summaryHeader()
{
    return "run,seed,width,height,scheme,a2,a0,d0,a3,a4,jump,long_range,boundary,steps,pattern,mode,"
           + stateColumns("") + "," + stateColumns("mean_") + "\n";
}

std::string summaryRow(std::int64_t run, const RunConfig& config, const RunSummary& summary)
{
    std::string row = std::to_string(run) + ',' + std::to_string(config.seed) + ',' + std::to_string(config.width)
                      + ',' + std::to_string(config.height) + ',' + SchemeNames[config.scheme];
    for (int thousandths : {config.a2, config.a0, config.d0, config.a3, config.a4})
        row += ',' + formatThousandths(thousandths);
    row += ',' + std::to_string(config.jump);
    row += config.longRange ? ",on" : ",off";
    row += config.periodic ? ",periodic" : ",closed";
    row += ',' + std::to_string(config.steps) + ',' + csvField(patternName(config.pattern));
    row += ',' + std::string(modeName(config.mode));
    for (long count : summary.finalCounts)
        row += ',' + std::to_string(count);
    for (double fraction : summary.meanFractions)
        row += ',' + formatRoundTrip(fraction);
    return row + '\n';
}
