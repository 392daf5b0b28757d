// SPDX-License-Identifier: GPL-3.0-or-later
// Throughput engine benchmarks against the exact engine on 1000 x 1000 fields.
// Each ratio compares two measurements taken in this one run, so that a busy
// machine shifts both sides alike. Times are wall-clock, as the synchronous
// scheme runs on several threads.

#include "fastbed.h"
#include "musselbed.h"
#include "parametersets.h"
#include "philoxavx2.h"
#include "ratioreporter.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int Size = 1000;
constexpr int WarmUp = 50;

template <typename Bed>
void configure(Bed& bed, int scheme, bool desktop)
{
    setParameters(bed, desktop ? ParameterSet::Desktop : ParameterSet::Lively);
    bed.updatemethodeaendern(scheme);
    bed.infectedLine();
    for (int i = 0; i < WarmUp; ++i)
        bed.advance();
}

// range(0): scheme, range(1): 0 lively, 1 desktop set
void Exact(benchmark::State& state)
{
    MusselBed bed(Size, Size, 42);
    configure(bed, static_cast<int>(state.range(0)), state.range(1) != 0);
    for (auto _ : state)
        bed.advance();
    state.SetItemsProcessed(state.iterations() * Size * Size);
}

// range(0): scheme, range(1): 0 lively, 1 desktop set, range(2): threads
void Fast(benchmark::State& state)
{
    FastBed bed(Size, Size, 42, static_cast<int>(state.range(2)));
    configure(bed, static_cast<int>(state.range(0)), state.range(1) != 0);
    for (auto _ : state)
        bed.advance();
    state.SetItemsProcessed(state.iterations() * Size * Size);
}

// The generator alone: Philox blocks for every cell of a field, 16 at a time
// as the synchronous step computes them (with AVX2 where the step uses it).
void PhiloxFloor(benchmark::State& state)
{
    std::vector<std::uint32_t> out(64);
    const bool avx2 = philox::avx2Available();
    std::uint32_t step = 0;
    for (auto _ : state) {
        ++step;
        for (std::uint32_t x = 0; x < Size; ++x)
            for (std::uint32_t block = 0; block < Size / 4; block += 16) {
                if (avx2)
                    philox::generateRun16Avx2({42, 0}, block, x, step, 0, out.data());
                else
                    philox::generateRun<16>({42, 0}, block, x, step, 0, out.data());
                benchmark::DoNotOptimize(out.data());
            }
    }
    state.SetItemsProcessed(state.iterations() * Size * Size);
}

} // namespace

BENCHMARK(Exact)->ArgsProduct({{0, 1, 2}, {0, 1}})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Fast)->ArgsProduct({{0}, {0, 1}, {1, 2}})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Fast)->ArgsProduct({{1, 2}, {0, 1}, {1}})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(PhiloxFloor)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double philoxRate = reporter.rate("PhiloxFloor");
    const char* names[] = {"sync", "async-uc", "async-nrs"};
    std::printf("\nMeasured in this run, %d x %d, periodic, line pattern after %d warm-up steps\n", Size, Size, WarmUp);
    for (int set = 0; set < 2; ++set) {
        std::printf("%s\n", describe(set == 0 ? ParameterSet::Lively : ParameterSet::Desktop));
        for (int scheme = 0; scheme < 3; ++scheme) {
            const std::string exact = "Exact/" + std::to_string(scheme) + "/" + std::to_string(set);
            const std::string fast = "Fast/" + std::to_string(scheme) + "/" + std::to_string(set) + "/1";
            std::printf("  %-9s exact %6.3g, fast %6.3g visits/s: %5.2fx the exact path", names[scheme],
                        reporter.rate(exact), reporter.rate(fast), reporter.ratio(exact, fast));
            if (scheme == 0) {
                const std::string two = "Fast/0/" + std::to_string(set) + "/2";
                std::printf("; %4.2f of Philox alone; 2 threads %6.3g visits/s, %4.2fx one thread",
                            philoxRate > 0 ? reporter.rate(fast) / philoxRate : 0.0, reporter.rate(two),
                            reporter.ratio(fast, two));
            }
            std::printf("\n");
        }
    }
    std::printf("  Philox4x32-10 alone: %6.3g deviates/s%s\n", philoxRate, philox::avx2Available() ? " (AVX2)" : "");
    std::printf("targets (lively set, one thread): async-uc and async-nrs >= 2e8 visits/s, sync >= 0.6 of Philox alone;\n"
                "2 threads >= 1.8x one thread\n");
    return 0;
}
