// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "descriptor.h"

#include <initializer_list>
#include <string>
#include <sys/stat.h>
#include <vector>

// Where an output lands: its directory, held open so that every later step
// (creating the temporary file, renaming it into place) acts on the same
// directory whatever happens to the path meanwhile, and its name there.
struct OutputPlace {
    Descriptor directory;
    std::string name;  // one component, no slash
    bool exists = false;
    struct stat status {};  // of the existing entry, which is no link
};

// Resolves path for option (messages name both). A symbolic link as the last
// component is followed to the file it names, which is created when missing,
// for live and dangling links alike, up to 40 links deep. In a directory that
// is sticky and writable by all (such as /tmp), a link is followed only when
// it belongs to this user or to the directory's owner, as the kernel's
// protected_symlinks rule has it; otherwise the output is refused, so that a
// link planted by somebody else never redirects a write. Throws BatchError.
OutputPlace resolveOutput(const std::string& option, const std::string& path);

// Files created together in directory under hidden names ".NAME.TOKEN<suffix>"
// with one random token (token when given and free, so that every temporary
// of one command can carry the same), each with O_EXCL; a name already taken
// (planted or not) only makes another token be drawn.
struct Temporaries {
    std::string token;
    std::vector<std::string> names;  // in the order of the suffixes
    std::vector<Descriptor> files;
};
// Returns false (errno set) when the directory does not take new files.
bool createTemporaries(int directory, const std::string& name, std::initializer_list<const char*> suffixes,
                       Temporaries& created, const std::string& token = {});

// Removes this user's temporaries ".NAME.TOKEN.tmp" and ".NAME.TOKEN.plan"
// with token from directory: what a command killed before its commit left.
void removeTemporaries(int directory, const std::string& token);

// Opens the output folder path for option, made when missing. A symbolic
// link to it is followed as resolveOutput follows one to a file: never one
// planted by another user in a directory sticky and writable by all. Throws
// BatchError.
Descriptor openOutputFolder(const std::string& option, const std::string& path);

// The hidden name of a temporary for name with token and suffix.
std::string temporaryName(const std::string& name, const std::string& token, const char* suffix);
// True when text could be a token drawn by createTemporaries.
bool isToken(const std::string& text);
