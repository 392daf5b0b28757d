// SPDX-License-Identifier: GPL-3.0-or-later
// _tidmar._Bed: one field on either engine, driven as the desktop program
// drives its own. The package's tidmar.Bed wraps it.
#include "module.h"

#include "interrupt.h"

#include "livesession.h"
#include "musselbed.h"
#include "runoutput.h"
#include "settings.h"
#include "statefile.h"
#include "values.h"

#include <algorithm>
#include <cstdint>
#include <type_traits>

#include <pybind11/numpy.h>
#include <pybind11/stl.h>

namespace py = pybind11;

namespace {

std::int64_t readSteps(const Value& count, const char* name)
{
    return readWhole(count, 0, 2147483647, name);
}

// A LiveSession (study/livesession.h) that steps without the GIL and is not
// touched by another thread while it does.
class PyBed {
public:
    explicit PyBed(const Settings& settings) : session(modelOptions(settings)) {}

    // The bed saved: its state, step count and seed, as --save-state writes it.
    PyBed(const SavedRun& saved, int threads) : session(saved, threads) {}

    py::bytes state() const
    {
        checkIdle();
        return py::bytes(session.state());
    }

    void step(const Value& count)
    {
        const std::int64_t steps = readSteps(count, "n");
        advance(steps, [](std::int64_t) {});
    }

    // Counts at steps 0, every, 2 every, ... and the last of the next steps
    // steps, as --counts-every records them: rows of the step number (the
    // bed's count) and the five counts.
    py::array_t<std::int64_t> run(const Value& count, const Value& interval)
    {
        const std::int64_t steps = readSteps(count, "steps");
        const std::int64_t every = readWhole(interval, 1, 2147483647, "every");
        const std::int64_t rows = steps / every + 1 + (steps % every != 0 ? 1 : 0);
        py::array_t<std::int64_t> table({rows, static_cast<std::int64_t>(1 + StateCount)});
        std::int64_t* out = table.mutable_data();
        auto record = [&](std::int64_t done) {
            if (!isRecordedStep(done, every, steps))
                return;
            *out++ = session.steps();
            for (long count : session.bed().counts())
                *out++ = count;
        };
        record(0);
        advance(steps, record);
        return table;
    }

    std::array<long, StateCount> counts() const
    {
        checkIdle();
        return session.bed().counts();
    }

    // Indexed [y, x] and stored column by column (Fortran order), the
    // engines' own order, so that reading a field is one straight copy.
    py::array_t<Cell, py::array::f_style> field(bool previous) const
    {
        checkIdle();
        const LiveBed& bed = session.bed();
        py::array_t<Cell, py::array::f_style> cells({bed.cellsY(), bed.cellsX()});
        if (!previous)
            bed.copyField(cells.mutable_data());
        else if (!bed.copyPrevious(cells.mutable_data()))
            throw py::value_error("the fast engine keeps no previous field; mode=\"exact\" keeps it");
        return cells;
    }

    void edit(int x, int y, int state)
    {
        checkIdle();
        session.edit(x, y, state);
    }

    void reset(const Value& pattern, const std::optional<Value>& seed)
    {
        checkIdle();
        session.reset(pattern, seed);
    }

    void resetField(const py::array& cells, const std::optional<Value>& seed)
    {
        checkIdle();
        if (cells.ndim() != 2)
            throw py::value_error("a field is a two-dimensional array (height, width), not "
                                  + std::to_string(cells.ndim()) + "-dimensional");
        // The size is checked before anything is copied: a huge view is
        // refused, not read.
        const py::ssize_t height = cells.shape(0);
        const py::ssize_t width = cells.shape(1);
        const int limit = maxCells(session.config().mode);
        if (width < 1 || width > limit || height < 1 || height > limit)
            throw py::value_error("field: field size " + std::to_string(width) + " x " + std::to_string(height)
                                  + " is outside 1 .. " + std::to_string(limit));
        std::vector<Cell> codes;
        codes.reserve(static_cast<std::size_t>(cells.size()));
        // Codes beyond a cell's range keep their sign, so that they are refused.
        auto take = [&](auto zero) {
            using Value = decltype(zero);
            const auto given = py::array_t<Value, py::array::c_style | py::array::forcecast>::ensure(cells);
            if (!given)
                throw py::value_error("a field holds integer cell codes");
            for (py::ssize_t i = 0; i < given.size(); ++i)
                codes.push_back(static_cast<Cell>(std::clamp<Value>(
                    given.data()[i], std::is_signed_v<Value> ? Value(INT32_MIN) : 0, Value(INT32_MAX))));
        };
        if (cells.dtype().kind() == 'u')
            take(std::uint64_t{0});
        else
            take(std::int64_t{0});
        session.resetField(width, height, std::move(codes), seed);
    }

    // A changeable parameter, set through the desktop control's setter.
    void set(const std::string& key, const Value& given)
    {
        checkIdle();
        session.set(key, given);
    }

    // The settings under the package's names, probabilities as floats.
    py::dict settings() const
    {
        const RunConfig& config = session.config();
        py::dict result;
        result["width"] = session.bed().cellsX();
        result["height"] = session.bed().cellsY();
        result["seed"] = config.seed;
        result["mode"] = modeName(config.mode);
        result["threads"] = session.threads();
        result["scheme"] = SchemeNames[config.scheme];
        const std::pair<const char*, int> probabilities[] = {
            {"a2", config.a2}, {"a0", config.a0}, {"d0", config.d0}, {"a3", config.a3}, {"a4", config.a4}};
        for (const auto& [name, millionths] : probabilities)
            result[name] = millionths / 1e6;
        result["jump"] = config.jump;
        result["long_range"] = config.longRange;
        result["boundary"] = config.periodic ? "periodic" : "closed";
        return result;
    }

    std::int64_t steps() const { return session.steps(); }

    bool generatorPeriodPassed() const { return session.generatorPeriodPassed(); }

private:
    // The model's settings by keyword, checked together.
    static ModelOptions modelOptions(const Settings& settings)
    {
        ModelOptions options;
        for (const auto& [key, value] : settings)
            if (!setModelValue(options, key, value, key))
                throw py::type_error("Bed() got an unexpected keyword argument '" + key + "'");
        checkModelOptions(options, keywordName);
        return options;
    }

    // Performs steps steps without the GIL, calling after(n) after the n-th.
    // Ctrl+C ends the loop between two steps; the bed stays whole.
    template <class After>
    void advance(std::int64_t steps, After after)
    {
        checkIdle();
        busy = true;
        struct Idle {
            bool& busy;
            ~Idle() { busy = false; }
        } idle{busy};
        {
            py::gil_scoped_release release;
            InterruptCheck interrupt;
            for (std::int64_t done = 1; done <= steps; ++done) {
                interrupt.poll();
                session.advance();
                after(done);
            }
        }
        warnOfPeriod();
    }

    // A Python warning, once per bed, when its numbers have begun to repeat.
    void warnOfPeriod()
    {
        if (!session.generatorPeriodPassed() || warned)
            return;
        warned = true;
        const std::string text = "this exact bed (" + std::to_string(session.bed().cellsX()) + " x "
                                 + std::to_string(session.bed().cellsY()) + " cells) has drawn more random numbers "
                                 "than ran1's period of 2^31 - 2, so its numbers repeat; mode=\"fast\" has no such limit";
        if (PyErr_WarnEx(PyExc_RuntimeWarning, text.c_str(), 2) != 0)
            throw py::error_already_set();
    }

    // Another Python thread may call in while a step runs without the GIL.
    void checkIdle() const
    {
        if (busy)
            throw std::runtime_error("the bed is stepping in another thread");
    }

    LiveSession session;
    bool busy = false;
    bool warned = false;
};

} // namespace

void bindBed(py::module_& module)
{
    py::class_<PyBed>(module, "_Bed", "One field on either engine; use tidmar.Bed.")
        .def(py::init<const Settings&>(), py::arg("settings"))
        .def("step", &PyBed::step, py::arg("count"))
        .def("run", &PyBed::run, py::arg("count"), py::arg("every"))
        .def("counts", &PyBed::counts)
        .def("field", &PyBed::field, py::arg("previous"))
        .def("edit", &PyBed::edit, py::arg("x"), py::arg("y"), py::arg("state"))
        .def("reset", &PyBed::reset, py::arg("pattern"), py::arg("seed"))
        .def("reset_field", &PyBed::resetField, py::arg("cells"), py::arg("seed"))
        .def("set", &PyBed::set, py::arg("key"), py::arg("value"))
        .def("settings", &PyBed::settings)
        .def("state", &PyBed::state)
        .def_static(
            "from_state",
            [](const py::bytes& bytes, const std::string& what, int threads) {
                return std::make_unique<PyBed>(decodeState(bytes, what), threads);
            },
            py::arg("bytes"), py::arg("what"), py::arg("threads"))
        .def_property_readonly("steps", &PyBed::steps)
        .def_property_readonly("generator_period_passed", &PyBed::generatorPeriodPassed);
}
