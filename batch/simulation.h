#pragma once

#include "options.h"
#include "runconfig.h"

#include <memory>

class MusselBed;

// Reads a file pattern into model.config.pattern.field and takes the field's
// size from it. A --width or --height given as well must match the file.
// Throws BatchError ("--pattern: ...").
void loadPattern(ModelOptions& model);

// A field set up for config exactly as the desktop program sets up its own:
// the seed, the parameters through the control setters, then the start
// pattern (a file pattern must have been read by loadPattern).
std::unique_ptr<MusselBed> makeBed(const RunConfig& config);
