// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "bed.h"
#include "settings.h"
#include "runconfig.h"
#include "variation.h"

#include <memory>
#include <set>
#include <string>

class LiveBed;
struct SavedRun;

// Reads a file pattern into model.config.pattern.field and takes the field's
// size from it. A --width or --height given as well must match the file.
// Throws BatchError ("--pattern: ...").
void loadPattern(ModelOptions& model);

// loadPattern for a sweep, and the files of a --vary pattern as well: each
// gives its runs its size, so --width, --height and --vary width/height are
// refused beside a file that does not match or any file at all.
void loadPatterns(ModelOptions& model, std::vector<Variation>& variations);

// A field set up for config exactly as the desktop program sets up its own:
// the seed, the parameters through the control setters, then the start
// pattern (a file pattern must have been read by loadPattern). In exact mode
// a MusselBed; in fast mode a FastBed whose synchronous steps are shared by
// threads (1 .. MaxThreads), which change its speed and nothing else.
std::unique_ptr<Bed> makeBed(const RunConfig& config, int threads = 1);

// A bed that goes on from saved as the saved bed would have: config takes
// its size, mode, seed and (unless given) scheme from it, and of the
// parameters only those whose options given names (such as "--d0") replace
// the saved ones, as the desktop's controls change a bed between two steps.
// Throws BatchError when the state does not fit its engine.
std::unique_ptr<LiveBed> continueBed(const SavedRun& saved, RunConfig& config, const std::set<std::string>& given,
                                 int threads = 1);
