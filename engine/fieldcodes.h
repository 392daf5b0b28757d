// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cellstate.h"

#include <string>
#include <vector>

// Checks a whole field given row by row (codes[y * width + x]): a size within
// 1 .. maxCells on each side, one code a cell, every code a cell state. On
// failure error (when not null) says what is wrong and where.
bool checkFieldCodes(int width, int height, const std::vector<Cell>& codes, int maxCells, std::string* error);
