// SPDX-License-Identifier: GPL-3.0-or-later
// _tidmar.sweep: tidmar-batch's sweep with its rows kept in memory.
#include "module.h"

#include "interrupt.h"

#include "sweep.h"
#include "sweeprows.h"
#include "timeseriescsv.h"

#include <pybind11/stl.h>

#include <utility>
#include <variant>

namespace py = pybind11;

namespace {

// A varied setting's values: a list, or a text as --vary takes it.
using VariedValues = std::variant<std::string, std::vector<Value>>;

// The options of the sweep the settings and variations describe, in the
// Python arguments' words.
SweepOptions sweepOptions(const Settings& settings, const std::vector<std::pair<std::string, VariedValues>>& vary)
{
    std::vector<std::pair<std::string, std::vector<Value>>> varied;
    for (const auto& [key, values] : vary) {
        if (const auto* text = std::get_if<std::string>(&values))
            varied.emplace_back(key, std::vector<Value>{*text});
        else
            varied.emplace_back(key, std::get<std::vector<Value>>(values));
    }
    try {
        return readSweepKeywords(settings, varied);
    } catch (const UnknownSweepSetting& unknown) {
        throw py::type_error("sweep() got an unexpected keyword argument '" + unknown.key + "'");
    }
}

// The summary rows of the sweep, in run order, as tidmar-batch writes them,
// and with countsEvery > 0 the rows of its time series as --counts writes
// them (each run's as one text). The runs go on without the GIL; Ctrl+C
// stops every run within a step. progress, unless None, is called with the
// runs done and all runs whenever more are done.
std::pair<std::vector<std::string>, std::vector<std::string>> sweepRows(
    const Settings& settings, const std::vector<std::pair<std::string, VariedValues>>& vary, std::int64_t countsEvery,
    py::object progress)
{
    SweepOptions options = sweepOptions(settings, vary);
    std::int64_t reported = -1;
    py::gil_scoped_release release;
    InterruptCheck interrupt;
    SweepRows rows = sweepSummaryRows(std::move(options), countsEvery, [&](std::int64_t done, std::int64_t total) {
        interrupt.poll();
        if (progress.is_none() || done == reported)
            return;
        reported = done;
        py::gil_scoped_acquire gil;
        progress(done, total);
    });
    return {std::move(rows.summary), std::move(rows.series)};
}

// The header of the rows of sweepRows for the same settings.
std::string sweepHeader(const Settings& settings, const std::vector<std::pair<std::string, VariedValues>>& vary)
{
    return sweepRowsHeader(sweepOptions(settings, vary));
}

} // namespace

void bindSweep(py::module_& module)
{
    module.def("sweep_header", &sweepHeader, py::arg("settings"), py::arg("vary"),
               "The header of tidmar-batch sweep's summary with these settings.");
    module.def("sweep_rows", &sweepRows, py::arg("settings"), py::arg("vary"), py::arg("counts_every") = 0,
               py::arg("progress") = py::none(),
               "The summary rows of tidmar-batch sweep with these settings, in run order, and the time series' "
               "rows (each run's, as one text) with counts_every > 0.");
    module.def("time_series_header", &timeSeriesHeader, "The header line of tidmar-batch's sweep time series.");
    module.def("default_jobs",
               [](int threadsPerRun) {
                   if (threadsPerRun < 1)
                       throw py::value_error("threads: " + std::to_string(threadsPerRun)
                                             + " is not a number of threads (1 or more)");
                   return sweepJobs(std::nullopt, threadsPerRun, processEnvironment);
               },
               py::arg("threads_per_run") = 1, "The sweep's default number of jobs, as tidmar-batch chooses it.");
}
