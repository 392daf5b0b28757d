// SPDX-License-Identifier: GPL-3.0-or-later
#include "inputfile.h"

#include "batcherror.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

std::string kindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return "a directory";
    if (S_ISFIFO(mode))
        return "a FIFO";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "a device";
    if (S_ISSOCK(mode))
        return "a socket";
    return "not a regular file";
}

void clearNonblocking(int fd)
{
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
}

} // namespace

Descriptor openInput(const std::string& path, std::int64_t maxBytes, const std::string& what)
{
    if (path == "-")
        return Descriptor(::dup(STDIN_FILENO));
    Descriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!file)
        throw BatchError("cannot read " + what + ": " + std::strerror(errno));
    struct stat status {};
    if (::fstat(file.get(), &status) != 0)
        throw BatchError("cannot read " + what + ": " + std::strerror(errno));
    if (!S_ISREG(status.st_mode))
        throw BatchError(what + " is " + kindOf(status.st_mode) + "; give a regular file");
    if (status.st_size > maxBytes)
        throw BatchError(what + " has " + std::to_string(status.st_size) + " bytes, more than "
                         + std::to_string(maxBytes) + ", the most it can have");
    clearNonblocking(file.get());
    return file;
}

Descriptor openOwnFile(int directory, const std::string& name, int flags)
{
    Descriptor file(::openat(directory, name.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat status {};
    if (!file || ::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode) || status.st_uid != ::geteuid())
        return {};
    clearNonblocking(file.get());
    return file;
}

std::string readAll(int fd, std::int64_t maxBytes, const std::string& what)
{
    std::string text;
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            throw BatchError("cannot read " + what + ": " + std::strerror(errno));
        }
        if (got == 0)
            return text;
        if (static_cast<std::int64_t>(text.size()) + got > maxBytes)
            throw BatchError(what + " has more than " + std::to_string(maxBytes) + " bytes, the most it can have");
        text.append(buffer, static_cast<std::size_t>(got));
    }
}
