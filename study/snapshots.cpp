// SPDX-License-Identifier: GPL-3.0-or-later
#include "snapshots.h"

#include "batcherror.h"
#include "bed.h"
#include "fieldcsv.h"
#include "outputfile.h"
#include "picturesink.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <system_error>

namespace fs = std::filesystem;

SnapshotWriter::SnapshotWriter(std::string directory, const PictureSink* pictures, int cellSize,
                               bool singleRun)
    : folder(std::move(directory)), pictures(pictures), cellSize(cellSize), singleRun(singleRun)
{
    std::error_code error;
    if (fs::is_directory(folder, error))
        return;
    if (fs::exists(folder, error))
        throw BatchError("--snapshots: '" + folder + "' is not a folder");
    if (!fs::create_directories(folder, error) || error)
        throw BatchError("--snapshots: cannot make the folder '" + folder + "': " + error.message());
    madeFolder = true;
}

SnapshotWriter::~SnapshotWriter()
{
    if (kept)
        return;
    std::error_code error;
    for (const auto& file : files)
        fs::remove(file.second, error);
    if (madeFolder)
        fs::remove(folder, error);  // only when empty
}

void SnapshotWriter::write(std::int64_t run, std::int64_t step, const Bed& bed)
{
    const std::string stem = (fs::path(folder) / ((singleRun ? "" : "run" + std::to_string(run) + "-") + "step"
                                                  + std::to_string(step)))
                                 .string();
    OutputFile field("--snapshots", stem + ".csv", false);
    field.write(fieldCsv(bed));
    std::optional<OutputFile> picture;
    if (pictures) {
        picture.emplace("--snapshots", stem + ".png", false);
        picture->write(pictures->field(bed, cellSize, PictureFormat::Png));
    }
    field.commit();
    std::lock_guard lock(mutex);
    files.push_back({{run, step}, stem + ".csv"});
    if (picture) {
        picture->commit();
        files.push_back({{run, step}, stem + ".png"});
    }
}

void SnapshotWriter::keep()
{
    kept = true;
}

std::vector<std::string> SnapshotWriter::written() const
{
    std::vector<std::pair<std::pair<std::int64_t, std::int64_t>, std::string>> sorted;
    {
        std::lock_guard lock(mutex);
        sorted = files;
    }
    std::sort(sorted.begin(), sorted.end());
    std::vector<std::string> paths;
    for (auto& entry : sorted)
        paths.push_back(std::move(entry.second));
    return paths;
}
