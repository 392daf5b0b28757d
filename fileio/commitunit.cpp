// SPDX-License-Identifier: GPL-3.0-or-later
#include "commitunit.h"

#include "batcherror.h"
#include "inputfile.h"
#include "outputplace.h"
#include "printable.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

using nlohmann::json;

namespace {

constexpr const char* RecordSuffix = ".commit";
constexpr std::int64_t MaxRecordBytes = std::int64_t{1} << 30;

// Names are bytes, not always UTF-8: the record holds them in hex.
std::string hex(const std::string& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (const char c : bytes) {
        text += digits[static_cast<unsigned char>(c) >> 4];
        text += digits[static_cast<unsigned char>(c) & 15];
    }
    return text;
}

std::string unhex(const json& value)
{
    const std::string text = value.is_string() ? value.get<std::string>() : std::string();
    std::string bytes;
    auto digit = [](char c) { return c <= '9' ? c - '0' : c - 'a' + 10; };
    for (std::size_t i = 0; i + 1 < text.size(); i += 2)
        bytes += static_cast<char>(digit(text[i]) * 16 + digit(text[i + 1]));
    return bytes;
}

std::string pathOf(int directory)
{
    std::string path(PATH_MAX, '\0');
    const ssize_t length =
        ::readlink(("/proc/self/fd/" + std::to_string(directory)).c_str(), path.data(), path.size());
    if (length <= 0)
        throw BatchError(std::string("cannot name an output folder: ") + std::strerror(errno));
    path.resize(static_cast<std::size_t>(length));
    return path;
}

void writeAll(int fd, const std::string& text, const std::string& shown)
{
    const char* data = text.data();
    std::size_t size = text.size();
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            throw BatchError("cannot write " + inQuotes(shown) + ": " + std::strerror(errno));
        data += written;
        size -= static_cast<std::size_t>(written);
    }
}

// A folder that receives files: held open and locked while the commit runs.
struct Folder {
    int directory = -1;
    std::string path;
    dev_t device = 0;
    ino_t inode = 0;
    Descriptor lock;
    std::vector<StagedDescription> files;
};

// Groups the files' folders (one entry per directory, however reached) in
// the order of their device and inode, and locks them in that order.
void lockFolders(std::vector<Folder>& folders)
{
    std::sort(folders.begin(), folders.end(), [](const Folder& a, const Folder& b) {
        return std::tie(a.device, a.inode) < std::tie(b.device, b.inode);
    });
    for (Folder& folder : folders) {
        folder.lock = Descriptor(::openat(folder.directory, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        while (folder.lock && ::flock(folder.lock.get(), LOCK_EX) != 0 && errno == EINTR) {
        }
    }
}

Folder& folderFor(std::vector<Folder>& folders, int directory)
{
    struct stat status {};
    if (::fstat(directory, &status) != 0)
        throw BatchError(std::string("cannot read an output folder: ") + std::strerror(errno));
    for (Folder& folder : folders)
        if (folder.device == status.st_dev && folder.inode == status.st_ino)
            return folder;
    Folder folder;
    folder.directory = directory;
    folder.path = pathOf(directory);
    folder.device = status.st_dev;
    folder.inode = status.st_ino;
    folders.push_back(std::move(folder));
    return folders.back();
}

// Writes and syncs the folder's new descriptor under a temporary name.
std::string stageDescriptor(const Folder& folder, const Provenance& provenance, const std::string& token = {})
{
    const std::string text = descriptorText(folder.directory, folder.path, folder.files, provenance);
    Temporaries created;
    const std::string shown = folder.path + "/datapackage.json";
    if (!createTemporaries(folder.directory, "datapackage.json", {".tmp"}, created, token))
        throw BatchError("datapackage.json: cannot write " + inQuotes(shown) + ": " + std::strerror(errno));
    try {
        writeAll(created.files[0].get(), text, shown);
        if (::fsync(created.files[0].get()) != 0)
            throw BatchError("datapackage.json: cannot write " + inQuotes(shown) + ": " + std::strerror(errno));
    } catch (...) {
        ::unlinkat(folder.directory, created.names[0].c_str(), 0);
        throw;
    }
    return created.names[0];
}

void renameInto(int directory, const std::string& folder, const std::string& temporary, const std::string& target)
{
    if (::renameat(directory, temporary.c_str(), directory, target.c_str()) != 0)
        throw BatchError("cannot put " + inQuotes(folder + "/" + target) + " in place: " + std::strerror(errno)
                         + "; the same command with --resume (or any command writing it) finishes the commit");
}

json provenanceRecord(const Provenance& provenance)
{
    json commandLine = json::array();
    for (const std::string& word : provenance.invocation.commandLine)
        commandLine.push_back(hex(word));
    json inputs = json::array();
    for (const auto& [path, sha256] : provenance.inputs)
        inputs.push_back(json::array({hex(path), sha256}));
    return json{{"command_line", commandLine},
                {"started_utc", hex(provenance.invocation.startedUtc)},
                {"seed", provenance.seed},
                {"inputs", inputs}};
}

Provenance provenanceFrom(const json& record)
{
    Provenance provenance;
    for (const json& word : record.value("command_line", json::array()))
        provenance.invocation.commandLine.push_back(unhex(word));
    provenance.invocation.startedUtc = unhex(record.value("started_utc", json()));
    provenance.seed = record.value("seed", 0);
    for (const json& input : record.value("inputs", json::array()))
        if (input.is_array() && input.size() == 2 && input[1].is_string())
            provenance.inputs.emplace_back(unhex(input[0]), input[1].get<std::string>());
    return provenance;
}

// Finishes the commit its record (name, beside the first output in
// directory) describes, holding the locks of all its folders; false when
// another command finished it first.
bool rollForward(const json& record, int directory, const std::string& name)
{
    if (!record.is_object() || !record.contains("files") || !record["files"].is_array())
        throw BatchError("a commit record beside the output cannot be read; move it away");
    std::vector<Descriptor> opened;
    std::vector<Folder> folders;
    auto open = [&](const json& path) -> Folder& {
        const std::string folder = unhex(path);
        for (Folder& known : folders)
            if (known.path == folder)
                return known;
        Descriptor opening(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!opening)
            throw BatchError("cannot finish the commit into " + inQuotes(folder) + ": " + std::strerror(errno));
        opened.push_back(std::move(opening));
        return folderFor(folders, opened.back().get());
    };
    for (const json& entry : record["files"])
        open(entry.value("folder", json()));
    for (const json& entry : record.value("descriptors", json::array()))
        open(entry.value("folder", json()));
    folderFor(folders, directory);
    lockFolders(folders);
    struct stat status {};
    if (::fstatat(directory, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0)
        return false;

    for (const json& entry : record["files"]) {
        Folder& folder = open(entry.value("folder", json()));
        const std::string temporary = unhex(entry.value("temporary", json()));
        const std::string target = unhex(entry.value("target", json()));
        if (::fstatat(folder.directory, temporary.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0)
            renameInto(folder.directory, folder.path, temporary, target);
        WrittenFile file{target, static_cast<OutputKind>(entry.value("kind", 0)), entry.value("width", 0)};
        for (const json& cls : entry.value("classes", json::array()))
            file.patchClasses.push_back(unhex(cls));
        file.perRun = entry.value("per_run", true);
        if (::fstatat(folder.directory, target.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(status.st_mode))
            folder.files.push_back({file, target, target});
    }
    for (const json& entry : record.value("descriptors", json::array()))
        ::unlinkat(open(entry.value("folder", json())).directory, unhex(entry.value("temporary", json())).c_str(), 0);
    const Provenance provenance = provenanceFrom(record.value("provenance", json::object()));
    for (const Folder& folder : folders) {
        const std::string temporary = stageDescriptor(folder, provenance);
        renameInto(folder.directory, folder.path, temporary, "datapackage.json");
        ::fsync(folder.directory);
    }
    ::unlinkat(directory, name.c_str(), 0);
    ::fsync(directory);
    return true;
}

} // namespace

CommitUnit::~CommitUnit()
{
    if (decided)
        return;
    for (const Staged& file : staged)
        if (!file.kept)
            ::unlinkat(file.directory->get(), file.temporary.c_str(), 0);
    for (const auto& [directory, name] : descriptorTemporaries)
        ::unlinkat(directory, name.c_str(), 0);
}

void CommitUnit::stage(int directory, const std::string& temporary, const std::string& target,
                       const WrittenFile& file, bool kept)
{
    auto known = std::find_if(directories.begin(), directories.end(),
                              [&](const auto& entry) { return entry.first == directory; });
    if (known == directories.end()) {
        auto copy = std::make_shared<Descriptor>(::fcntl(directory, F_DUPFD_CLOEXEC, 0));
        if (!*copy) {
            const int error = errno;
            ::unlinkat(directory, temporary.c_str(), 0);
            throw BatchError("cannot keep " + inQuotes(target) + ": " + std::strerror(error));
        }
        known = directories.insert(directories.end(), {directory, std::move(copy)});
    }
    staged.push_back({known->second, temporary, target, file, kept});
}

void CommitUnit::commit(const Provenance& provenance, const std::string& token)
{
    if (staged.empty())
        return;
    std::vector<Folder> folders;
    for (const Staged& file : staged)
        folderFor(folders, file.directory->get()).files.push_back({file.file, file.target, file.temporary});
    lockFolders(folders);

    json record{{"provenance", provenanceRecord(provenance)}, {"files", json::array()}, {"descriptors", json::array()}};
    for (const Staged& file : staged) {
        json classes = json::array();
        for (const std::string& cls : file.file.patchClasses)
            classes.push_back(hex(cls));
        record["files"].push_back(json{{"folder", hex(folderFor(folders, file.directory->get()).path)},
                                       {"temporary", hex(file.temporary)},
                                       {"target", hex(file.target)},
                                       {"kind", static_cast<int>(file.file.kind)},
                                       {"width", file.file.fieldWidth},
                                       {"classes", classes},
                                       {"per_run", file.file.perRun}});
    }
    std::vector<std::string> descriptors;
    for (const Folder& folder : folders) {
        descriptors.push_back(stageDescriptor(folder, provenance, token));
        descriptorTemporaries.emplace_back(folder.directory, descriptors.back());
        record["descriptors"].push_back(json{{"folder", hex(folder.path)}, {"temporary", hex(descriptors.back())}});
    }

    const Staged& first = staged.front();
    Temporaries marker;
    if (!createTemporaries(first.directory->get(), first.target, {RecordSuffix}, marker, token))
        throw BatchError("cannot write the commit record beside " + inQuotes(first.target) + ": "
                         + std::strerror(errno));
    try {
        writeAll(marker.files[0].get(), record.dump() + "\n", marker.names[0]);
        if (::fsync(marker.files[0].get()) != 0 || ::fsync(first.directory->get()) != 0)
            throw BatchError("cannot write the commit record beside " + inQuotes(first.target) + ": "
                             + std::strerror(errno));
    } catch (...) {
        ::unlinkat(first.directory->get(), marker.names[0].c_str(), 0);
        throw;
    }
    decided = true;

    for (const Staged& file : staged)
        renameInto(file.directory->get(), folderFor(folders, file.directory->get()).path, file.temporary, file.target);
    for (std::size_t i = 0; i < folders.size(); ++i)
        renameInto(folders[i].directory, folders[i].path, descriptors[i], "datapackage.json");
    for (const Folder& folder : folders)
        ::fsync(folder.directory);
    ::unlinkat(first.directory->get(), marker.names[0].c_str(), 0);
    ::fsync(first.directory->get());
}

bool rollForwardCommits(int directory, const std::string& name)
{
    std::unique_ptr<DIR, int (*)(DIR*)> entries(::fdopendir(::openat(directory, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)), ::closedir);
    if (!entries)
        return false;
    const std::string prefix = "." + name + ".";
    const std::string suffix = RecordSuffix;
    std::vector<std::string> records;
    while (const dirent* entry = ::readdir(entries.get())) {
        const std::string found = entry->d_name;
        if (found.size() > prefix.size() + suffix.size() && found.rfind(prefix, 0) == 0
            && found.compare(found.size() - suffix.size(), suffix.size(), suffix) == 0
            && isToken(found.substr(prefix.size(), found.size() - prefix.size() - suffix.size())))
            records.push_back(found);
    }
    bool finished = false;
    for (const std::string& found : records) {
        json record;
        {
            // Under the folder's lock no commit is under way there: a record
            // found is one that a kill or a power cut stopped.
            std::vector<Folder> first;
            folderFor(first, directory);
            lockFolders(first);
            const Descriptor file = openOwnFile(directory, found, O_RDONLY);
            if (!file)
                continue;
            record = json::parse(readAll(file.get(), MaxRecordBytes, inQuotes(found)), nullptr, false);
            // A record cut short was never synced: its commit was not decided.
            if (record.is_discarded()) {
                ::unlinkat(directory, found.c_str(), 0);
                ::fsync(directory);
                continue;
            }
        }
        // Its folders are locked in order with the first unlocked again, so
        // that two commands never wait for each other.
        try {
            finished = rollForward(record, directory, found) || finished;
        } catch (const json::exception&) {
            throw BatchError("the commit record " + inQuotes(found) + " cannot be read; move it away");
        }
    }
    return finished;
}
