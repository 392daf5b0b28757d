// SPDX-License-Identifier: GPL-3.0-or-later
// The glue of tidmar_patterns and tidmar_patch_sizes: the analysis library on
// an R matrix [y, x], read where it lies. R stores a matrix column by column,
// so its columns are the analyser's rows; the results do not depend on which
// axis is stored first.
#include "rvalues.h"

#include "numbers.h"
#include "patternrequest.h"

#include <Rcpp.h>

#include <algorithm>
#include <climits>

namespace {

// R's names of the patterns' options: --coarse-grain -> coarse_grain, and
// --boundary is given as wrap.
std::string argumentName(const std::string& option)
{
    if (option == "--boundary")
        return "wrap";
    std::string name = option.substr(2);
    std::replace(name.begin(), name.end(), '-', '_');
    return name;
}

// An option's R value as the command line's text: a string, or a number (a
// whole double reads as the integer it is).
std::string optionText(const std::string& name, SEXP value)
{
    const Value typed = typedValue(name, value);
    if (const auto* text = std::get_if<std::string>(&typed))
        return *text;
    if (const auto* whole = std::get_if<std::int64_t>(&typed))
        return std::to_string(*whole);
    if (const auto* number = std::get_if<double>(&typed))
        return formatOptionNumber(*number);
    throw Rcpp::exception((name + ": expected a whole number or a string, not TRUE or FALSE").c_str(), false);
}

// The class and options, named as tidmar_patterns() names them: options is
// a named list of R values under the R names.
PatternRequest readRequest(const std::string& cls, const Rcpp::List& options)
{
    std::vector<std::pair<std::string, std::string>> texts;
    const Rcpp::CharacterVector names = options.names();
    for (R_xlen_t k = 0; k < options.size(); ++k) {
        std::string name = Rcpp::as<std::string>(names[k]);
        const std::string text = optionText(name, options[k]);
        std::replace(name.begin(), name.end(), '_', '-');
        texts.emplace_back(name == "wrap" ? "--boundary" : "--" + name, text);
    }
    try {
        return readPatternRequest("class", cls, texts, argumentName);
    } catch (const std::invalid_argument& refused) {
        throw Rcpp::exception(refused.what(), false);
    }
}

// The analyser, kept for the next field of the same size.
FieldAnalyser& analyserFor(int rows, int cols)
{
    static std::unique_ptr<FieldAnalyser> kept;
    return sizedAnalyser(kept, rows, cols);
}

// Classifies field (an integer, logical or whole double matrix without NA)
// into its analyser.
FieldAnalyser& classified(SEXP field, const PatternRequest& request)
{
    if (!Rf_isMatrix(field) || Rf_nrows(field) < 1 || Rf_ncols(field) < 1)
        throw Rcpp::exception("x: expected a matrix with at least one cell, or a tidmar_bed", false);
    const Rcpp::IntegerMatrix codes = TYPEOF(field) == LGLSXP ? Rcpp::IntegerMatrix(field) : wholeMatrix("x", field);
    if (std::find(codes.begin(), codes.end(), NA_INTEGER) != codes.end())
        throw Rcpp::exception("x: expected cell codes, not NA", false);
    FieldAnalyser& analyser = analyserFor(codes.ncol(), codes.nrow());
    analyser.classifyField(static_cast<const std::int32_t*>(codes.begin()), request.cls);
    return analyser;
}

// A value of the summary; an empty one is the NA of its column's type.
SEXP toR(const PatternValue& value, const std::string& column)
{
    return std::visit(
        [&](const auto& held) -> SEXP {
            using T = std::decay_t<decltype(held)>;
            if constexpr (std::is_same_v<T, std::monostate>)
                return column == "best"                        ? Rf_ScalarString(NA_STRING)
                       : column == "xmin" || column == "n_tail" ? Rf_ScalarInteger(NA_INTEGER)
                                                                : Rf_ScalarReal(NA_REAL);
            else if constexpr (std::is_same_v<T, long>)
                return held <= INT_MAX ? Rf_ScalarInteger(static_cast<int>(held))
                                       : Rf_ScalarReal(static_cast<double>(held));
            else
                return Rcpp::wrap(held);
        },
        value);
}

} // namespace

// The summary's values of one field: width, height, cover, ..., plrange, NA
// where a value is empty.
// [[Rcpp::export(rng = false)]]
Rcpp::List field_patterns(SEXP field, std::string cls, Rcpp::List options)
{
    const PatternRequest request = readRequest(cls, options);
    FieldAnalyser& analyser = classified(field, request);
    const auto values = analysePatterns(analyser, request.settings);
    Rcpp::List result(2 + values.size());
    Rcpp::CharacterVector names = {"width", "height"};
    result[0] = Rf_ncols(field);
    result[1] = Rf_nrows(field);
    for (std::size_t i = 0; i < values.size(); ++i) {
        result[2 + i] = toR(values[i], PatternColumns[i]);
        names.push_back(PatternColumns[i]);
    }
    result.names() = names;
    return result;
}

// The sizes of the patches, in the order of each patch's first cell down the
// columns.
// [[Rcpp::export(rng = false)]]
Rcpp::IntegerVector field_patch_sizes(SEXP field, std::string cls, Rcpp::List options)
{
    const PatternRequest request = readRequest(cls, options);
    FieldAnalyser& analyser = classified(field, request);
    analyser.labelOnly(request.settings);
    return Rcpp::IntegerVector(analyser.sizes().begin(), analyser.sizes().end());
}
