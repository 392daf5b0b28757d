// SPDX-License-Identifier: GPL-3.0-or-later
#include "patternrequest.h"

#include "patternoptions.h"

#include <stdexcept>

PatternRequest readPatternRequest(const std::string& classArgument, const std::string& cls,
                                  const std::vector<std::pair<std::string, std::string>>& options,
                                  PatternOptionName nameOf)
{
    PatternRequest request;
    std::string expected;
    if (!parsePatchClass(cls, request.cls, &expected))
        throw std::invalid_argument(classArgument + ": '" + cls + "' is not a class: " + expected);
    for (const auto& [option, text] : options) {
        if (!readPatternOption(option, text, request.settings, &expected))
            throw std::invalid_argument((nameOf ? nameOf(option) : option) + ": '" + text + "' is not " + expected);
    }
    return request;
}

FieldAnalyser& sizedAnalyser(std::unique_ptr<FieldAnalyser>& kept, int rows, int cols)
{
    if (!kept || kept->labeller().rows() != rows || kept->labeller().cols() != cols) {
        kept.reset();
        kept = std::make_unique<FieldAnalyser>(rows, cols);
    }
    return *kept;
}

std::array<PatternValue, PatternColumns.size()> analysePatterns(FieldAnalyser& analyser,
                                                               const PatternSettings& settings)
{
    const FieldMeasures measures = analyser.measure(settings);
    return patternValues(measures, fitSizes(countSizes(analyser.sizes()), settings.fit));
}
