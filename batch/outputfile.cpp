#include "outputfile.h"

#include "batcherror.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t BufferSize = 1 << 16;

std::string directoryOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string baseNameOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

OutputFile::OutputFile(std::string optionName, std::string path, bool allowStandardOutput)
    : option(std::move(optionName)), givenPath(std::move(path)), finalPath(givenPath)
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
        throw BatchError(option + ": '" + givenPath + "' names a directory, not a file");

    struct stat status {};
    const bool replacesFile = ::stat(givenPath.c_str(), &status) == 0;
    if (replacesFile) {
        if (S_ISDIR(status.st_mode))
            throw BatchError(option + ": '" + givenPath + "' is a directory");
        if (::access(givenPath.c_str(), W_OK) != 0)
            fail("cannot write", errno);
        // Write through a link into the file it names, not over the link.
        if (char* resolved = ::realpath(givenPath.c_str(), nullptr)) {
            finalPath = resolved;
            std::free(resolved);
        }
        if (!S_ISREG(status.st_mode)) {
            mode = Mode::Direct;
            descriptor = ::open(finalPath.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
            if (descriptor < 0)
                fail("cannot write", errno);
            return;
        }
    }

    const std::string stem = directoryOf(finalPath) + "/." + baseNameOf(finalPath) + "."
                             + std::to_string(::getpid()) + ".";
    for (int attempt = 0; attempt < 100 && descriptor < 0; ++attempt) {
        temporaryPath = stem + std::to_string(attempt) + ".tmp";
        descriptor = ::open(temporaryPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor < 0 && errno != EEXIST)
            break;
    }
    if (descriptor < 0) {
        const int error = errno;
        temporaryPath.clear();
        fail("cannot write", error);
    }
    // A replaced file keeps its permissions.
    if (replacesFile)
        ::fchmod(descriptor, status.st_mode & 07777);
    buffer.reserve(BufferSize);
}

OutputFile::~OutputFile()
{
    if (mode != Mode::StandardOutput)
        closeDescriptor();
    if (!committed && !temporaryPath.empty())
        ::unlink(temporaryPath.c_str());
}

void OutputFile::fail(const std::string& what, int error) const
{
    const std::string name = mode == Mode::StandardOutput ? "standard output" : "'" + givenPath + "'";
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

void OutputFile::commit()
{
    flush();
    if (mode == Mode::StandardOutput) {
        committed = true;
        return;
    }
    if (mode == Mode::Replace && ::fsync(descriptor) != 0)
        fail("cannot write", errno);
    const int closed = ::close(descriptor);
    const int closeError = errno;
    descriptor = -1;
    if (closed != 0)
        fail("cannot write", closeError);
    if (mode == Mode::Replace && ::rename(temporaryPath.c_str(), finalPath.c_str()) != 0)
        fail("cannot write", errno);
    committed = true;
}
