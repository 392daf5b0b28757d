// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "variation.h"

#include <string>
#include <vector>

// A sweep's design (--design FILE.csv): a header of --vary names (long_range
// may be spelt so too) and one row per combination, each field a single
// value as --vary takes it. Returns one variation per column whose values
// are the column's, in row order: run k takes row k / replicates of every
// column together. The file's SHA-256 goes into *sha256. Throws BatchError
// ("--design 'FILE', ...") for an unknown or repeated name, a bad value or
// no rows.
std::vector<Variation> readDesign(const std::string& path, std::string* sha256);
