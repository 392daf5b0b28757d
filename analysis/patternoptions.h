// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fieldpatterns.h"

#include <string>

// Reads the text of one of the patterns' options into settings, for every
// front end alike: --boundary periodic|closed, --neighbourhood 4|8,
// --coarse-grain S (>= 1), --xmin estimate|N (N >= 1), --min-tail N (>= 1).
// On refusal returns false, and expected says what the value should be, for
// the front end's "OPTION: 'TEXT' is not EXPECTED".
bool readPatternOption(const std::string& option, const std::string& text, PatternSettings& settings,
                       std::string* expected);
