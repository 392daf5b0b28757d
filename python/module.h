// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <pybind11/pybind11.h>

#include <string>
#include <vector>

// The parts of the compiled module _tidmar.
void bindBed(pybind11::module_& module);
void bindSweep(pybind11::module_& module);
void bindPatterns(pybind11::module_& module);

// Arguments in the command line's wording ("--a2", "0.3", ...).
using Arguments = std::vector<std::string>;
