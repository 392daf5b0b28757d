// SPDX-License-Identifier: GPL-3.0-or-later
// The glue of tidmar_sweep: tidmar-batch's sweep with its rows kept in memory.
#include "rvalues.h"

#include "cellcolours.h"
#include "sweep.h"
#include "sweeprows.h"

#include <Rcpp.h>

#include <cstdio>

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

// The summary (CSV lines, the header first) of the sweep of these options:
// fixed, a named list of one value each, and vary, a named list of vectors
// of values or of the command line's text ("0.1:0.5:0.1"). The runs go on
// other threads; the user's interrupt ends them within a step.
// [[Rcpp::export(rng = false)]]
Rcpp::CharacterVector sweep_rows(Rcpp::List fixed, Rcpp::List vary)
{
    return refusing([&] {
        std::vector<std::pair<std::string, Value>> settings;
        const Rcpp::CharacterVector fixedNames = fixed.names();
        for (R_xlen_t k = 0; k < fixed.size(); ++k) {
            if (Rf_isNull(fixed[k]))
                continue;
            const std::string key = Rcpp::as<std::string>(fixedNames[k]);
            settings.emplace_back(key, typedValue(key, fixed[k]));
        }
        std::vector<std::pair<std::string, std::vector<Value>>> varied;
        const Rcpp::CharacterVector varyNames = vary.names();
        for (R_xlen_t k = 0; k < vary.size(); ++k) {
            const std::string key = Rcpp::as<std::string>(varyNames[k]);
            // Numbers, or texts as --vary takes them ("0.1:0.5:0.1", "sync").
            const SEXP values = vary[k];
            std::vector<Value> items;
            for (R_xlen_t v = 0; v < Rf_xlength(values); ++v)
                items.push_back(typedValue(key, Rcpp::RObject(element(values, v))));
            varied.emplace_back(key, std::move(items));
        }
        SweepOptions options;
        try {
            options = readSweepKeywords(settings, varied);
        } catch (const UnknownSweepSetting& unknown) {
            throw Rcpp::exception(("tidmar_sweep() takes no argument " + unknown.key).c_str(), false);
        }
        std::vector<std::string> lines = {sweepRowsHeader(options)};
        const SweepRows rows = sweepSummaryRows(std::move(options), 0,
                                                [](std::int64_t, std::int64_t) { Rcpp::checkUserInterrupt(); });
        lines.insert(lines.end(), rows.summary.begin(), rows.summary.end());
        return Rcpp::CharacterVector(lines.begin(), lines.end());
    });
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
