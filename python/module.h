// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "values.h"

#include <pybind11/pybind11.h>

#include <string>
#include <utility>
#include <vector>

// The parts of the compiled module _tidmar.
void bindBed(pybind11::module_& module);
void bindSweep(pybind11::module_& module);
void bindPatterns(pybind11::module_& module);

// Settings by their keyword names, each value as Python gave it (a bool, an
// int, a float or a str), read by the study library's typed readers.
using Settings = std::vector<std::pair<std::string, Value>>;
