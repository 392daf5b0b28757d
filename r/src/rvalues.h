// SPDX-License-Identifier: GPL-3.0-or-later
// R values as the study library's typed values, which its readers read,
// check and refuse in the command line's words, naming the R argument.
#pragma once

#include "settings.h"
#include "values.h"

#include <Rcpp.h>

#include <string>

// One value: a string, a flag, an integer or a double. name says whose value
// it is when R hands something else (NA, a vector, a list).
Value typedValue(const std::string& name, SEXP value);

// An integer matrix, or a double one whose values are whole (NA stays NA).
Rcpp::IntegerMatrix wholeMatrix(const std::string& name, SEXP value);

// The model's settings from a named list (NULL leaves one out), checked
// together.
ModelOptions modelOptions(const Rcpp::List& values);

// Runs work; a refused value (BatchError) becomes an R error of the
// message alone.
template <class Work>
auto refusing(Work work)
{
    try {
        return work();
    } catch (const std::runtime_error& refused) {
        throw Rcpp::exception(refused.what(), false);
    }
}
