// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "provenance.h"
#include "settings.h"

class PictureSink;

// The one-run command: reads the pattern, opens the outputs, runs the steps
// with the counts written as they come, then writes the final field, picture
// and plot, puts every output in place and describes them in datapackage.json.
// pictures draws the picture, the plot and the snapshots' pictures. Returns
// the exit status; throws BatchError for refused input or output.
int runSingle(RunOptions options, bool progressToTerminal, const Invocation& invocation,
              const PictureSink& pictures);
