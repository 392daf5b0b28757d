// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "descriptor.h"
#include "runoutput.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

class SweepJournal;

// A series (time series or patch sizes) of a sweep's runs on their way to
// its journal: each run writes its rows into its own hidden file
// ".NAME.run<k>.TOKEN.tmp" beside the output as it records them, and the
// writer appends the file to the journal in run order and removes it. So a
// run's series never waits in memory, however long the run or however many
// finished runs wait for an earlier one. Files of runs not appended are removed at destruction.
class RunSpool {
public:
    // directory and name: the output's; token: the command's temporaries'.
    RunSpool(int directory, std::string name, std::string token, std::string option);
    ~RunSpool();
    RunSpool(const RunSpool&) = delete;
    RunSpool& operator=(const RunSpool&) = delete;

    // The sink of run's series (from the run's thread). Throws BatchError.
    std::unique_ptr<SeriesSink> open(std::int64_t run);
    // Appends the finished run's rows to journal and removes its file.
    void appendTo(std::int64_t run, SweepJournal& journal);

private:
    class Sink;
    [[noreturn]] void fail(int error) const;

    int directory;
    std::string name;
    std::string token;
    std::string option;
    std::mutex mutex;
    std::map<std::int64_t, std::pair<Descriptor, std::string>> files;  // run: file, its name
};
