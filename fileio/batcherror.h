// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <stdexcept>
#include <string>

// A refused argument, value, input file or output: the message names what was
// wrong, without the program's name. main prints it as one line and exits
// with status 2.
class BatchError : public std::runtime_error {
public:
    explicit BatchError(const std::string& message) : std::runtime_error(message) {}
};
