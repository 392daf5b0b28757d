// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "datapackage.h"
#include "descriptor.h"
#include "outputplace.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

class CommitUnit;

// A sweep's summary as it grows: every finished row goes straight to the
// kernel (write, no buffer in the process), so that a kill loses nothing
// written, and to the disk at least every few seconds (fdatasync), so that a
// power cut loses only the last moments. A file summary grows in a hidden
// temporary ".NAME.TOKEN.tmp" beside its name, with the sweep's record in
// ".NAME.TOKEN.plan"; stage() hands them to the command's commit, which puts
// them in place as NAME and NAME.plan. Without stage() or keep() both are
// removed. Standard output and an existing
// non-file (a device, a FIFO) take the rows directly and keep no record.
class SweepJournal {
public:
    // Opens the output for option (messages name it) at path, "-" being
    // standard output. Throws BatchError when it cannot be written.
    SweepJournal(const std::string& option, const std::string& path);
    ~SweepJournal();
    SweepJournal(const SweepJournal&) = delete;
    SweepJournal& operator=(const SweepJournal&) = delete;

    // True when the rows go to a file that a resume can continue.
    bool toFile() const { return rows < 0 || !temporary.empty(); }
    const OutputPlace& place() const { return output; }
    const std::string& path() const { return givenPath; }

    // Starts a new summary: the header, and the record beside it; token, if
    // given, for the temporaries' names.
    void start(const std::string& header, const std::string& record, const std::string& token = {});
    // The token of the temporaries (empty when not a file).
    const std::string& token() const { return ownToken; }
    // Continues the kept summary with token, whose first keptBytes bytes are
    // its header and complete rows; what follows them is cut off.
    void adopt(const std::string& token, std::int64_t keptBytes);

    void append(const std::string& row);
    // Syncs other (a series whose runs' rows come before their rows here)
    // before each sync of this: a row on the disk has its run's series there.
    void syncAfter(SweepJournal& other) { earlier.push_back(&other); }
    // Puts every row written on the disk and leaves the files for a resume.
    void keep();
    // Syncs the summary and hands it and its record to unit as kind; they
    // stay for a resume when the commit fails before it is decided.
    void stage(CommitUnit& unit, OutputKind kind);
    // The same with the whole description (its path is this output's).
    void stage(CommitUnit& unit, WrittenFile description);

private:
    void writeAll(int fd, const std::string& text);
    void sync();
    [[noreturn]] void fail(int error) const;

    std::string option;
    std::string givenPath;
    std::string shown;
    OutputPlace output;
    Descriptor direct;               // standard output or a non-file
    int rows = -1;                   // where rows go
    Descriptor summary;              // the temporary summary
    std::string temporary;           // its name, empty when not a file
    std::string temporaryRecord;
    std::string ownToken;
    bool finished = false;
    std::chrono::steady_clock::time_point lastSync;
    std::vector<SweepJournal*> earlier;
};
