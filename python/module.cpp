// SPDX-License-Identifier: GPL-3.0-or-later
// _tidmar: the engines and the sweep of tidmar-batch for the package tidmar.
// Values arrive as Python gave them and are read by the same typed readers as
// tidmar-batch's options, with messages that name the Python argument.
#include "module.h"

#include "batcherror.h"
#include "cellcolours.h"
#include "csvformat.h"
#include "summary.h"
#include "version.h"

#include <pybind11/stl.h>

namespace py = pybind11;

PYBIND11_MODULE(_tidmar, module)
{
    module.doc() = "The compiled part of tidmar; use the package tidmar.";
    py::register_exception_translator([](std::exception_ptr error) {
        try {
            if (error)
                std::rethrow_exception(error);
        } catch (const BatchError& refused) {
            PyErr_SetString(PyExc_ValueError, refused.what());
        }
    });

    std::vector<std::string> names(StateColumns.begin(), StateColumns.end());
    module.attr("STATE_NAMES") = names;
    module.attr("STATE_COLOURS") = std::vector<std::uint32_t>(stateColours.begin(), stateColours.end());
    module.attr("OTHER_COLOUR") = otherColour;
    module.attr("__version__") = tidmarVersion();
    module.def("counts_header", &countsHeader, "The header line of tidmar-batch's counts CSV.");
    module.def(
        "summary_header", [](bool extinction) { return summaryHeader(extinction); }, py::arg("extinction") = false,
        "The header line of tidmar-batch's sweep summary (with the extinction columns of --stop-when).");

    bindBed(module);
    bindSweep(module);
    bindPatterns(module);
}
