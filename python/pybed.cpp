// SPDX-License-Identifier: GPL-3.0-or-later
// _tidmar._Bed: one field on either engine, driven as the desktop program
// drives its own. The package's tidmar.Bed wraps it.
#include "module.h"

#include "interrupt.h"

#include "batcherror.h"
#include "fieldcodes.h"
#include "livebed.h"
#include "memoryneed.h"
#include "modelparameters.h"
#include "musselbed.h"
#include "randomseed.h"
#include "runoutput.h"
#include "settings.h"
#include "simulation.h"
#include "statefile.h"
#include "summary.h"
#include "values.h"

#include <algorithm>
#include <cstdint>
#include <type_traits>

#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <atomic>
#include <cmath>
#include <memory>

namespace py = pybind11;

namespace {

// A drawn seed, never the one drawn for the bed made just before.
std::int32_t newSeed()
{
    static std::atomic<std::int32_t> last{0};
    const std::int32_t seed = drawSeed(last.load());
    last = seed;
    return seed;
}

std::int64_t readSteps(const Value& count, const char* name)
{
    return readWhole(count, 0, 2147483647, name);
}

class PyBed {
public:
    explicit PyBed(const Settings& settings)
    {
        ModelOptions options;
        for (const auto& [key, value] : settings)
            if (!setModelValue(options, key, value, key))
                throw py::type_error("Bed() got an unexpected keyword argument '" + key + "'");
        checkModelOptions(options, keywordName);
        config = options.config;
        if (!options.seedGiven)
            config.seed = newSeed();
        threads = options.threads;
        refuseBeyondMemory(runBytes(config, threads), bedSize(config));
        bed = makeLiveBed(config, threads);
    }

    // The bed saved: its state, step count and seed, as --save-state writes it.
    PyBed(const SavedRun& saved, int threads) : threads(threads)
    {
        bed = continueBed(saved, config, {}, threads);
        stepCount = saved.step;
        // The draws since seeding, as far as the step count tells them.
        drawsSinceSeed = saved.step * leastDrawsPerStep(config.scheme, bed->cellsX(), bed->cellsY());
        periodPassed = config.mode == EngineMode::Exact && drawsSinceSeed > GeneratorPeriod;
    }

    py::bytes state() const
    {
        checkIdle();
        return py::bytes(encodeState({bed->state(), stepCount, config.seed}));
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
            *out++ = stepCount;
            for (long count : bed->counts())
                *out++ = count;
        };
        record(0);
        advance(steps, record);
        return table;
    }

    std::array<long, StateCount> counts() const
    {
        checkIdle();
        return bed->counts();
    }

    // Indexed [y, x] and stored column by column (Fortran order), the
    // engines' own order, so that reading a field is one straight copy.
    py::array_t<Cell, py::array::f_style> field(bool previous) const
    {
        checkIdle();
        py::array_t<Cell, py::array::f_style> cells({bed->cellsY(), bed->cellsX()});
        if (!previous)
            bed->copyField(cells.mutable_data());
        else if (!bed->copyPrevious(cells.mutable_data()))
            throw py::value_error("the fast engine keeps no previous field; mode=\"exact\" keeps it");
        return cells;
    }

    void edit(int x, int y, int state)
    {
        checkIdle();
        if (!isCellState(state))
            throw py::value_error("state: " + std::to_string(state) + " is not a cell state (-1, 0, 1, 2 or 3)");
        if (!bed->edit(x, y, state))
            throw py::value_error("(" + std::to_string(x) + ", " + std::to_string(y) + ") lies outside the "
                                  + std::to_string(bed->cellsX()) + " x " + std::to_string(bed->cellsY())
                                  + " field");
    }

    void reset(const Value& pattern, const std::optional<Value>& seed)
    {
        checkIdle();
        const Pattern start = readPattern(pattern, "pattern");
        if (start.kind == PatternKind::File)
            throw BatchError("pattern: " + quoted(pattern) + " is not young or line (give a field as an array)");
        layDown(start, seed);
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
        const int limit = maxCells(config.mode);
        if (width < 1 || width > limit || height < 1 || height > limit)
            throw py::value_error("field: field size " + std::to_string(width) + " x " + std::to_string(height)
                                  + " is outside 1 .. " + std::to_string(limit));
        auto field = std::make_shared<FieldData>();
        field->width = static_cast<int>(width);
        field->height = static_cast<int>(height);
        // Codes beyond a cell's range keep their sign, so that they are refused.
        auto take = [&](auto zero) {
            using Value = decltype(zero);
            const auto codes = py::array_t<Value, py::array::c_style | py::array::forcecast>::ensure(cells);
            if (!codes)
                throw py::value_error("a field holds integer cell codes");
            for (py::ssize_t i = 0; i < codes.size(); ++i)
                field->codes.push_back(static_cast<Cell>(std::clamp<Value>(
                    codes.data()[i], std::is_signed_v<Value> ? Value(INT32_MIN) : 0, Value(INT32_MAX))));
        };
        if (cells.dtype().kind() == 'u')
            take(std::uint64_t{0});
        else
            take(std::int64_t{0});
        std::string error;
        if (!checkFieldCodes(field->width, field->height, field->codes, maxCells(config.mode), &error))
            throw py::value_error("field: " + error);
        layDown({PatternKind::File, {}, std::move(field), {}}, seed);
    }

    // A changeable parameter, set through the desktop control's setter.
    void set(const std::string& key, const Value& given)
    {
        checkIdle();
        ModelOptions options;
        if (key == "width" || key == "height" || key == "seed" || key == "mode" || key == "threads"
            || key == "pattern" || key == "steps" || !setModelValue(options, key, given, key))
            throw py::value_error(key + " cannot change on a bed");
        const RunConfig& value = options.config;
        ModelParameters& parameters = bed->parameters();
        if (key == "a2") {
            parameters.recolonization = probabilityFromMillionths(config.a2 = value.a2);
        } else if (key == "a0") {
            parameters.neighbourCoupling = probabilityFromMillionths(config.a0 = value.a0);
        } else if (key == "d0") {
            parameters.oceanForcing = probabilityFromMillionths(config.d0 = value.d0);
        } else if (key == "a3") {
            parameters.maturing = probabilityFromMillionths(config.a3 = value.a3);
        } else if (key == "a4") {
            parameters.predation = probabilityFromMillionths(config.a4 = value.a4);
        } else if (key == "jump") {
            parameters.setjumpdistance(config.jump = value.jump);
        } else if (key == "long_range") {
            parameters.setlongrange(config.longRange = value.longRange);
        } else if (key == "boundary") {
            parameters.randbedingungaendern(config.periodic = value.periodic);
        } else if (key == "scheme") {
            parameters.updatemethodeaendern(config.scheme = value.scheme);
        }
    }

    // The settings under the package's names, probabilities as floats.
    py::dict settings() const
    {
        py::dict result;
        result["width"] = bed->cellsX();
        result["height"] = bed->cellsY();
        result["seed"] = config.seed;
        result["mode"] = modeName(config.mode);
        result["threads"] = threads;
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

    std::int64_t steps() const { return stepCount; }

    bool generatorPeriodPassed() const { return periodPassed; }

private:
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
                bed->advance();
                ++stepCount;
                countDraws();
                after(done);
            }
        }
        warnOfPeriod();
    }

    // The exact engine's draws since its generator started, at the least
    // (generatorPeriodPassedAt counts alike); the fast engine's generators
    // have no period to pass.
    void countDraws()
    {
        if (config.mode != EngineMode::Exact || periodPassed)
            return;
        drawsSinceSeed += leastDrawsPerStep(config.scheme, bed->cellsX(), bed->cellsY());
        periodPassed = drawsSinceSeed > GeneratorPeriod;
    }

    // A Python warning, once per bed, when its numbers have begun to repeat.
    void warnOfPeriod()
    {
        if (!periodPassed || warned)
            return;
        warned = true;
        const std::string text = "this exact bed (" + std::to_string(bed->cellsX()) + " x "
                                 + std::to_string(bed->cellsY()) + " cells) has drawn more random numbers than "
                                 "ran1's period of 2^31 - 2, so its numbers repeat; mode=\"fast\" has no such limit";
        if (PyErr_WarnEx(PyExc_RuntimeWarning, text.c_str(), 2) != 0)
            throw py::error_already_set();
    }

    // Lays down pattern, restarting the generators from seed when given.
    void layDown(const Pattern& pattern, const std::optional<Value>& seed)
    {
        if (seed) {
            config.seed = readSeed(*seed, "seed");
            bed->reseed(config.seed);
            drawsSinceSeed = 0;
        }
        bed->layDown(pattern);
        config.width = bed->cellsX();
        config.height = bed->cellsY();
        stepCount = 0;
    }

    // Another Python thread may call in while a step runs without the GIL.
    void checkIdle() const
    {
        if (busy)
            throw std::runtime_error("the bed is stepping in another thread");
    }

    RunConfig config;
    int threads = 1;
    std::unique_ptr<LiveBed> bed;
    std::int64_t stepCount = 0;
    bool busy = false;
    std::int64_t drawsSinceSeed = 0;
    bool periodPassed = false;  // stays once passed, as the summary's flag
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
