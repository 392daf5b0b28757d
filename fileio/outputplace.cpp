// SPDX-License-Identifier: GPL-3.0-or-later
#include "outputplace.h"

#include "batcherror.h"
#include "printable.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <filesystem>
#include <memory>
#include <system_error>
#include <vector>
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

// Refuses a link planted by another user in a shared directory (see
// resolveOutput).
void refusePlantedLink(const std::string& option, const std::string& path, int directory, const struct stat& link)
{
    struct stat status {};
    if (::fstat(directory, &status) != 0)
        fail(option, path, errno);
    const bool shared = (status.st_mode & S_ISVTX) && (status.st_mode & S_IWOTH);
    if (shared && link.st_uid != ::geteuid() && link.st_uid != status.st_uid)
        throw BatchError(option + ": " + inQuotes(path) + " is a symbolic link owned by another user (uid "
                         + std::to_string(link.st_uid)
                         + ") in a directory shared by all; refusing to write where it points");
}

} // namespace

Descriptor openOutputFolder(const std::string& option, const std::string& path)
{
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/')
        trimmed.pop_back();
    const auto [parentPath, name] = splitPath(trimmed);
    const Descriptor parent = openDirectory(AT_FDCWD, parentPath);
    struct stat entry {};
    if (parent && ::fstatat(parent.get(), name.c_str(), &entry, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(entry.st_mode))
        refusePlantedLink(option, path, parent.get(), entry);
    std::error_code error;
    if (!std::filesystem::exists(trimmed, error) && !std::filesystem::create_directories(trimmed, error) && error)
        throw BatchError(option + ": cannot make the folder " + inQuotes(path) + ": " + error.message());
    Descriptor folder = openDirectory(AT_FDCWD, trimmed);
    if (!folder && errno == ENOTDIR)
        throw BatchError(option + ": " + inQuotes(path) + " is not a folder");
    if (!folder)
        fail(option, path, errno);
    return folder;
}

void removeTemporaries(int directory, const std::string& token)
{
    std::unique_ptr<DIR, int (*)(DIR*)> entries(::fdopendir(::openat(directory, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)), ::closedir);
    if (!entries || !isToken(token))
        return;
    std::vector<std::string> found;
    while (const dirent* entry = ::readdir(entries.get())) {
        const std::string name = entry->d_name;
        for (const std::string& suffix : {"." + token + ".tmp", "." + token + ".plan"})
            if (name.size() > suffix.size() + 1 && name[0] == '.'
                && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
                found.push_back(name);
    }
    for (const std::string& name : found) {
        struct stat status {};
        if (::fstatat(directory, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(status.st_mode)
            && status.st_uid == ::geteuid())
            ::unlinkat(directory, name.c_str(), 0);
    }
}

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
        refusePlantedLink(option, path, place.directory.get(), entry);
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
                       Temporaries& created, const std::string& token)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        created = Temporaries{attempt == 0 && isToken(token) ? token : randomToken(), {}, {}};
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
