// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "descriptor.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

class Bed;
class CommitUnit;
class PictureSink;

// Writes fields into a folder as run<k>-step<s>.csv (a single run's as
// step<s>.csv), each with a PNG picture of the same name drawn by pictures
// when that is given. The folder is made when missing. Each file is written
// and synced under a temporary name and put in place only by the command's
// commit (stage); until then an earlier file of that name stays, and what
// is not staged is removed again (and the folder, when made for it), so
// that a failed command leaves the folder as it found it.
class SnapshotWriter {
public:
    // Throws BatchError when the folder cannot be made or opened.
    SnapshotWriter(const std::string& directory, const PictureSink* pictures, int cellSize, bool singleRun);
    ~SnapshotWriter();
    SnapshotWriter(const SnapshotWriter&) = delete;
    SnapshotWriter& operator=(const SnapshotWriter&) = delete;

    // The token of the command's temporaries (see createTemporaries).
    void useToken(const std::string& token) { commandToken = token; }
    // May be called from several threads at once. Throws BatchError.
    void write(std::int64_t run, std::int64_t step, const Bed& bed);
    // Hands every file written to unit, by run and step.
    void stage(CommitUnit& unit);

    int folder() const { return directory.get(); }

private:
    void writeFile(const std::string& name, const std::string& data, std::int64_t run, std::int64_t step,
                   int width);

    std::string shown;
    bool madeFolder;
    bool staged = false;
    Descriptor directory;
    const PictureSink* pictures;
    int cellSize;
    bool singleRun;
    std::string commandToken;
    mutable std::mutex mutex;
    // (run, step, name), temporary, field width (0: a picture)
    std::vector<std::tuple<std::tuple<std::int64_t, std::int64_t, std::string>, std::string, int>> files;
};
