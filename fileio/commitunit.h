// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "datapackage.h"
#include "descriptor.h"
#include "provenance.h"

#include <memory>
#include <string>
#include <vector>

// The outputs of one command, put in place as one. Each output is written
// and synced under a temporary name first and staged here; commit() then
//  1. locks every folder that receives a file (in one order, so that two
//     commands cannot wait for each other),
//  2. writes and syncs each folder's new datapackage.json under a temporary
//     name, describing the files by their temporaries,
//  3. writes and syncs a commit record ".FIRST.TOKEN.commit" beside the first
//     output naming every temporary and its target: from here on the commit
//     is decided,
//  4. renames every file into place, then each descriptor, syncs the
//     folders, removes the commit record and unlocks.
// A kill before step 3 leaves every earlier file as it was (the temporaries
// are removed, or left for a resume where the caller keeps them); a kill
// after it is finished by rollForwardCommits, which the next command on the
// first output calls. Nothing an earlier command wrote is ever removed.
class CommitUnit {
public:
    CommitUnit() = default;
    ~CommitUnit();
    CommitUnit(const CommitUnit&) = delete;
    CommitUnit& operator=(const CommitUnit&) = delete;

    // Takes over the finished and synced temporary in directory that is to
    // become target: the unit removes it when the commit fails before it is
    // decided, unless kept (a sweep's journal, which a resume continues).
    void stage(int directory, const std::string& temporary, const std::string& target, const WrittenFile& file,
               bool kept = false);
    // Commits as above with provenance in the descriptors; token, when
    // given, names the descriptors' temporaries and the commit record (see
    // createTemporaries). Throws BatchError.
    void commit(const Provenance& provenance, const std::string& token = {});

private:
    struct Staged {
        std::shared_ptr<Descriptor> directory;  // one for all files of a folder
        std::string temporary;
        std::string target;
        WrittenFile file;
        bool kept;
    };
    std::vector<Staged> staged;
    std::vector<std::pair<int, std::shared_ptr<Descriptor>>> directories;  // the callers' and their copies
    std::vector<std::pair<int, std::string>> descriptorTemporaries;  // directory, name
    bool decided = false;
};

// Finishes the commits of outputs whose first file is name in directory that
// were decided but stopped (a kill, a power cut): renames the files not yet
// in place and writes their folders' descriptors again. Returns whether there
// was one. Throws BatchError when a file cannot be put in place.
bool rollForwardCommits(int directory, const std::string& name);
