// SPDX-License-Identifier: GPL-3.0-or-later
#include "patternsummary.h"

#include <algorithm>

namespace {

template <typename T>
PatternValue optional(const std::optional<T>& value)
{
    if (!value)
        return {};
    return *value;
}

} // namespace

std::array<PatternValue, 11> fitValues(const SizeFits& fits)
{
    return {
        optional(fits.xmin),      optional(fits.nTail),     optional(fits.plAlpha),   optional(fits.plLoglik),
        optional(fits.tplAlpha),  optional(fits.tplLambda), optional(fits.tplLoglik), optional(fits.expLambda),
        optional(fits.expLoglik), fits.best.empty() ? PatternValue{} : PatternValue{fits.best},
        optional(fits.plrange),
    };
}

std::array<PatternValue, PatternColumns.size()> patternValues(const FieldMeasures& field, const SizeFits& fits)
{
    std::array<PatternValue, PatternColumns.size()> values = {
        field.cover,          field.patches, optional(field.meanSize), field.maxSize,
        field.spans,          optional(field.variance), optional(field.skewness), optional(field.moran),
    };
    const auto fitted = fitValues(fits);
    std::copy(fitted.begin(), fitted.end(), values.begin() + 8);
    return values;
}
