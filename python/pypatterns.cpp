// SPDX-License-Identifier: GPL-3.0-or-later
// _tidmar.patterns and _tidmar.patch_sizes: the analysis library on a 2-D
// array of codes, read where it lies (either memory order; the results do not
// depend on which axis is stored first).
#include "module.h"

#include "fieldpatterns.h"
#include "patternoptions.h"
#include "patternsummary.h"

#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <climits>
#include <cstdint>

namespace py = pybind11;

namespace {

struct Request {
    PatchClass cls;
    PatternSettings settings;
};

// The options arrive as the command line's texts (the package converts them).
Request readRequest(const std::string& cls, const std::vector<std::pair<std::string, std::string>>& options)
{
    Request request;
    std::string problem;
    if (!parsePatchClass(cls, request.cls, &problem))
        throw py::value_error("cls: '" + cls + "': " + problem);
    for (const auto& [option, text] : options) {
        if (!readPatternOption(option, text, request.settings, &problem))
            throw py::value_error(option + ": '" + text + "' is not " + problem);
    }
    return request;
}

// The analyser of the thread's last call, kept for the next one of the same
// size: a series of fields is analysed without sizing one for each.
FieldAnalyser& analyserFor(int rows, int cols)
{
    thread_local std::unique_ptr<FieldAnalyser> kept;
    if (!kept || kept->labeller().rows() != rows || kept->labeller().cols() != cols) {
        kept.reset();
        kept = std::make_unique<FieldAnalyser>(rows, cols);
    }
    return *kept;
}

// Classifies and labels field; the analyser is sized by the array's layout.
template <typename Code>
std::optional<FieldMeasures> analyse(const py::array& field, const Request& request, bool measured,
                                     FieldAnalyser*& analyser)
{
    const bool rowMajor = field.flags() & py::array::c_style;
    const auto rows = static_cast<int>(rowMajor ? field.shape(0) : field.shape(1));
    const auto cols = static_cast<int>(rowMajor ? field.shape(1) : field.shape(0));
    const auto* codes = static_cast<const Code*>(field.data());
    py::gil_scoped_release unlocked;
    analyser = &analyserFor(rows, cols);
    analyser->classifyField(codes, request.cls);
    if (!measured) {
        analyser->labelOnly(request.settings);
        return std::nullopt;
    }
    return analyser->measure(request.settings);
}

// field is 2-D, C or Fortran contiguous, of one of these types (the package
// converts the others).
std::optional<FieldMeasures> analyseArray(const py::array& field, const Request& request, bool measured,
                                          FieldAnalyser*& analyser)
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
        return analyse<std::int8_t>(field, request, measured, analyser);
    if (py::isinstance<py::array_t<std::uint8_t>>(field) || py::isinstance<py::array_t<bool>>(field))
        return analyse<std::uint8_t>(field, request, measured, analyser);
    if (py::isinstance<py::array_t<std::int16_t>>(field))
        return analyse<std::int16_t>(field, request, measured, analyser);
    if (py::isinstance<py::array_t<std::int32_t>>(field))
        return analyse<std::int32_t>(field, request, measured, analyser);
    if (py::isinstance<py::array_t<std::int64_t>>(field))
        return analyse<std::int64_t>(field, request, measured, analyser);
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
                  const std::vector<std::pair<std::string, std::string>>& options)
{
    const Request request = readRequest(cls, options);
    FieldAnalyser* analyser = nullptr;
    const FieldMeasures measures = *analyseArray(field, request, true, analyser);
    SizeFits fits;
    {
        py::gil_scoped_release unlocked;
        fits = fitSizes(countSizes(analyser->sizes()), request.settings.fit);
    }
    py::dict result;
    result["width"] = field.shape(1);
    result["height"] = field.shape(0);
    const auto values = patternValues(measures, fits);
    for (std::size_t i = 0; i < values.size(); ++i)
        result[PatternColumns[i]] = toPython(values[i]);
    return result;
}

py::array_t<std::int64_t> patchSizes(const py::array& field, const std::string& cls,
                                     const std::vector<std::pair<std::string, std::string>>& options)
{
    const Request request = readRequest(cls, options);
    FieldAnalyser* analyser = nullptr;
    analyseArray(field, request, false, analyser);
    const std::vector<long>& sizes = analyser->sizes();
    py::array_t<std::int64_t> result(static_cast<py::ssize_t>(sizes.size()));
    std::copy(sizes.begin(), sizes.end(), result.mutable_data());
    return result;
}

py::dict fitPooledSizes(const py::array_t<std::int64_t, py::array::c_style | py::array::forcecast>& sizes,
                       const std::vector<std::pair<std::string, std::string>>& options)
{
    const Request request = readRequest("gap", options);
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
