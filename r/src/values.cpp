// SPDX-License-Identifier: GPL-3.0-or-later
#include "values.h"

#include "numbers.h"

#include <climits>
#include <cmath>

namespace {

[[noreturn]] void wrongKind(const std::string& name, const std::string& what)
{
    throw Rcpp::exception((name + ": expected " + what).c_str(), false);
}

void checkSingle(const std::string& name, SEXP value)
{
    if (Rf_length(value) != 1)
        wrongKind(name, "one value, not " + std::to_string(Rf_length(value)));
}

} // namespace

std::string optionText(const std::string& name, SEXP value)
{
    checkSingle(name, value);
    switch (TYPEOF(value)) {
    case STRSXP:
        if (STRING_ELT(value, 0) != NA_STRING)
            return Rcpp::as<std::string>(value);
        break;
    case LGLSXP:
        if (LOGICAL(value)[0] != NA_LOGICAL)
            return LOGICAL(value)[0] ? "on" : "off";
        break;
    case INTSXP:
        if (INTEGER(value)[0] != NA_INTEGER)
            return std::to_string(INTEGER(value)[0]);
        break;
    case REALSXP: {
        const double number = REAL(value)[0];
        if (ISNA(number))
            break;
        if (number == std::trunc(number) && std::fabs(number) < 9.0e15)
            return std::to_string(static_cast<std::int64_t>(number));
        return formatRoundTrip(number);
    }
    default:
        wrongKind(name, std::string("a number or a string, not ") + Rf_type2char(TYPEOF(value)));
    }
    wrongKind(name, "a value, not NA");
}

std::int64_t wholeNumber(const std::string& name, SEXP value)
{
    checkSingle(name, value);
    if (TYPEOF(value) == INTSXP && INTEGER(value)[0] != NA_INTEGER)
        return INTEGER(value)[0];
    if (TYPEOF(value) == REALSXP) {
        const double number = REAL(value)[0];
        if (number == std::trunc(number) && std::fabs(number) < 9.0e15)
            return static_cast<std::int64_t>(number);
    }
    wrongKind(name, "a whole number");
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

Arguments optionArguments(const Rcpp::List& values)
{
    Arguments arguments;
    const Rcpp::CharacterVector names = values.names();
    for (R_xlen_t k = 0; k < values.size(); ++k) {
        if (Rf_isNull(values[k]))
            continue;
        std::string name = Rcpp::as<std::string>(names[k]);
        const std::string text = optionText(name, values[k]);
        for (char& c : name)
            if (c == '_')
                c = '-';
        arguments.insert(arguments.end(), {"--" + name, text});
    }
    return arguments;
}
