// SPDX-License-Identifier: GPL-3.0-or-later
// The glue of tidmar_sweep: tidmar-batch's sweep with its rows kept in memory.
#include "rvalues.h"

#include "cellcolours.h"
#include "summary.h"
#include "sweep.h"
#include "sweeprows.h"
#include "sweepsettings.h"

#include <Rcpp.h>

#include <cstdio>
#include <set>

namespace {

// Element k of a vector, as a vector of one.
SEXP element(SEXP values, R_xlen_t k)
{
    switch (TYPEOF(values)) {
    case VECSXP:
        return VECTOR_ELT(values, k);
    case STRSXP:
        return Rf_ScalarString(STRING_ELT(values, k));
    case LGLSXP:
        return Rf_ScalarLogical(LOGICAL(values)[k]);
    case INTSXP:
        return Rf_ScalarInteger(INTEGER(values)[k]);
    case REALSXP:
        return Rf_ScalarReal(REAL(values)[k]);
    default:
        return values;  // typedValue names the kind it refuses
    }
}

} // namespace

// The summary rows (CSV lines) of the sweep of these options: fixed, a named
// list of one value each, and vary, a named list of vectors of values or of
// the command line's text ("0.1:0.5:0.1"). The runs go on other threads;
// the user's interrupt ends them within a step.
// [[Rcpp::export(rng = false)]]
Rcpp::CharacterVector sweep_rows(Rcpp::List fixed, Rcpp::List vary)
{
    return refusing([&] {
        SweepOptions options;
        std::set<std::string> given;
        const Rcpp::CharacterVector fixedNames = fixed.names();
        for (R_xlen_t k = 0; k < fixed.size(); ++k) {
            if (Rf_isNull(fixed[k]))
                continue;
            const std::string key = Rcpp::as<std::string>(fixedNames[k]);
            const Value value = typedValue(key, fixed[k]);
            if (!setModelValue(options.model, key, value, key) && !setSweepValue(options, key, value, key))
                throw Rcpp::exception(("tidmar_sweep() takes no argument " + key).c_str(), false);
            given.insert(key);
        }
        const Rcpp::CharacterVector varyNames = vary.names();
        for (R_xlen_t k = 0; k < vary.size(); ++k) {
            const std::string key = Rcpp::as<std::string>(varyNames[k]);
            // Numbers, or texts as --vary takes them ("0.1:0.5:0.1", "sync").
            const SEXP values = vary[k];
            std::vector<Value> items;
            for (R_xlen_t v = 0; v < Rf_xlength(values); ++v)
                items.push_back(typedValue(key, Rcpp::RObject(element(values, v))));
            addVariation(options, readVariation(key, items, "vary"), keywordName);
        }
        checkModelOptions(options.model, keywordName);
        checkSweepOptions(options, given, keywordName);
        const std::vector<std::string> rows =
            sweepSummaryRows(std::move(options), [] { Rcpp::checkUserInterrupt(); });
        return Rcpp::CharacterVector(rows.begin(), rows.end());
    });
}

// [[Rcpp::export(rng = false)]]
Rcpp::CharacterVector summary_header()
{
    return summaryHeader();
}

// [[Rcpp::export(rng = false)]]
int default_jobs(SEXP threads)
{
    return refusing([&] {
        const auto perRun = readWhole(typedValue("threads", threads), 1, MaxThreads, "threads");
        return sweepJobs(std::nullopt, static_cast<int>(perRun), processEnvironment);
    });
}

// The colours of the cell states -1 .. 3, then that of any other value.
// [[Rcpp::export(rng = false)]]
Rcpp::CharacterVector state_colours()
{
    Rcpp::CharacterVector colours;
    auto add = [&](std::uint32_t argb) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "#%06X", static_cast<unsigned>(argb & 0xffffffu));
        colours.push_back(hex);
    };
    for (std::uint32_t argb : stateColours)
        add(argb);
    add(otherColour);
    return colours;
}
