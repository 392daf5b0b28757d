// SPDX-License-Identifier: GPL-3.0-or-later
#include "outputfile.h"

#include "batcherror.h"
#include "commitunit.h"
#include "printable.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t BufferSize = 1 << 16;

} // namespace

OutputFile::OutputFile(std::string optionName, std::string path, bool allowStandardOutput,
                       const std::string& token)
    : option(std::move(optionName)), givenPath(std::move(path))
{
    if (givenPath == "-") {
        if (!allowStandardOutput)
            throw BatchError(option + ": cannot write to standard output ('-'); give a file name");
        mode = Mode::StandardOutput;
        descriptor = STDOUT_FILENO;
        return;
    }
    if (givenPath.empty())
        throw BatchError(option + ": the file name is empty");
    if (givenPath.back() == '/')
        throw BatchError(option + ": " + inQuotes(givenPath) + " names a directory, not a file");

    place = resolveOutput(option, givenPath);
    const int directory = place.directory.get();
    if (place.exists) {
        if (S_ISDIR(place.status.st_mode))
            throw BatchError(option + ": " + inQuotes(givenPath) + " is a directory");
        if (!S_ISREG(place.status.st_mode)) {
            mode = Mode::Direct;
            descriptor = ::openat(directory, place.name.c_str(),
                                  O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
            if (descriptor < 0 && errno == ENXIO)
                throw BatchError(option + ": " + inQuotes(givenPath) + " is a FIFO that nobody reads");
            if (descriptor < 0)
                fail("cannot write", errno);
            ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
            return;
        }
        if (::faccessat(directory, place.name.c_str(), W_OK, AT_EACCESS) != 0)
            fail("cannot write", errno);
    }

    Temporaries temporary;
    if (!createTemporaries(directory, place.name, {".tmp"}, temporary, token))
        fail("cannot write", errno);
    temporaryName = temporary.names.front();
    descriptor = temporary.files.front().release();
    // A replaced file keeps its permissions.
    if (place.exists)
        ::fchmod(descriptor, place.status.st_mode & 07777);
    buffer.reserve(BufferSize);
}

OutputFile::~OutputFile()
{
    if (mode != Mode::StandardOutput)
        closeDescriptor();
    if (!committed && !temporaryName.empty())
        ::unlinkat(place.directory.get(), temporaryName.c_str(), 0);
}

void OutputFile::fail(const std::string& what, int error) const
{
    const std::string name = mode == Mode::StandardOutput ? "standard output" : inQuotes(givenPath);
    throw BatchError(option + ": " + what + " " + name + ": " + std::strerror(error));
}

void OutputFile::closeDescriptor()
{
    if (descriptor >= 0)
        ::close(descriptor);
    descriptor = -1;
}

void OutputFile::write(std::string_view data)
{
    if (buffer.size() + data.size() > BufferSize) {
        flush();
        if (data.size() >= BufferSize) {
            writeAll(data.data(), data.size());
            return;
        }
    }
    buffer.append(data);
}

void OutputFile::flush()
{
    writeAll(buffer.data(), buffer.size());
    buffer.clear();
}

void OutputFile::writeAll(const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(descriptor, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            fail("cannot write", errno);
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
}

void OutputFile::stage(CommitUnit& unit, OutputKind kind, int fieldWidth)
{
    stage(unit, WrittenFile{givenPath, kind, fieldWidth});
}

void OutputFile::stage(CommitUnit& unit, WrittenFile description)
{
    flush();
    if (mode == Mode::StandardOutput)
        return;
    if (mode == Mode::Replace && ::fsync(descriptor) != 0)
        fail("cannot write", errno);
    const int closed = ::close(descriptor);
    const int closeError = errno;
    descriptor = -1;
    if (closed != 0)
        fail("cannot write", closeError);
    if (mode == Mode::Replace) {
        committed = true;
        description.path = givenPath;
        unit.stage(place.directory.get(), temporaryName, place.name, description);
    }
}
