// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>

// While it lives, SIGINT, SIGTERM and SIGHUP only set a flag (the handler does
// nothing else), which the work in progress polls to stop at a safe point.
// The previous handlers come back at destruction. One at a time.
class SignalStop {
public:
    SignalStop();
    ~SignalStop();
    SignalStop(const SignalStop&) = delete;
    SignalStop& operator=(const SignalStop&) = delete;

    const std::atomic<bool>* flag() const;
    // The first signal received, 0 for none.
    int received() const;
};

// The exit status for ending on signal: 128 + its number.
inline int statusForSignal(int signal)
{
    return 128 + signal;
}

// "SIGTERM" and so on, for messages.
const char* signalName(int signal);
