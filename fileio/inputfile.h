// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "descriptor.h"

#include <cstdint>
#include <string>

// Opens an input for reading: "-" is standard input; any other name must be
// a regular file (links followed), no larger than maxBytes. The file is
// opened without blocking, so that a FIFO without a writer or a device is
// refused at once rather than waited on, and then read in blocking mode.
// Throws BatchError naming what names the file ("--pattern 'x.csv'").
Descriptor openInput(const std::string& path, std::int64_t maxBytes, const std::string& what);

// Opens name in the directory directory the same way, without following a
// link and only when the calling user owns the file: for the files this
// program leaves beside its outputs. Returns an empty Descriptor when there is
// no such file.
Descriptor openOwnFile(int directory, const std::string& name, int flags);

// Reads the rest of fd, at most maxBytes (then throws BatchError naming what).
std::string readAll(int fd, std::int64_t maxBytes, const std::string& what);
