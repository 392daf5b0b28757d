// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "provenance.h"

#include <nlohmann/json_fwd.hpp>

#include <string>
#include <vector>

// What an output file holds, for its description in datapackage.json.
enum class OutputKind { Counts, TimeSeries, Summary, Field, FieldPicture, Plot, PatternSummary, PatchSizes, PatchSeries, State };

struct WrittenFile {
    std::string path;  // as written; "-" and devices are not described
    OutputKind kind;
    int fieldWidth = 0;  // Field: the number of columns
    std::vector<std::string> patchClasses = {};  // Summary: the classes of its patch columns
    bool perRun = true;  // PatchSeries: a sweep's, with the run column
};

// The Frictionless Data descriptor of the files of one folder: one resource
// per file (path, format, bytes, sha256 hash; a Table Schema for each CSV with
// every column's name, type and description) and the provenance block.
nlohmann::json dataPackage(const std::vector<WrittenFile>& files, const std::string& folder,
                        const Provenance& provenance);

// Writes datapackage.json into every folder that received a file, through
// OutputFile. Resources of an earlier descriptor there whose files still
// exist and were not written now are kept, each with the provenance of the
// command that wrote it. Throws BatchError when a descriptor cannot be written.
// The JSON is laid out as earlier versions wrote it: keys in byte order, four
// spaces a level, empty arrays and objects on two lines.
void writeDataPackages(const std::vector<WrittenFile>& files, const Provenance& provenance);
