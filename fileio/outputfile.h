// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "datapackage.h"
#include "outputplace.h"

#include <string>
#include <string_view>

class CommitUnit;

// An output that never leaves a half-written file under its name. A regular
// file is written to a temporary file with an unpredictable name in the same
// directory, opened at construction so that an unwritable place is found
// before any work is done, and put in place with the command's other outputs
// by the CommitUnit it is staged in; without that the temporary is removed. Links are followed as resolveOutput
// says. "-" (where the option allows it) is standard output; an existing
// non-regular file such as /dev/null is written directly, and a FIFO that
// nobody reads is refused rather than waited on.
class OutputFile {
public:
    // option names the command-line option in messages ("--counts").
    // Throws BatchError when the output cannot be opened.
    // token: that of the command's other temporaries, when it has one.
    OutputFile(std::string option, std::string path, bool allowStandardOutput, const std::string& token = {});
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    void write(std::string_view data);
    // Flushes, syncs and closes, and hands a file's temporary to unit to be
    // put in place with the command's other outputs, described as kind
    // (fieldWidth for a field); standard output and a device are done here.
    void stage(CommitUnit& unit, OutputKind kind, int fieldWidth = 0);
    // The same with the whole description (its path is this file's).
    void stage(CommitUnit& unit, WrittenFile description);

    bool isStandardOutput() const { return mode == Mode::StandardOutput; }
    const std::string& path() const { return givenPath; }

private:
    enum class Mode { Replace, Direct, StandardOutput };

    void flush();
    void writeAll(const char* data, std::size_t size);
    void closeDescriptor();
    [[noreturn]] void fail(const std::string& what, int error) const;

    std::string option;
    std::string givenPath;
    OutputPlace place;          // Replace and Direct
    std::string temporaryName;  // Replace only, in place.directory
    Mode mode = Mode::Replace;
    int descriptor = -1;
    bool committed = false;
    std::string buffer;
};
