#include "variation.h"

#include "batcherror.h"
#include "printable.h"
#include "numbers.h"

#include <array>
#include <optional>

namespace {

constexpr std::size_t MaxValues = 1000000;  // per --vary

struct NameEntry {
    std::string_view text;
    VaryName name;
};

constexpr std::array<NameEntry, 7> Names = {{
    {"a2", VaryName::A2},
    {"a0", VaryName::A0},
    {"d0", VaryName::D0},
    {"a3", VaryName::A3},
    {"a4", VaryName::A4},
    {"jump", VaryName::Jump},
    {"scheme", VaryName::Scheme},
}};

std::string describe(VaryName name)
{
    if (name == VaryName::Jump)
        return "a whole number from 0 to " + std::to_string(MaxJump);
    if (name == VaryName::Scheme)
        return "one of sync, async-uc, async-nrs";
    return "a probability from 0 to 1 with at most three decimals";
}

std::optional<int> parseValue(VaryName name, std::string_view text)
{
    if (name == VaryName::Jump) {
        if (const auto value = parseInteger(text, 0, MaxJump))
            return static_cast<int>(*value);
        return std::nullopt;
    }
    if (name == VaryName::Scheme) {
        for (int scheme = 0; scheme < 3; ++scheme)
            if (text == SchemeNames[scheme])
                return scheme;
        return std::nullopt;
    }
    return parseThousandths(text);
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

Variation parseVariation(std::string_view text)
{
    const auto equals = text.find('=');
    if (equals == std::string_view::npos)
        throw BatchError("--vary: " + inQuotes(text) + " is not NAME=LIST");
    const std::string_view nameText = text.substr(0, equals);
    const std::string_view list = text.substr(equals + 1);

    Variation variation{VaryName::A2, {}};
    bool known = false;
    for (const NameEntry& entry : Names)
        if (entry.text == nameText) {
            variation.name = entry.name;
            known = true;
        }
    if (!known)
        throw BatchError("--vary: " + inQuotes(nameText)
                         + " is not one of a2, a0, d0, a3, a4, jump, scheme");

    const std::string context = "--vary " + std::string(nameText) + ": ";
    if (list.empty())
        throw BatchError(context + "no values given");

    auto add = [&](int value) {
        if (variation.values.size() == MaxValues)
            throw BatchError(context + "more than " + std::to_string(MaxValues) + " values");
        variation.values.push_back(value);
    };
    for (const std::string_view item : split(list, ',')) {
        const std::vector<std::string_view> bounds = split(item, ':');
        if (bounds.size() == 1) {
            const auto value = parseValue(variation.name, item);
            if (!value)
                throw BatchError(context + inQuotes(item) + " is not " + describe(variation.name));
            add(*value);
        } else {
            if (variation.name == VaryName::Scheme)
                throw BatchError(context + inQuotes(item) + ": schemes are named one by one");
            if (bounds.size() != 3)
                throw BatchError(context + inQuotes(item) + " is not FROM:TO:STEP");
            const auto from = parseValue(variation.name, bounds[0]);
            const auto to = parseValue(variation.name, bounds[1]);
            const auto step = parseValue(variation.name, bounds[2]);
            for (int i = 0; i < 3; ++i) {
                const std::optional<int>& bound = i == 0 ? from : i == 1 ? to : step;
                if (!bound)
                    throw BatchError(context + inQuotes(bounds[static_cast<std::size_t>(i)]) + " in "
                                     + inQuotes(item) + " is not " + describe(variation.name));
            }
            if (*step == 0)
                throw BatchError(context + inQuotes(item) + " has a step of 0");
            if (*from > *to)
                throw BatchError(context + inQuotes(item) + " runs downwards: FROM must not exceed TO");
            for (int value = *from; value <= *to; value += *step)
                add(value);
        }
    }
    return variation;
}

void applyVariation(RunConfig& config, VaryName name, int value)
{
    switch (name) {
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
    }
}
