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

// A probability from 0 to 1 with at most three decimals ("0.3", ".75", "1",
// "0.005", "1.000"; zeros beyond the third decimal are allowed, "0.3000"),
// as an integer count of thousandths 0..1000. Read digit by digit, never
// through floating point, so "0.3" is exactly 300.
std::optional<int> parseThousandths(std::string_view text);

// Thousandths back into the shortest decimal that parseThousandths reads as
// the same value: 300 -> "0.3", 5 -> "0.005", 1000 -> "1", 0 -> "0".
std::string formatThousandths(int thousandths);

// The shortest decimal form that reads back as exactly the same double.
std::string formatRoundTrip(double value);

// A number as an option's text: a whole one as its integer ("100000", never
// "1e+05"), any other in its round-trip form.
std::string formatOptionNumber(double value);
