// SPDX-License-Identifier: GPL-3.0-or-later
// One field on either engine, held by an R external pointer: the glue of
// tidmar_bed, step, tidmar_run, reset, edit and the settings.
#include "interrupt.h"
#include "rvalues.h"

#include "csvformat.h"
#include "livesession.h"
#include "runoutput.h"
#include "values.h"

#include <Rcpp.h>

#include <climits>

using BedPointer = Rcpp::XPtr<LiveSession>;

namespace {

// Performs steps steps, calling after(n) after the n-th; an interrupt ends
// the loop between two steps and leaves the bed whole.
template <class After>
void advance(LiveSession& session, std::int64_t steps, After after)
{
    InterruptCheck interrupt;
    for (std::int64_t done = 1; done <= steps; ++done) {
        interrupt.poll();
        session.advance();
        after(done);
    }
}

Rcpp::CharacterVector stateNames()
{
    Rcpp::CharacterVector names;
    for (std::string_view name : StateColumns)
        names.push_back(std::string(name));
    return names;
}

} // namespace

// [[Rcpp::export(rng = false)]]
SEXP bed_new(Rcpp::List values)
{
    return refusing([&] { return BedPointer(new LiveSession(modelOptions(values)), true); });
}

// [[Rcpp::export(rng = false)]]
void bed_step(SEXP bed, SEXP count)
{
    BedPointer session(bed);
    const std::int64_t steps = refusing([&] { return readWhole(typedValue("n", count), 0, INT_MAX, "n"); });
    advance(*session, steps, [](std::int64_t) {});
}

// The counts at steps 0, every, 2 every, ... and the last of the next steps
// steps, as --counts-every records them: the columns of the counts CSV (step,
// the bed's count, then the five states).
// [[Rcpp::export(rng = false)]]
Rcpp::List bed_run(SEXP bed, SEXP count, SEXP interval)
{
    BedPointer session(bed);
    const std::int64_t steps = refusing([&] { return readWhole(typedValue("steps", count), 0, INT_MAX, "steps"); });
    const std::int64_t every = refusing([&] { return readWhole(typedValue("every", interval), 1, INT_MAX, "every"); });
    const R_xlen_t rows = steps / every + 1 + (steps % every != 0 ? 1 : 0);
    const bool wholeSteps = session->steps() + steps <= INT_MAX;
    Rcpp::NumericVector stepsAsDoubles(wholeSteps ? 0 : rows);
    Rcpp::IntegerVector stepsAsIntegers(wholeSteps ? rows : 0);
    std::vector<Rcpp::IntegerVector> columns;
    for (int state = 0; state < StateCount; ++state)
        columns.emplace_back(rows);
    R_xlen_t row = 0;
    auto record = [&](std::int64_t done) {
        if (!isRecordedStep(done, every, steps))
            return;
        if (wholeSteps)
            stepsAsIntegers[row] = static_cast<int>(session->steps());
        else
            stepsAsDoubles[row] = static_cast<double>(session->steps());
        const auto counts = session->bed().counts();
        for (int state = 0; state < StateCount; ++state)
            columns[state][row] = static_cast<int>(counts[state]);
        ++row;
    };
    record(0);
    advance(*session, steps, record);

    Rcpp::List table(1 + StateCount);
    table[0] = wholeSteps ? SEXP(stepsAsIntegers) : SEXP(stepsAsDoubles);
    for (int state = 0; state < StateCount; ++state)
        table[1 + state] = columns[state];
    return table;
}

// [[Rcpp::export(rng = false)]]
Rcpp::IntegerVector bed_counts(SEXP bed)
{
    const auto counts = BedPointer(bed)->bed().counts();
    Rcpp::IntegerVector result(counts.begin(), counts.end());
    result.names() = stateNames();
    return result;
}

// The field [y, x]: R's column order is the engines' own, so this is one copy.
// [[Rcpp::export(rng = false)]]
Rcpp::IntegerMatrix bed_field(SEXP bed, bool previous)
{
    const LiveBed& cells = BedPointer(bed)->bed();
    Rcpp::IntegerMatrix field(Rcpp::no_init(cells.cellsY(), cells.cellsX()));
    if (!previous)
        cells.copyField(field.begin());
    else if (!cells.copyPrevious(field.begin()))
        throw Rcpp::exception("the fast engine keeps no previous field; mode = \"exact\" keeps it", false);
    return field;
}

// [[Rcpp::export(rng = false)]]
void bed_edit(SEXP bed, SEXP x, SEXP y, SEXP state)
{
    BedPointer session(bed);
    refusing([&] {
        auto whole = [](const char* name, SEXP value) {
            return readWhole(typedValue(name, value), INT64_MIN, INT64_MAX, name);
        };
        session->edit(whole("x", x), whole("y", y), whole("state", state), 1);
        return 0;
    });
}

// [[Rcpp::export(rng = false)]]
void bed_reset(SEXP bed, SEXP pattern, SEXP seed)
{
    BedPointer session(bed);
    refusing([&] {
        const std::optional<Value> seedValue =
            Rf_isNull(seed) ? std::nullopt : std::optional(typedValue("seed", seed));
        if (!Rf_isMatrix(pattern)) {
            session->reset(typedValue("pattern", pattern), seedValue);
            return 0;
        }
        // A matrix [y, x] of codes, given row by row to the reader.
        const Rcpp::IntegerMatrix cells = wholeMatrix("pattern", pattern);
        const int height = cells.nrow(), width = cells.ncol();
        std::vector<Cell> codes(static_cast<std::size_t>(width) * height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                codes[static_cast<std::size_t>(y) * width + x] = cells(y, x);
        session->resetField(width, height, std::move(codes), seedValue);
        return 0;
    });
}

// [[Rcpp::export(rng = false)]]
void bed_set(SEXP bed, std::string name, SEXP value)
{
    BedPointer session(bed);
    refusing([&] {
        session->set(name, typedValue(name, value));
        return 0;
    });
}

// The settings under the package's names, probabilities as doubles.
// [[Rcpp::export(rng = false)]]
Rcpp::List bed_settings(SEXP bed)
{
    const BedPointer session(bed);
    const RunConfig& config = session->config();
    return Rcpp::List::create(
        Rcpp::Named("width") = config.width, Rcpp::Named("height") = config.height,
        Rcpp::Named("seed") = config.seed, Rcpp::Named("mode") = modeName(config.mode),
        Rcpp::Named("threads") = session->threads(), Rcpp::Named("scheme") = SchemeNames[config.scheme],
        Rcpp::Named("a2") = config.a2 / 1e6, Rcpp::Named("a0") = config.a0 / 1e6,
        Rcpp::Named("d0") = config.d0 / 1e6, Rcpp::Named("a3") = config.a3 / 1e6,
        Rcpp::Named("a4") = config.a4 / 1e6, Rcpp::Named("jump") = config.jump,
        Rcpp::Named("long_range") = config.longRange,
        Rcpp::Named("boundary") = config.periodic ? "periodic" : "closed",
        Rcpp::Named("step_count") = static_cast<double>(session->steps()));
}

// [[Rcpp::export(rng = false)]]
Rcpp::CharacterVector counts_header()
{
    return countsHeader();
}
