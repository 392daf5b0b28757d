// SPDX-License-Identifier: GPL-3.0-or-later
#include "patterncsv.h"

#include "numbers.h"

#include <type_traits>

std::string patternCell(const PatternValue& value)
{
    return std::visit(
        [](const auto& held) -> std::string {
            using T = std::decay_t<decltype(held)>;
            if constexpr (std::is_same_v<T, std::monostate>)
                return {};
            else if constexpr (std::is_same_v<T, long>)
                return std::to_string(held);
            else if constexpr (std::is_same_v<T, double>)
                return formatRoundTrip(held);
            else if constexpr (std::is_same_v<T, bool>)
                return held ? "true" : "false";
            else
                return held;
        },
        value);
}
