// SPDX-License-Identifier: GPL-3.0-or-later
#include "patternoptions.h"

#include <charconv>
#include <climits>

namespace {

bool readWhole(const std::string& text, long& value)
{
    const char* last = text.data() + text.size();
    const auto [stop, problem] = std::from_chars(text.data(), last, value);
    return !text.empty() && problem == std::errc() && stop == last;
}

} // namespace

bool readPatternOption(const std::string& option, const std::string& text, PatternSettings& settings,
                       std::string* expected)
{
    std::string wanted;
    long value = 0;
    if (option == "--boundary") {
        if (text == "periodic" || text == "closed") {
            settings.periodic = text == "periodic";
            return true;
        }
        wanted = "periodic or closed";
    } else if (option == "--neighbourhood") {
        if (text == "4" || text == "8") {
            settings.neighbourhood = text == "4" ? 4 : 8;
            return true;
        }
        wanted = "4 or 8";
    } else if (option == "--coarse-grain") {
        if (readWhole(text, value) && value >= 1 && value <= INT_MAX) {
            settings.coarseGrain = static_cast<int>(value);
            return true;
        }
        wanted = "a whole number of cells, at least 1";
    } else if (option == "--xmin") {
        if (text == "estimate") {
            settings.fit.xmin = 0;
            return true;
        }
        if (readWhole(text, value) && value >= 1) {
            settings.fit.xmin = value;
            return true;
        }
        wanted = "estimate or a whole number of cells, at least 1";
    } else if (option == "--min-tail") {
        if (readWhole(text, value) && value >= 1) {
            settings.fit.minTail = value;
            return true;
        }
        wanted = "a whole number of patches, at least 1";
    } else {
        wanted = "an option of the patterns";
    }
    if (expected)
        *expected = wanted;
    return false;
}
