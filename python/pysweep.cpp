// SPDX-License-Identifier: GPL-3.0-or-later
// _tidmar.sweep: tidmar-batch's sweep with its rows kept in memory.
#include "module.h"

#include "interrupt.h"

#include "sweep.h"
#include "sweeprows.h"
#include "sweepsettings.h"

#include <pybind11/stl.h>

#include <set>
#include <variant>

namespace py = pybind11;

namespace {

// A varied setting's values: a list, or a text as --vary takes it.
using VariedValues = std::variant<std::string, std::vector<Value>>;

// The options of the sweep the settings (the model's and replicates, jobs,
// burn_in) and variations describe, read and checked as tidmar-batch reads
// its options, in the Python argument's words.
SweepOptions sweepOptions(const Settings& settings, const std::vector<std::pair<std::string, VariedValues>>& vary)
{
    SweepOptions options;
    std::set<std::string> given;
    for (const auto& [key, value] : settings) {
        if (!setModelValue(options.model, key, value, key) && !setSweepValue(options, key, value, key))
            throw py::type_error("sweep() got an unexpected keyword argument '" + key + "'");
        given.insert(key);
    }
    for (const auto& [key, values] : vary) {
        if (const auto* text = std::get_if<std::string>(&values))
            addVariation(options, readVariation(key, {*text}, "vary"), keywordName);
        else
            addVariation(options, readVariation(key, std::get<std::vector<Value>>(values), "vary"), keywordName);
    }
    checkModelOptions(options.model, keywordName);
    checkSweepOptions(options, given, keywordName);
    return options;
}

// The summary rows of the sweep, in run order, as tidmar-batch writes them.
// The runs go on without the GIL; Ctrl+C stops every run within a step.
std::vector<std::string> sweepRows(const Settings& settings,
                                   const std::vector<std::pair<std::string, VariedValues>>& vary)
{
    SweepOptions options = sweepOptions(settings, vary);
    py::gil_scoped_release release;
    InterruptCheck interrupt;
    return sweepSummaryRows(std::move(options), [&] { interrupt.poll(); });
}

} // namespace

void bindSweep(py::module_& module)
{
    module.def("sweep_rows", &sweepRows, py::arg("settings"), py::arg("vary"),
               "The summary rows of tidmar-batch sweep with these settings, in run order.");
    module.def("default_jobs",
               [](int threadsPerRun) { return sweepJobs(std::nullopt, threadsPerRun, processEnvironment); },
               py::arg("threads_per_run") = 1, "The sweep's default number of jobs, as tidmar-batch chooses it.");
}
