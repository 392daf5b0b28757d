// SPDX-License-Identifier: GPL-3.0-or-later
#include "interrupt.h"

#include <pybind11/pybind11.h>

void InterruptCheck::poll()
{
    const Clock::time_point now = Clock::now();
    if (now - last < Interval)
        return;
    last = now;
    pybind11::gil_scoped_acquire gil;
    if (PyErr_CheckSignals() != 0)
        throw pybind11::error_already_set();
}
