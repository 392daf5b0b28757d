// SPDX-License-Identifier: GPL-3.0-or-later
// Engine benchmarks. Each ratio compares two measurements taken in this one
// run, so that a busy machine shifts both sides alike.

#include "drawahead.h"
#include "musselbed.h"
#include "parametersets.h"
#include "ratioreporter.h"
#include "reference_model.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

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

// The same draws as integer words (Ran1::nextWord), which is what the steps
// compare: ran1's deviates less their conversion to floating point.
void WordFloor(benchmark::State& state)
{
    const long cells = state.range(0) * state.range(0);
    const long draws = cells * state.range(1);
    Ran1 generator(-42);
    generator.prime();
    for (auto _ : state) {
        unsigned sum = 0;
        for (long i = 0; i < draws; ++i)
            sum ^= static_cast<unsigned>(generator.nextWord());
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * cells);
}

// The same words drawn ahead in the way the uniform step draws them
// (DrawAhead): the state words computed in blocks, then the shuffle word by
// word, a visit's words at a time. The fastest way to draw them here.
template <std::size_t PerVisit>
void drawAhead(benchmark::State& state)
{
    const long cells = state.range(0) * state.range(0);
    Ran1 generator(-42);
    generator.prime();
    for (auto _ : state) {
        unsigned sum = 0;
        DrawAhead draws(generator, cells * static_cast<long>(PerVisit));
        for (long i = 0; i < cells; ++i) {
            draws.draw<PerVisit>();
            const std::int32_t* words = draws.take(PerVisit);
            for (std::size_t k = 0; k < PerVisit; ++k)
                sum ^= static_cast<unsigned>(words[k]);
        }
        generator = draws.generator();
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * cells);
}

void DrawAheadFloor(benchmark::State& state)
{
    if (state.range(1) == 6)
        drawAhead<6>(state);
    else
        drawAhead<4>(state);
}

// range(0): field side, range(1): scheme, range(2): 0 lively, 1 desktop set.
void Step(benchmark::State& state)
{
    const int size = static_cast<int>(state.range(0));
    MusselBed bed(size, size, 42);
    setParameters(bed, state.range(2) == 0 ? ParameterSet::Lively : ParameterSet::Desktop);
    bed.updatemethodeaendern(static_cast<int>(state.range(1)));
    bed.infectedLine();
    for (int i = 0; i < 50; ++i)
        bed.advance();
    for (auto _ : state)
        bed.advance();
    state.SetItemsProcessed(state.iterations() * size * size);
}

} // namespace

BENCHMARK(Ran1Folded);
BENCHMARK(Ran1Schrage);
BENCHMARK(GeneratorFloor)->Args({256, 4})->Args({256, 6})->Args({1000, 4})->Args({1000, 6})->Unit(benchmark::kMillisecond);
BENCHMARK(WordFloor)->Args({256, 4})->Args({256, 6})->Args({1000, 4})->Args({1000, 6})->Unit(benchmark::kMillisecond);
BENCHMARK(DrawAheadFloor)->Args({256, 4})->Args({256, 6})->Args({1000, 4})->Args({1000, 6})->Unit(benchmark::kMillisecond);
BENCHMARK(Step)->ArgsProduct({{256, 1000}, {0, 1, 2}, {0, 1}})->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nRatios measured in this run\n");
    std::printf("  ran1 speed-up over the textbook Schrage form: %.2fx (target >= 2)\n",
                reporter.ratio("Ran1Schrage", "Ran1Folded"));
    const char* names[] = {"stepSync", "stepAsyncUC", "stepAsyncNRS"};
    const int drawsPerVisit[] = {4, 6, 4};
    for (int set = 0; set < 2; ++set) {
        std::printf("  %s: step time against the generator alone\n",
                    describe(set == 0 ? ParameterSet::Lively : ParameterSet::Desktop));
        for (int size : {256, 1000})
            for (int scheme = 0; scheme < 3; ++scheme) {
                const std::string step =
                    "Step/" + std::to_string(size) + "/" + std::to_string(scheme) + "/" + std::to_string(set);
                const std::string draws = std::to_string(size) + "/" + std::to_string(drawsPerVisit[scheme]);
                const std::string floor = "GeneratorFloor/" + draws;
                if (reporter.ratio(step, floor) == 0)
                    continue;  // not run
                std::printf("    %-13s %4d x %-4d: %.2fx at %d draws a %s%s; %.2fx its words alone; %.2fx its "
                            "words drawn ahead\n",
                            names[scheme], size, size, reporter.ratio(step, floor), drawsPerVisit[scheme],
                            scheme == 1 ? "visit" : "cell", set == 0 && size == 1000 ? " (target <= 1.3)" : "",
                            reporter.ratio(step, "WordFloor/" + draws), reporter.ratio(step, "DrawAheadFloor/" + draws));
            }
    }
    return 0;
}
