// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

// The console report plus each benchmark's rate (items per second), keyed by
// its name and arguments ("Step/1000/1/0"), for ratios printed at the end.
// The rate is the best repetition's, the one least disturbed by the rest of
// the machine; when the repetitions themselves are not reported (as with
// --benchmark_report_aggregates_only), it is the median's, else the mean's.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const auto items = run.counters.find("items_per_second");
            if (items == run.counters.end() || run.error_occurred)
                continue;
            const std::string name =
                run.run_name.function_name + (run.run_name.args.empty() ? "" : "/" + run.run_name.args);
            const double value = items->second.value;
            if (run.run_type == Run::RT_Iteration)
                best[name] = std::max(best[name], value);
            else if (run.aggregate_name == "median")
                median[name] = value;
            else if (run.aggregate_name == "mean")
                mean[name] = value;
        }
    }

    // The rate of a benchmark, 0 when it did not run (filtered out, say).
    double rate(const std::string& name) const
    {
        for (const auto* source : {&best, &median, &mean}) {
            const auto found = source->find(name);
            if (found != source->end())
                return found->second;
        }
        return 0;
    }

    // How many times faster than slow fast ran; 0 when either did not run.
    double ratio(const std::string& slow, const std::string& fast) const
    {
        const double s = rate(slow);
        return s > 0 ? rate(fast) / s : 0.0;
    }

private:
    std::map<std::string, double> best;
    std::map<std::string, double> median;
    std::map<std::string, double> mean;
};
