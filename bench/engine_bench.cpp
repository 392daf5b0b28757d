// Engine benchmarks. Each ratio compares two measurements taken in this one
// run, so that a busy machine shifts both sides alike.

#include "musselbed.h"
#include "reference_model.h"
#include "startvalues.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr int DrawsPerCall = 1 << 16;

// Folds a deviate into a checksum at the cost of one integer operation, so that
// the consumer does not hide the generator's own latency.
inline void consume(unsigned& sum, float value)
{
    unsigned bits;
    std::memcpy(&bits, &value, sizeof bits);
    sum ^= bits;
}

void Ran1Folded(benchmark::State& state)
{
    Ran1 generator(-42);
    for (auto _ : state) {
        unsigned sum = 0;
        for (int i = 0; i < DrawsPerCall; ++i)
            consume(sum, generator.ran1());
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * DrawsPerCall);
}

void Ran1Schrage(benchmark::State& state)
{
    reference::Ran1 generator{-42};
    for (auto _ : state) {
        unsigned sum = 0;
        for (int i = 0; i < DrawsPerCall; ++i)
            consume(sum, generator());
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * DrawsPerCall);
}

// The floor of a step: the generator alone, drawing what the step draws.
void GeneratorFloor(benchmark::State& state)
{
    const long cells = state.range(0) * state.range(0);
    const long draws = cells * state.range(1);
    Ran1 generator(-42);
    for (auto _ : state) {
        unsigned sum = 0;
        for (long i = 0; i < draws; ++i)
            consume(sum, generator.ran1());
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * cells);
}

void Step(benchmark::State& state)
{
    const int size = static_cast<int>(state.range(0));
    MusselBed bed(size, size, 42);
    setDesktopStartValues(bed);
    bed.updatemethodeaendern(static_cast<int>(state.range(1)));
    bed.infectedLine();
    for (int i = 0; i < 50; ++i)
        bed.advance();
    for (auto _ : state)
        bed.advance();
    state.SetItemsProcessed(state.iterations() * size * size);
}

// Keeps the best rate of every benchmark over its repetitions for the ratios:
// the best is the one least disturbed by the rest of the machine.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const auto items = run.counters.find("items_per_second");
            if (items != run.counters.end() && run.run_type == Run::RT_Iteration) {
                double& best = rate[run.run_name.str()];
                best = std::max(best, items->second.value);
            }
        }
    }
    std::map<std::string, double> rate;  // items per second
};

} // namespace

BENCHMARK(Ran1Folded);
BENCHMARK(Ran1Schrage);
BENCHMARK(GeneratorFloor)->Args({256, 4})->Args({256, 6})->Args({1000, 4})->Args({1000, 6})->Unit(benchmark::kMillisecond);
BENCHMARK(Step)
    ->Args({256, 0})->Args({256, 1})->Args({256, 2})
    ->Args({1000, 0})->Args({1000, 1})->Args({1000, 2})
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto& r = reporter.rate;
    auto ratio = [&](const std::string& slow, const std::string& fast) {
        return r.count(slow) && r.count(fast) ? r[fast] / r[slow] : 0.0;
    };
    std::printf("\nRatios measured in this run\n");
    std::printf("  ran1 speed-up over the textbook Schrage form: %.2fx (target >= 2)\n",
                ratio("Ran1Schrage", "Ran1Folded"));
    const char* names[] = {"stepSync", "stepAsyncUC", "stepAsyncNRS"};
    const int drawsPerVisit[] = {4, 6, 4};
    for (int size : {256, 1000})
        for (int scheme = 0; scheme < 3; ++scheme) {
            const std::string step = "Step/" + std::to_string(size) + "/" + std::to_string(scheme);
            const std::string floor = "GeneratorFloor/" + std::to_string(size) + "/" + std::to_string(drawsPerVisit[scheme]);
            std::printf("  %-13s %4d x %-4d: %.2fx the generator alone at %d draws a cell%s\n", names[scheme], size,
                        size, ratio(step, floor), drawsPerVisit[scheme], scheme == 0 ? " (target <= 1.3)" : "");
        }
    return 0;
}
