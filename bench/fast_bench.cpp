// Throughput engine benchmarks against the exact engine on 1000 x 1000 fields.
// Each ratio compares two measurements taken in this one run, so that a busy
// machine shifts both sides alike. Times are wall-clock, as the synchronous
// scheme runs on several threads.

#include "fastbed.h"
#include "musselbed.h"
#include "philoxavx2.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr int Size = 1000;
constexpr int WarmUp = 50;

// The desktop's start values; the lively set adds ocean forcing, which keeps
// every state present and makes nearly every cell draw.
template <typename Bed>
void configure(Bed& bed, int scheme, bool lively)
{
    bed.setcolonization(lively ? 600 : 300);
    bed.setneighbourcoupling(lively ? 500 : 750);
    bed.setoceanforcing(lively ? 20 : 0);
    bed.setmaturing(100);
    bed.setpredation(750);
    bed.setjumpdistance(10);
    bed.setlongrange(true);
    bed.randbedingungaendern(true);
    bed.updatemethodeaendern(scheme);
    bed.infectedLine();
    for (int i = 0; i < WarmUp; ++i)
        bed.advance();
}

// range(0): scheme, range(1): lively
void Exact(benchmark::State& state)
{
    MusselBed bed(Size, Size, 42);
    configure(bed, static_cast<int>(state.range(0)), state.range(1) != 0);
    for (auto _ : state)
        bed.advance();
    state.SetItemsProcessed(state.iterations() * Size * Size);
}

// range(0): scheme, range(1): lively, range(2): threads
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

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const auto items = run.counters.find("items_per_second");
            if (items != run.counters.end() && run.run_type == Run::RT_Iteration)
                rate[run.run_name.function_name + (run.run_name.args.empty() ? "" : "/" + run.run_name.args)] =
                    items->second.value;
        }
    }
    std::map<std::string, double> rate;  // cell visits per second
};

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
    auto& r = reporter.rate;
    auto get = [&](const std::string& name) { return r.count(name) ? r[name] : 0.0; };
    auto ratio = [&](const std::string& slow, const std::string& fast) {
        return get(slow) > 0 ? get(fast) / get(slow) : 0.0;
    };
    const char* names[] = {"sync", "async-uc", "async-nrs"};
    std::printf("\nMeasured in this run, %d x %d, periodic, line pattern after %d warm-up steps\n", Size, Size, WarmUp);
    for (int lively = 0; lively < 2; ++lively) {
        std::printf("%s\n", lively ? "lively set (A2 0.6, A0 0.5, D0 0.02, A3 0.1, A4 0.75, jump 10)"
                                   : "desktop set (A2 0.3, A0 0.75, D0 0, A3 0.1, A4 0.75, jump 10)");
        for (int scheme = 0; scheme < 3; ++scheme) {
            const std::string exact = "Exact/" + std::to_string(scheme) + "/" + std::to_string(lively);
            const std::string fast = "Fast/" + std::to_string(scheme) + "/" + std::to_string(lively) + "/1";
            std::printf("  %-9s exact %6.3g, fast %6.3g visits/s: %5.2fx the exact path", names[scheme], get(exact),
                        get(fast), ratio(exact, fast));
            if (scheme == 0) {
                const std::string two = "Fast/0/" + std::to_string(lively) + "/2";
                std::printf("; 2 threads %6.3g visits/s, %4.2fx one thread", get(two), ratio(fast, two));
            }
            std::printf("\n");
        }
    }
    std::printf("  Philox4x32-10 alone: %6.3g deviates/s%s\n", get("PhiloxFloor"),
                philox::avx2Available() ? " (AVX2)" : "");
    std::printf("targets (desktop set, sync): fast >= 4.3e8 visits/s, >= 4x exact; 2 threads >= 1.8x one thread\n");
    return 0;
}
