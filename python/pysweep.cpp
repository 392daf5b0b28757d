// SPDX-License-Identifier: GPL-3.0-or-later
// _tidmar.sweep: tidmar-batch's sweep with its rows kept in memory.
#include "module.h"

#include "interrupt.h"

#include "sweep.h"
#include "sweeprows.h"

#include <pybind11/stl.h>

namespace py = pybind11;

namespace {

// The runs go on without the GIL; Ctrl+C stops every run within a step.
std::vector<std::string> sweepRows(const Arguments& arguments)
{
    py::gil_scoped_release release;
    InterruptCheck interrupt;
    return sweepSummaryRows(arguments, [&] { interrupt.poll(); });
}

} // namespace

void bindSweep(py::module_& module)
{
    module.def("sweep_rows", &sweepRows, py::arg("arguments"),
               "The summary rows of tidmar-batch sweep with these options, in run order.");
    module.def("default_jobs",
               [](int threadsPerRun) { return sweepJobs(std::nullopt, threadsPerRun, processEnvironment); },
               py::arg("threads_per_run") = 1, "The sweep's default number of jobs, as tidmar-batch chooses it.");
}
