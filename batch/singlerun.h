#pragma once

#include "options.h"

// The one-run command: reads the pattern, opens the outputs, runs the steps
// with the counts written as they come, then writes the final field and
// picture and puts every output in place. Returns the exit status; throws
// BatchError for refused input or output.
int runSingle(RunOptions options, bool progressToTerminal);
