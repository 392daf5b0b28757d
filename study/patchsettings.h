// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings.h"

#include <string>

// Reads a setting of the patches given as text, for the command line
// (--patch-class, --patterns-every, --neighbourhood, --coarse-grain, --xmin,
// --min-tail) and Python alike; option names the option as the front end
// spells it in messages. Returns false for any other option; throws
// BatchError for a refused value.
bool setPatchSetting(RecordOptions& record, const std::string& option, const std::string& text,
                     const std::string& name);

// Gives patches the default classes, gap and mussel, when some setting of the
// patches was given without --patch-class.
void completePatchSettings(RecordOptions& record);
