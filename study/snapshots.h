// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <mutex>
#include <utility>
#include <string>
#include <vector>

class Bed;
class PictureSink;

// Writes fields into a folder as run<k>-step<s>.csv (a single run's as
// step<s>.csv), each with a PNG picture of the same name drawn by pictures
// when that is given.
// The folder is made when missing; what was written is removed again unless
// keep() is called, so that a failed command leaves no snapshots behind.
class SnapshotWriter {
public:
    // Throws BatchError when the folder cannot be made.
    SnapshotWriter(std::string directory, const PictureSink* pictures, int cellSize, bool singleRun);
    ~SnapshotWriter();
    SnapshotWriter(const SnapshotWriter&) = delete;
    SnapshotWriter& operator=(const SnapshotWriter&) = delete;

    // May be called from several threads at once.
    void write(std::int64_t run, std::int64_t step, const Bed& bed);
    void keep();

    const std::string& directory() const { return folder; }
    // The paths written so far, by run and step.
    std::vector<std::string> written() const;

private:
    std::string folder;
    const PictureSink* pictures;
    int cellSize;
    bool singleRun;
    bool madeFolder = false;
    bool kept = false;
    mutable std::mutex mutex;
    std::vector<std::pair<std::pair<std::int64_t, std::int64_t>, std::string>> files;  // (run, step), path
};
