// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "picturesink.h"
#include "provenance.h"

#include <string>
#include <vector>

// tidmar-batch patterns FILE... : the patches, fits and indicators of field
// files (the arguments after "patterns"). Returns the exit status; refusals
// throw BatchError before any output is in place.
int runPatternsCommand(const std::vector<std::string>& arguments, const Invocation& invocation,
                       const PictureSink& pictures);
