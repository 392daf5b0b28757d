// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "livesession.h"  // Arguments

#include <pybind11/pybind11.h>

// The parts of the compiled module _tidmar.
void bindBed(pybind11::module_& module);
void bindSweep(pybind11::module_& module);
