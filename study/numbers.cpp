// SPDX-License-Identifier: GPL-3.0-or-later
#include "numbers.h"

#include <charconv>
#include <cmath>

std::optional<std::int64_t> parseInteger(std::string_view text, std::int64_t low, std::int64_t high)
{
    std::int64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end || value < low || value > high)
        return std::nullopt;
    return value;
}

namespace {

bool allDigits(std::string_view text)
{
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

} // namespace

std::optional<int> parseMillionths(std::string_view text)
{
    std::string_view whole = text;
    std::string_view fraction;
    if (const auto point = text.find('.'); point != std::string_view::npos) {
        whole = text.substr(0, point);
        fraction = text.substr(point + 1);
    }
    if (whole.empty() && fraction.empty())
        return std::nullopt;
    if (!allDigits(whole) || !allDigits(fraction))
        return std::nullopt;

    // Digits past the sixth decimal may only be zeros.
    for (std::size_t i = 6; i < fraction.size(); ++i)
        if (fraction[i] != '0')
            return std::nullopt;

    while (!whole.empty() && whole.front() == '0')
        whole.remove_prefix(1);
    if (whole.size() > 1 || (whole.size() == 1 && whole[0] != '1'))
        return std::nullopt;

    int value = whole.empty() ? 0 : 1000000;
    int scale = 100000;
    for (std::size_t i = 0; i < fraction.size() && i < 6; ++i, scale /= 10)
        value += (fraction[i] - '0') * scale;
    if (value > 1000000)
        return std::nullopt;
    return value;
}

std::string formatMillionths(int millionths)
{
    if (millionths % 1000000 == 0)
        return std::to_string(millionths / 1000000);
    std::string digits = std::to_string(1000000 + millionths % 1000000).substr(1);
    while (digits.back() == '0')
        digits.pop_back();
    return std::to_string(millionths / 1000000) + "." + digits;
}

std::string formatRoundTrip(double value)
{
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string formatOptionNumber(double value)
{
    if (std::fabs(value) < 1e15 && value == std::trunc(value))
        return std::to_string(static_cast<std::int64_t>(value));
    return formatRoundTrip(value);
}
