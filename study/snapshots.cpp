// SPDX-License-Identifier: GPL-3.0-or-later
#include "snapshots.h"

#include "batcherror.h"
#include "bed.h"
#include "commitunit.h"
#include "outputplace.h"
#include "picturesink.h"
#include "printable.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

SnapshotWriter::SnapshotWriter(const std::string& path, const PictureSink* pictures, int cellSize, bool singleRun)
    : shown(path), madeFolder(::access(path.c_str(), F_OK) != 0), directory(openOutputFolder("--snapshots", path)),
      pictures(pictures), cellSize(cellSize), singleRun(singleRun)
{
}

SnapshotWriter::~SnapshotWriter()
{
    for (const auto& file : files)
        ::unlinkat(directory.get(), std::get<1>(file).c_str(), 0);
    // A folder made for a command that failed goes again (only when empty).
    if (madeFolder && !staged)
        ::rmdir(shown.c_str());
}

void SnapshotWriter::writeFile(const std::string& name, const std::string& data, std::int64_t run,
                               std::int64_t step, int width)
{
    Temporaries created;
    auto fail = [&](int error) {
        throw BatchError("--snapshots: cannot write " + inQuotes(shown + "/" + name) + ": " + std::strerror(error));
    };
    if (!createTemporaries(directory.get(), name, {".tmp"}, created, commandToken))
        fail(errno);
    {
        std::lock_guard lock(mutex);
        files.emplace_back(std::make_tuple(run, step, name), created.names[0], width);
    }
    const int fd = created.files[0].get();
    for (std::size_t done = 0; done < data.size();) {
        const ssize_t written = ::write(fd, data.data() + done, data.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            fail(errno);
        done += static_cast<std::size_t>(written);
    }
    if (::fsync(fd) != 0)
        fail(errno);
}

void SnapshotWriter::write(std::int64_t run, std::int64_t step, const Bed& bed)
{
    const std::string stem = (singleRun ? "" : "run" + std::to_string(run) + "-") + "step" + std::to_string(step);
    writeFile(stem + ".csv", fieldCsv(bed), run, step, bed.cellsX());
    if (pictures)
        writeFile(stem + ".png", pictures->field(bed, cellSize, PictureFormat::Png), run, step, 0);
}

void SnapshotWriter::stage(CommitUnit& unit)
{
    std::lock_guard lock(mutex);
    staged = true;
    std::sort(files.begin(), files.end());
    for (const auto& [key, temporary, width] : files)
        unit.stage(directory.get(), temporary, std::get<2>(key),
                   {std::get<2>(key), width > 0 ? OutputKind::Field : OutputKind::FieldPicture, width});
    files.clear();
}
