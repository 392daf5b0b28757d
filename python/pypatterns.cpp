// SPDX-License-Identifier: GPL-3.0-or-later
// _tidmar.patterns and _tidmar.patch_sizes: the analysis library on a 2-D
// array of codes, read where it lies (either memory order; the results do not
// depend on which axis is stored first).
#include "module.h"

#include "fieldpatterns.h"
#include "patternrequest.h"
#include "patternsummary.h"

#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <climits>
#include <cstdint>

namespace py = pybind11;

namespace {

using Options = std::vector<std::pair<std::string, std::string>>;

// The options arrive as the command line's texts (the package converts them).
PatternRequest readRequest(const std::string& cls, const Options& options)
{
    try {
        return readPatternRequest("cls", cls, options, nullptr);
    } catch (const std::invalid_argument& refused) {
        throw py::value_error(refused.what());
    }
}

// The analyser of the thread's last call, kept for the next one of the same
// size.
FieldAnalyser& analyserFor(int rows, int cols)
{
    thread_local std::unique_ptr<FieldAnalyser> kept;
    return sizedAnalyser(kept, rows, cols);
}

// Classifies field into the analyser sized by the array's layout.
template <typename Code>
void classify(const py::array& field, const PatternRequest& request, FieldAnalyser*& analyser)
{
    const bool rowMajor = field.flags() & py::array::c_style;
    const auto rows = static_cast<int>(rowMajor ? field.shape(0) : field.shape(1));
    const auto cols = static_cast<int>(rowMajor ? field.shape(1) : field.shape(0));
    const auto* codes = static_cast<const Code*>(field.data());
    py::gil_scoped_release unlocked;
    analyser = &analyserFor(rows, cols);
    analyser->classifyField(codes, request.cls);
}

// field is 2-D, C or Fortran contiguous, of one of these types (the package
// converts the others).
void classifyArray(const py::array& field, const PatternRequest& request, FieldAnalyser*& analyser)
{
    if (field.ndim() != 2 || field.shape(0) < 1 || field.shape(1) < 1)
        throw py::value_error("a field is a two-dimensional array with at least one cell");
    // The labeller numbers the runs of ones, at most half a row's cells each,
    // in 32 bits.
    if (field.shape(0) > INT_MAX || field.shape(1) > INT_MAX
        || static_cast<std::uint64_t>(field.shape(0)) * ((static_cast<std::uint64_t>(field.shape(1)) + 1) / 2) > INT_MAX)
        throw py::value_error("the field is too large: at most about 2^32 cells");
    if (!(field.flags() & (py::array::c_style | py::array::f_style)))
        throw py::value_error("the field must be contiguous");
    if (py::isinstance<py::array_t<std::int8_t>>(field))
        return classify<std::int8_t>(field, request, analyser);
    if (py::isinstance<py::array_t<std::uint8_t>>(field) || py::isinstance<py::array_t<bool>>(field))
        return classify<std::uint8_t>(field, request, analyser);
    if (py::isinstance<py::array_t<std::int16_t>>(field))
        return classify<std::int16_t>(field, request, analyser);
    if (py::isinstance<py::array_t<std::int32_t>>(field))
        return classify<std::int32_t>(field, request, analyser);
    if (py::isinstance<py::array_t<std::int64_t>>(field))
        return classify<std::int64_t>(field, request, analyser);
    throw py::type_error("a field holds integer codes (or bools)");
}

py::object toPython(const PatternValue& value)
{
    return std::visit(
        [](const auto& held) -> py::object {
            using T = std::decay_t<decltype(held)>;
            if constexpr (std::is_same_v<T, std::monostate>)
                return py::none();
            else
                return py::cast(held);
        },
        value);
}

py::dict patterns(const py::array& field, const std::string& cls,
                  const Options& options)
{
    const PatternRequest request = readRequest(cls, options);
    FieldAnalyser* analyser = nullptr;
    classifyArray(field, request, analyser);
    std::array<PatternValue, PatternColumns.size()> values;
    {
        py::gil_scoped_release unlocked;
        values = analysePatterns(*analyser, request.settings);
    }
    py::dict result;
    result["width"] = field.shape(1);
    result["height"] = field.shape(0);
    for (std::size_t i = 0; i < values.size(); ++i)
        result[PatternColumns[i]] = toPython(values[i]);
    return result;
}

py::array_t<std::int64_t> patchSizes(const py::array& field, const std::string& cls,
                                     const Options& options)
{
    const PatternRequest request = readRequest(cls, options);
    FieldAnalyser* analyser = nullptr;
    classifyArray(field, request, analyser);
    {
        py::gil_scoped_release unlocked;
        analyser->labelOnly(request.settings);
    }
    const std::vector<long>& sizes = analyser->sizes();
    py::array_t<std::int64_t> result(static_cast<py::ssize_t>(sizes.size()));
    std::copy(sizes.begin(), sizes.end(), result.mutable_data());
    return result;
}

py::dict fitPooledSizes(const py::array_t<std::int64_t, py::array::c_style | py::array::forcecast>& sizes,
                       const Options& options)
{
    const PatternRequest request = readRequest("gap", options);
    std::vector<long> taken(sizes.data(), sizes.data() + sizes.size());
    if (std::any_of(taken.begin(), taken.end(), [](long size) { return size < 1; }))
        throw py::value_error("sizes: every size is a whole number of cells, at least 1");
    SizeFits fits;
    {
        py::gil_scoped_release unlocked;
        fits = fitSizes(countSizes(std::move(taken)), request.settings.fit);
    }
    const auto values = fitValues(fits);
    py::dict result;
    for (std::size_t i = 0; i < values.size(); ++i)
        result[PatternColumns[8 + i]] = toPython(values[i]);
    return result;
}

} // namespace

void bindPatterns(py::module_& module)
{
    module.def("patterns", &patterns, py::arg("field"), py::arg("cls"), py::arg("options"));
    module.def("patch_sizes", &patchSizes, py::arg("field"), py::arg("cls"), py::arg("options"));
    module.def("fit_sizes", &fitPooledSizes, py::arg("sizes"), py::arg("options"));
}
