// SPDX-License-Identifier: GPL-3.0-or-later
#include "variation.h"

#include "batcherror.h"
#include "printable.h"
#include "fastbed.h"
#include "numbers.h"
#include "values.h"

#include <algorithm>
#include <array>
#include <optional>

namespace {

constexpr std::size_t MaxValues = 1000000;  // per --vary

struct NameEntry {
    std::string_view text;
    VaryName name;
};

constexpr std::array<NameEntry, 13> Names = {{
    {"a2", VaryName::A2},
    {"a0", VaryName::A0},
    {"d0", VaryName::D0},
    {"a3", VaryName::A3},
    {"a4", VaryName::A4},
    {"jump", VaryName::Jump},
    {"scheme", VaryName::Scheme},
    {"width", VaryName::Width},
    {"height", VaryName::Height},
    {"boundary", VaryName::Boundary},
    {"long-range", VaryName::LongRange},
    {"pattern", VaryName::Pattern},
    {"steps", VaryName::Steps},
}};

// Names of the choices of the parameters that take names only, by value.
const std::vector<std::string_view>* choices(VaryName name)
{
    static const std::vector<std::string_view> schemes(std::begin(SchemeNames), std::end(SchemeNames));
    static const std::vector<std::string_view> boundaries = {"closed", "periodic"};
    static const std::vector<std::string_view> onOff = {"off", "on"};
    switch (name) {
    case VaryName::Scheme:
        return &schemes;
    case VaryName::Boundary:
        return &boundaries;
    case VaryName::LongRange:
        return &onOff;
    default:
        return nullptr;
    }
}

// The whole-number range of a parameter counted in units, or nothing for a
// probability.
std::optional<std::pair<std::int64_t, std::int64_t>> wholeRange(VaryName name)
{
    switch (name) {
    case VaryName::Jump:
        return std::pair<std::int64_t, std::int64_t>{0, MaxJump};
    case VaryName::Width:
    case VaryName::Height:
        return std::pair<std::int64_t, std::int64_t>{1, FastBed::MaxCells};
    case VaryName::Steps:
        return std::pair<std::int64_t, std::int64_t>{0, 2147483647};
    default:
        return std::nullopt;
    }
}

std::string describe(VaryName name)
{
    if (const auto range = wholeRange(name))
        return "a whole number from " + std::to_string(range->first) + " to " + std::to_string(range->second);
    if (const auto* names = choices(name)) {
        std::string text = "one of ";
        for (std::size_t i = 0; i < names->size(); ++i)
            text += (i == 0 ? "" : ", ") + std::string((*names)[i]);
        return text;
    }
    return ProbabilityExpected;
}

std::optional<int> parseValue(VaryName name, std::string_view text)
{
    if (const auto range = wholeRange(name)) {
        if (const auto value = parseInteger(text, range->first, range->second))
            return static_cast<int>(*value);
        return std::nullopt;
    }
    if (const auto* names = choices(name)) {
        for (std::size_t i = 0; i < names->size(); ++i)
            if (text == (*names)[i])
                return static_cast<int>(i);
        return std::nullopt;
    }
    return parseMillionths(text);
}

std::vector<std::string_view> split(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (true) {
        const auto end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos)
            return parts;
        start = end + 1;
    }
}

} // namespace

std::string_view varyNameText(VaryName name)
{
    for (const NameEntry& entry : Names)
        if (entry.name == name)
            return entry.text;
    return {};
}

std::string varyOption(VaryName name)
{
    return "--" + std::string(varyNameText(name));
}

bool isNumeric(VaryName name)
{
    return name != VaryName::Pattern && !choices(name);
}

std::string valueText(const Variation& variation, int value)
{
    if (variation.name == VaryName::Pattern)
        return patternName(variation.patterns[static_cast<std::size_t>(value)]);
    if (wholeRange(variation.name))
        return std::to_string(value);
    if (const auto* names = choices(variation.name))
        return std::string((*names)[static_cast<std::size_t>(value)]);
    return formatMillionths(value);
}

namespace {

// The variation of the name, with no values yet; option names the source.
Variation startVariation(std::string_view nameText, const std::string& option)
{
    for (const NameEntry& entry : Names)
        if (entry.text == nameText)
            return {entry.name, {}, {}};
    throw BatchError(option + ": " + inQuotes(nameText)
                     + " is not one of a2, a0, d0, a3, a4, jump, scheme, width, height, boundary, "
                       "long-range, pattern, steps");
}

void addValue(Variation& variation, int value, const std::string& context)
{
    if (variation.values.size() == MaxValues)
        throw BatchError(context + "more than " + std::to_string(MaxValues) + " values");
    variation.values.push_back(value);
}

// One item of a list as text: a value or, for numbers, FROM:TO:STEP.
void addItem(Variation& variation, std::string_view item, const std::string& context)
{
    const std::string_view nameText = varyNameText(variation.name);
    if (variation.name == VaryName::Pattern) {
        try {
            variation.patterns.push_back(parsePattern(item));
        } catch (const BatchError& error) {
            throw BatchError(context + error.what());
        }
        addValue(variation, static_cast<int>(variation.patterns.size() - 1), context);
        return;
    }
    const std::vector<std::string_view> bounds = split(item, ':');
    if (bounds.size() == 1) {
        const auto value = parseValue(variation.name, item);
        if (!value)
            throw BatchError(context + inQuotes(item) + " is not " + describe(variation.name));
        addValue(variation, *value, context);
        return;
    }
    if (choices(variation.name))
        throw BatchError(context + inQuotes(item) + ": " + std::string(nameText) + " values are named one by one");
    if (bounds.size() != 3)
        throw BatchError(context + inQuotes(item) + " is not FROM:TO:STEP");
    // A step of whole numbers may exceed the values' own range (width 1:2048:4096).
    const auto from = parseValue(variation.name, bounds[0]);
    const auto to = parseValue(variation.name, bounds[1]);
    std::optional<std::int64_t> step;
    if (wholeRange(variation.name))
        step = parseInteger(bounds[2], 0, 2147483647);
    else if (const auto millionths = parseMillionths(bounds[2]))
        step = *millionths;
    for (int i = 0; i < 3; ++i) {
        const bool valid = i == 0 ? from.has_value() : i == 1 ? to.has_value() : step.has_value();
        if (!valid)
            throw BatchError(context + inQuotes(bounds[static_cast<std::size_t>(i)]) + " in " + inQuotes(item)
                             + " is not " + describe(variation.name));
    }
    const std::int64_t by = step.value_or(0);
    if (by == 0)
        throw BatchError(context + inQuotes(item) + " has a step of 0");
    if (*from > *to)
        throw BatchError(context + inQuotes(item) + " runs downwards: FROM must not exceed TO");
    for (std::int64_t value = *from; value <= *to; value += by)
        addValue(variation, static_cast<int>(value), context);
}

} // namespace

Variation parseVariation(std::string_view text, const std::string& option)
{
    const auto equals = text.find('=');
    if (equals == std::string_view::npos)
        throw BatchError(option + ": " + inQuotes(text) + " is not NAME=LIST");
    const std::string_view nameText = text.substr(0, equals);
    const std::string_view list = text.substr(equals + 1);
    Variation variation = startVariation(nameText, option);
    const std::string context = option + " " + std::string(nameText) + ": ";
    if (list.empty())
        throw BatchError(context + "no values given");
    for (const std::string_view item : split(list, ','))
        addItem(variation, item, context);
    return variation;
}

Variation readVariation(std::string_view key, const std::vector<Value>& values, const std::string& option)
{
    std::string nameText(key);
    std::replace(nameText.begin(), nameText.end(), '_', '-');
    Variation variation = startVariation(nameText, option);
    const std::string name = option + " " + nameText;
    if (values.empty())
        throw BatchError(name + ": no values given");
    for (const Value& value : values) {
        if (const auto* list = std::get_if<std::string>(&value))
            for (const std::string_view item : split(*list, ','))
                addItem(variation, item, name + ": ");
        else if (const auto range = wholeRange(variation.name))
            addValue(variation, static_cast<int>(readWhole(value, range->first, range->second, name)), name + ": ");
        else if (variation.name == VaryName::LongRange)
            addValue(variation, readOnOff(value, name) ? 1 : 0, name + ": ");
        else if (choices(variation.name) || variation.name == VaryName::Pattern)
            throw BatchError(name + ": " + quoted(value) + " is not "
                             + (choices(variation.name) ? describe(variation.name) : "young, line or the name of a CSV file"));
        else
            addValue(variation, readProbability(value, name), name + ": ");
    }
    return variation;
}

void applyVariation(RunConfig& config, const Variation& variation, int value)
{
    switch (variation.name) {
    case VaryName::A2:
        config.a2 = value;
        break;
    case VaryName::A0:
        config.a0 = value;
        break;
    case VaryName::D0:
        config.d0 = value;
        break;
    case VaryName::A3:
        config.a3 = value;
        break;
    case VaryName::A4:
        config.a4 = value;
        break;
    case VaryName::Jump:
        config.jump = value;
        break;
    case VaryName::Scheme:
        config.scheme = value;
        break;
    case VaryName::Width:
        config.width = value;
        break;
    case VaryName::Height:
        config.height = value;
        break;
    case VaryName::Boundary:
        config.periodic = value == 1;
        break;
    case VaryName::LongRange:
        config.longRange = value == 1;
        break;
    case VaryName::Steps:
        config.steps = value;
        break;
    case VaryName::Pattern:
        config.pattern = variation.patterns[static_cast<std::size_t>(value)];
        if (config.pattern.field) {
            config.width = config.pattern.field->width;
            config.height = config.pattern.field->height;
        }
        break;
    }
}

std::vector<std::int64_t> stepCounts(const RunConfig& base, const std::vector<Variation>& variations)
{
    for (const Variation& variation : variations)
        if (variation.name == VaryName::Steps)
            return {variation.values.begin(), variation.values.end()};
    return {base.steps};
}
