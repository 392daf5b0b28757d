// SPDX-License-Identifier: GPL-3.0-or-later
#include "provenance.h"

#include <ctime>

Invocation invocationNow(int argc, char* argv[])
{
    Invocation invocation;
    invocation.commandLine.assign(argv, argv + argc);
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    ::gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    invocation.startedUtc = text;
    return invocation;
}
