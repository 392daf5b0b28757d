// SPDX-License-Identifier: GPL-3.0-or-later
#include "rvalues.h"

#include "numbers.h"

#include <climits>
#include <cmath>

namespace {

[[noreturn]] void wrongKind(const std::string& name, const std::string& what)
{
    throw Rcpp::exception((name + ": expected " + what).c_str(), false);
}

} // namespace

Value typedValue(const std::string& name, SEXP value)
{
    if (Rf_length(value) != 1)
        wrongKind(name, "one value, not " + std::to_string(Rf_length(value)));
    switch (TYPEOF(value)) {
    case STRSXP:
        if (STRING_ELT(value, 0) != NA_STRING)
            return Rcpp::as<std::string>(value);
        break;
    case LGLSXP:
        if (LOGICAL(value)[0] != NA_LOGICAL)
            return LOGICAL(value)[0] != 0;
        break;
    case INTSXP:
        if (INTEGER(value)[0] != NA_INTEGER)
            return static_cast<std::int64_t>(INTEGER(value)[0]);
        break;
    case REALSXP:
        if (!ISNA(REAL(value)[0]))
            return REAL(value)[0];
        break;
    default:
        wrongKind(name, std::string("a number or a string, not ") + Rf_type2char(TYPEOF(value)));
    }
    wrongKind(name, "a value, not NA");
}

Rcpp::IntegerMatrix wholeMatrix(const std::string& name, SEXP value)
{
    if (!Rf_isMatrix(value) || (TYPEOF(value) != INTSXP && TYPEOF(value) != REALSXP))
        wrongKind(name, "an integer matrix");
    if (TYPEOF(value) == REALSXP) {
        const double* numbers = REAL(value);
        for (R_xlen_t k = 0; k < Rf_xlength(value); ++k)
            if (!ISNA(numbers[k]) && !(numbers[k] == std::trunc(numbers[k]) && std::fabs(numbers[k]) <= INT_MAX))
                wrongKind(name, "whole numbers, not " + formatRoundTrip(numbers[k]));
    }
    return Rcpp::IntegerMatrix(value);
}

ModelOptions modelOptions(const Rcpp::List& values)
{
    ModelOptions options;
    const Rcpp::CharacterVector names = values.names();
    for (R_xlen_t k = 0; k < values.size(); ++k) {
        if (Rf_isNull(values[k]))
            continue;
        const std::string key = Rcpp::as<std::string>(names[k]);
        if (!setModelValue(options, key, typedValue(key, values[k]), key))
            wrongKind(key, "no such setting");
    }
    checkModelOptions(options, keywordName);
    return options;
}
