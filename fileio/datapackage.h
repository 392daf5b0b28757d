// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "provenance.h"


#include <cstdint>
#include <string>
#include <vector>

// What an output file holds, for its description in datapackage.json.
enum class OutputKind { Counts, TimeSeries, Summary, Field, FieldPicture, Plot, Record, PatternSummary, PatchSizes,
                        PatchSeries, State };

struct WrittenFile {
    std::string path;  // as written; "-" and devices are not described
    OutputKind kind;
    int fieldWidth = 0;  // Field: the number of columns
    std::vector<std::string> patchClasses = {};  // Summary: the classes of its patch columns
    bool perRun = true;  // PatchSeries: a sweep's, with the run column
};

// The most bytes of a datapackage.json read back: far beyond any the tool
// writes (a resource takes well under a kilobyte).
constexpr std::int64_t MaxDescriptorBytes = std::int64_t{1} << 30;

// A file about to be described: what it holds, its name in its folder and
// the name to read it by now (its temporary before the commit).
struct StagedDescription {
    WrittenFile file;
    std::string name;
    std::string readFrom;
};

// The text of the Frictionless Data descriptor datapackage.json of folder
// (an open directory, shownFolder in messages): one resource per file (path,
// format, bytes, sha256 hash; a Table Schema for each table, a description of
// the codes for a field) and the provenance block. The earlier descriptor's
// resources whose files are still there and not among files stay, each with
// the provenance of the command that wrote it. An earlier descriptor that
// cannot be read whole (no regular file, too large, no JSON object, another
// user's in a folder shared by all) is refused with BatchError, never dropped.
// Laid out as earlier versions wrote it: keys in byte order, four spaces a
// level, empty arrays and objects on two lines.
std::string descriptorText(int folder, const std::string& shownFolder, const std::vector<StagedDescription>& files,
                           const Provenance& provenance);
