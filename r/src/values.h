// SPDX-License-Identifier: GPL-3.0-or-later
// R values as the command line's option texts, so that tidmar-batch's own
// readers read, check and refuse them.
#pragma once

#include "livesession.h"  // Arguments

#include <Rcpp.h>

#include <cstdint>
#include <string>

// The option text of one value: a string as it is, TRUE as "on", a whole
// number (integer or double) in digits, another double in the shortest form
// that reads back as the same number. name says whose value it is when R
// hands something else (NA, a vector, a list).
std::string optionText(const std::string& name, SEXP value);

// A whole number: an integer, or a double that is whole.
std::int64_t wholeNumber(const std::string& name, SEXP value);

// An integer matrix, or a double one whose values are whole (NA stays NA).
Rcpp::IntegerMatrix wholeMatrix(const std::string& name, SEXP value);

// "--name text" for every element of a named list that is not NULL, the
// name's underscores as hyphens.
Arguments optionArguments(const Rcpp::List& values);

// Runs work; a refused value (BatchError) becomes an R error of the
// command line's message alone.
template <class Work>
auto refusing(Work work)
{
    try {
        return work();
    } catch (const std::runtime_error& refused) {
        throw Rcpp::exception(refused.what(), false);
    }
}
