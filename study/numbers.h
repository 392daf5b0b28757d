// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Checked conversions of command-line values. Each returns nothing when the
// whole text is not a valid value in range; no leading or trailing blanks,
// no '+' sign.

// A decimal integer from low to high.
std::optional<std::int64_t> parseInteger(std::string_view text, std::int64_t low, std::int64_t high);

// A probability from 0 to 1 with at most six decimals ("0.3", ".75", "1",
// "0.0005", "1.000"; zeros beyond the sixth decimal are allowed, "0.3000000"),
// as an integer count of millionths 0..1000000. Read digit by digit, never
// through floating point, so "0.3" is exactly 300000.
std::optional<int> parseMillionths(std::string_view text);

// Millionths back into the shortest decimal that parseMillionths reads as
// the same value: 300000 -> "0.3", 500 -> "0.0005", 1000000 -> "1", 0 -> "0".
std::string formatMillionths(int millionths);

// The shortest decimal form that reads back as exactly the same double.
std::string formatRoundTrip(double value);

// A number as an option's text: a whole one as its integer ("100000", never
// "1e+05"), any other in its round-trip form.
std::string formatOptionNumber(double value);
