// SPDX-License-Identifier: GPL-3.0-or-later
#include "outputplace.h"

#include "batcherror.h"
#include "printable.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/random.h>
#include <unistd.h>

namespace {

constexpr int MaxLinks = 40;  // as the kernel allows
constexpr std::size_t TokenLength = 12;
constexpr char TokenAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

[[noreturn]] void fail(const std::string& option, const std::string& path, int error)
{
    throw BatchError(option + ": cannot write " + inQuotes(path) + ": " + std::strerror(error));
}

// Splits at the last slash: the directory ("." for none) and the name.
std::pair<std::string, std::string> splitPath(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return {".", path};
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

Descriptor openDirectory(int at, const std::string& path)
{
    return Descriptor(::openat(at, path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

std::string randomToken()
{
    unsigned char bytes[TokenLength];
    std::size_t got = 0;
    while (got < sizeof bytes) {
        const ssize_t n = ::getrandom(bytes + got, sizeof bytes - got, 0);
        if (n <= 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    // Without getrandom (never on a current kernel) the clock varies the name;
    // O_EXCL still guards against a taken one.
    auto fallback = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    std::string token;
    for (std::size_t i = 0; i < TokenLength; ++i) {
        const unsigned value = i < got ? bytes[i] : static_cast<unsigned>((fallback >>= 5) ^ ::getpid());
        token.push_back(TokenAlphabet[value % (sizeof TokenAlphabet - 1)]);
    }
    return token;
}

} // namespace

OutputPlace resolveOutput(const std::string& option, const std::string& path)
{
    auto [directoryPath, name] = splitPath(path);
    if (name.empty() || name == "." || name == "..")
        throw BatchError(option + ": " + inQuotes(path) + " names a directory, not a file");
    OutputPlace place;
    place.directory = openDirectory(AT_FDCWD, directoryPath);
    if (!place.directory)
        fail(option, path, errno);
    for (int links = 0;; ++links) {
        struct stat entry {};
        if (::fstatat(place.directory.get(), name.c_str(), &entry, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno != ENOENT)
                fail(option, path, errno);
            place.name = name;
            return place;
        }
        if (!S_ISLNK(entry.st_mode)) {
            place.name = name;
            place.exists = true;
            place.status = entry;
            return place;
        }
        if (links == MaxLinks)
            fail(option, path, ELOOP);
        struct stat directory {};
        if (::fstat(place.directory.get(), &directory) != 0)
            fail(option, path, errno);
        const bool shared = (directory.st_mode & S_ISVTX) && (directory.st_mode & S_IWOTH);
        if (shared && entry.st_uid != ::geteuid() && entry.st_uid != directory.st_uid)
            throw BatchError(option + ": " + inQuotes(path) + " is a symbolic link owned by another user (uid "
                             + std::to_string(entry.st_uid)
                             + ") in a directory shared by all; refusing to write where it points");
        std::string target(static_cast<std::size_t>(PATH_MAX), '\0');
        const ssize_t length = ::readlinkat(place.directory.get(), name.c_str(), target.data(), target.size());
        if (length <= 0)
            fail(option, path, length == 0 ? ENOENT : errno);
        target.resize(static_cast<std::size_t>(length));
        auto [targetDirectory, targetName] = splitPath(target);
        if (targetName.empty() || targetName == "." || targetName == "..")
            throw BatchError(option + ": " + inQuotes(path) + " is a link to a directory, not to a file");
        if (targetDirectory != ".") {
            Descriptor next = openDirectory(place.directory.get(), targetDirectory);
            if (!next)
                fail(option, path, errno);
            place.directory = std::move(next);
        }
        name = targetName;
    }
}

std::string temporaryName(const std::string& name, const std::string& token, const char* suffix)
{
    return "." + name + "." + token + suffix;
}

bool isToken(const std::string& text)
{
    return text.size() == TokenLength && text.find_first_not_of(TokenAlphabet) == std::string::npos;
}

bool createTemporaries(int directory, const std::string& name, std::initializer_list<const char*> suffixes,
                       Temporaries& created)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        created = Temporaries{randomToken(), {}, {}};
        bool taken = false;
        for (const char* suffix : suffixes) {
            const std::string temporary = temporaryName(name, created.token, suffix);
            Descriptor file(::openat(directory, temporary.c_str(),
                                     O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
            if (!file) {
                const int error = errno;
                for (const std::string& made : created.names)
                    ::unlinkat(directory, made.c_str(), 0);
                if (error != EEXIST) {
                    errno = error;
                    return false;
                }
                taken = true;
                break;
            }
            created.names.push_back(temporary);
            created.files.push_back(std::move(file));
        }
        if (!taken)
            return true;
    }
    errno = EEXIST;
    return false;
}
