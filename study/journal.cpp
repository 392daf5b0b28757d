// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal.h"

#include "batcherror.h"
#include "commitunit.h"
#include "inputfile.h"
#include "printable.h"
#include "sweeprecord.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Longest time a finished row may stay only in the page cache.
constexpr auto SyncInterval = std::chrono::seconds(2);

} // namespace

SweepJournal::SweepJournal(const std::string& optionName, const std::string& path)
    : option(optionName), givenPath(path), shown(path == "-" ? std::string("standard output") : inQuotes(path))
{
    if (path == "-") {
        rows = STDOUT_FILENO;
        return;
    }
    if (path.back() == '/')
        throw BatchError(option + ": " + shown + " names a directory, not a file");
    output = resolveOutput(option, path);
    if (output.exists && S_ISDIR(output.status.st_mode))
        throw BatchError(option + ": " + shown + " is a directory");
    if (output.exists && !S_ISREG(output.status.st_mode)) {
        direct = Descriptor(::openat(output.directory.get(), output.name.c_str(),
                                     O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        if (!direct && errno == ENXIO)
            throw BatchError(option + ": " + shown + " is a FIFO that nobody reads");
        if (!direct)
            fail(errno);
        ::fcntl(direct.get(), F_SETFL, ::fcntl(direct.get(), F_GETFL) & ~O_NONBLOCK);
        rows = direct.get();
        return;
    }
    if (output.exists && ::faccessat(output.directory.get(), output.name.c_str(), W_OK, AT_EACCESS) != 0)
        fail(errno);
}

SweepJournal::~SweepJournal()
{
    if (finished || temporary.empty())
        return;
    ::unlinkat(output.directory.get(), temporary.c_str(), 0);
    ::unlinkat(output.directory.get(), temporaryRecord.c_str(), 0);
}

void SweepJournal::fail(int error) const
{
    throw BatchError(option + ": cannot write " + shown + ": " + std::strerror(error));
}

void SweepJournal::writeAll(int fd, const std::string& text)
{
    const char* data = text.data();
    std::size_t size = text.size();
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            fail(errno);
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
}

void SweepJournal::start(const std::string& header, const std::string& record, const std::string& token)
{
    if (rows >= 0) {
        writeAll(rows, header);
        return;
    }
    Temporaries created;
    if (!createTemporaries(output.directory.get(), output.name, {".tmp", ".plan"}, created, token))
        fail(errno);
    ownToken = created.token;
    temporary = created.names[0];
    temporaryRecord = created.names[1];
    summary = std::move(created.files[0]);
    rows = summary.get();
    if (output.exists)
        ::fchmod(rows, output.status.st_mode & 07777);
    writeAll(created.files[1].get(), record);
    writeAll(rows, header);
    // Both names and their first bytes survive a power cut: without them a
    // resume would not find the rows that follow.
    if (::fsync(created.files[1].get()) != 0 || ::fsync(rows) != 0)
        fail(errno);
    ::fsync(output.directory.get());
    lastSync = std::chrono::steady_clock::now();
}

void SweepJournal::adopt(const std::string& token, std::int64_t keptBytes)
{
    ownToken = token;
    temporary = temporaryName(output.name, token, ".tmp");
    temporaryRecord = temporaryName(output.name, token, ".plan");
    summary = openOwnFile(output.directory.get(), temporary, O_WRONLY);
    if (!summary)
        fail(errno);
    rows = summary.get();
    if (::ftruncate(rows, keptBytes) != 0 || ::lseek(rows, keptBytes, SEEK_SET) < 0 || ::fsync(rows) != 0)
        fail(errno);
    lastSync = std::chrono::steady_clock::now();
}

void SweepJournal::append(const std::string& row)
{
    writeAll(rows, row);
    if (!temporary.empty() && std::chrono::steady_clock::now() - lastSync >= SyncInterval)
        sync();
}

void SweepJournal::sync()
{
    for (SweepJournal* other : earlier)
        if (!other->temporary.empty())
            other->sync();
    if (::fdatasync(rows) != 0)
        fail(errno);
    lastSync = std::chrono::steady_clock::now();
}

void SweepJournal::keep()
{
    if (!temporary.empty())
        sync();
    finished = true;
}

void SweepJournal::stage(CommitUnit& unit, OutputKind kind)
{
    stage(unit, WrittenFile{givenPath, kind});
}

void SweepJournal::stage(CommitUnit& unit, WrittenFile description)
{
    finished = true;
    if (temporary.empty())
        return;
    if (::fsync(rows) != 0)
        fail(errno);
    summary.reset();
    const int directory = output.directory.get();
    description.path = givenPath;
    unit.stage(directory, temporary, output.name, description, true);
    unit.stage(directory, temporaryRecord, recordName(output.name), {recordName(givenPath), OutputKind::Record}, true);
}
