// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "enginestate.h"

#include <cstdint>
#include <string>

// A run stopped between two steps, to be continued exactly: the engine's
// whole state, the steps done and the run's seed (for the record).
struct SavedRun {
    EngineState engine;
    std::int64_t step = 0;
    std::int32_t seed = 0;
};

// The state file: the magic "TIDMARST", a format version, the sizes, the
// values in little-endian order and the SHA-256 of all that at the end, so
// that a file of another kind, version or size, or one damaged, is refused.
std::string encodeState(const SavedRun& run);
// Throws BatchError saying why bytes is no state file (what names it).
SavedRun decodeState(const std::string& bytes, const std::string& what);
// Reads and decodes the state file at path (BatchError naming it on
// failure); the file's SHA-256 into *sha256 when given.
SavedRun readStateFile(const std::string& path, std::string* sha256 = nullptr);
