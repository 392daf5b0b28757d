// SPDX-License-Identifier: GPL-3.0-or-later
#include "randomseed.h"

#include "batcherror.h"
#include "seeding.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <sys/random.h>
#include <unistd.h>

std::int32_t drawSeed(std::int32_t previous)
{
    for (;;) {
        // getentropy: getrandom on Linux, and there on macOS and in the
        // browser's runtime as well, for the other front ends.
        std::uint32_t bits = 0;
        if (::getentropy(&bits, sizeof bits) != 0)
            throw BatchError(std::string("cannot draw a seed from the system: ") + std::strerror(errno));
        // 31 bits, of which 0 and 2147483647 are no seeds: drawn again.
        const auto seed = static_cast<std::int32_t>(bits & 0x7fffffffu);
        if (seed >= 1 && seed <= MaxSeed && seed != previous)
            return seed;
    }
}
