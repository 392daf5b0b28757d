// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

// Text from a file or an argument made safe to print in a message: control
// characters (C0, DEL and the C1 range) and bytes that are not UTF-8 are
// written as \xNN; everything else, including valid multi-byte UTF-8, passes
// unchanged, so that the result can neither act on a terminal nor end a
// message early.
std::string printable(std::string_view text);

// printable(text) in single quotes, as messages quote names and values.
std::string inQuotes(std::string_view text);
