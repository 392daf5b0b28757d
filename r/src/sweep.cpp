// SPDX-License-Identifier: GPL-3.0-or-later
// The glue of tidmar_sweep: tidmar-batch's sweep with its rows kept in memory.
#include "values.h"

#include "cellcolours.h"
#include "summary.h"
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
        return values;  // optionText names the kind it refuses
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
        Arguments arguments = optionArguments(fixed);
        const Rcpp::CharacterVector names = vary.names();
        for (R_xlen_t k = 0; k < vary.size(); ++k) {
            const std::string name = Rcpp::as<std::string>(names[k]);
            const SEXP values = vary[k];
            std::string text;
            for (R_xlen_t v = 0; v < Rf_xlength(values); ++v) {
                const Rcpp::RObject value(element(values, v));
                text += (v ? "," : "") + optionText(name, value);
            }
            arguments.insert(arguments.end(), {"--vary", name + "=" + text});
        }
        const std::vector<std::string> rows = sweepSummaryRows(arguments, [] { Rcpp::checkUserInterrupt(); });
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
        return sweepJobs(std::nullopt, static_cast<int>(wholeNumber("threads", threads)), processEnvironment);
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
