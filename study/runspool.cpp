// SPDX-License-Identifier: GPL-3.0-or-later
#include "runspool.h"

#include "batcherror.h"
#include "inputfile.h"
#include "journal.h"
#include "outputplace.h"
#include "printable.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <vector>
#include <unistd.h>

namespace {

constexpr std::size_t BufferSize = 1 << 16;

// Writes all of text to fd; false (errno set) on failure.
bool writeAll(int fd, const std::string& text)
{
    for (std::size_t done = 0; done < text.size();) {
        const ssize_t written = ::write(fd, text.data() + done, text.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return false;
        done += static_cast<std::size_t>(written);
    }
    return true;
}

} // namespace

class RunSpool::Sink : public SeriesSink {
public:
    Sink(RunSpool& spool, int fd) : spool(spool), fd(fd) { buffer.reserve(BufferSize); }
    void add(std::string_view rows) override
    {
        buffer += rows;
        if (buffer.size() >= BufferSize)
            flush();
    }
    void finish() override { flush(); }

private:
    void flush()
    {
        if (!writeAll(fd, buffer))
            spool.fail(errno);
        buffer.clear();
    }

    RunSpool& spool;
    int fd;
    std::string buffer;
};

RunSpool::RunSpool(int directory, std::string name, std::string token, std::string option)
    : directory(directory), name(std::move(name)), token(std::move(token)), option(std::move(option))
{
    // What a killed sweep with this token left of its runs in progress.
    std::unique_ptr<DIR, int (*)(DIR*)> entries(
        ::fdopendir(::openat(directory, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)), ::closedir);
    const std::string prefix = "." + this->name + ".run";
    const std::string suffix = "." + this->token + ".tmp";
    std::vector<std::string> left;
    while (entries && this->token.size() > 0) {
        const dirent* entry = ::readdir(entries.get());
        if (!entry)
            break;
        const std::string found = entry->d_name;
        if (found.size() > prefix.size() + suffix.size() && found.rfind(prefix, 0) == 0
            && found.compare(found.size() - suffix.size(), suffix.size(), suffix) == 0
            && found.find_first_not_of("0123456789", prefix.size()) == found.size() - suffix.size())
            left.push_back(found);
    }
    for (const std::string& found : left)
        if (openOwnFile(directory, found, O_RDONLY))
            ::unlinkat(directory, found.c_str(), 0);
}

RunSpool::~RunSpool()
{
    for (const auto& [run, file] : files)
        ::unlinkat(directory, file.second.c_str(), 0);
}

void RunSpool::fail(int error) const
{
    throw BatchError(option + ": cannot write beside " + inQuotes(name) + ": " + std::strerror(error));
}

std::unique_ptr<SeriesSink> RunSpool::open(std::int64_t run)
{
    Temporaries created;
    if (!createTemporaries(directory, name + ".run" + std::to_string(run), {".tmp"}, created, token))
        fail(errno);
    const int fd = created.files[0].get();
    {
        std::lock_guard lock(mutex);
        files[run] = {std::move(created.files[0]), created.names[0]};
    }
    return std::make_unique<Sink>(*this, fd);
}

void RunSpool::appendTo(std::int64_t run, SweepJournal& journal)
{
    std::pair<Descriptor, std::string> file;
    {
        std::lock_guard lock(mutex);
        const auto found = files.find(run);
        if (found == files.end())
            return;
        file = std::move(found->second);
        files.erase(found);
    }
    // Read through the open file: its name goes at once.
    ::unlinkat(directory, file.second.c_str(), 0);
    if (::lseek(file.first.get(), 0, SEEK_SET) != 0)
        fail(errno);
    std::string chunk(BufferSize, '\0');
    for (;;) {
        const ssize_t got = ::read(file.first.get(), chunk.data(), chunk.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            fail(errno);
        if (got == 0)
            break;
        journal.append(chunk.substr(0, static_cast<std::size_t>(got)));
    }
}
