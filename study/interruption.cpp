// SPDX-License-Identifier: GPL-3.0-or-later
#include "interruption.h"

#include <csignal>
#include <cstring>

namespace {

constexpr int Signals[] = {SIGINT, SIGTERM, SIGHUP};

// A signal handler can reach only objects of static storage; lock-free
// atomics are safe to set from it.
std::atomic<bool> stopRequested{false};
std::atomic<int> firstSignal{0};
struct sigaction previous[3];

void onSignal(int signal)
{
    int none = 0;
    firstSignal.compare_exchange_strong(none, signal);
    stopRequested.store(true);
}

} // namespace

SignalStop::SignalStop()
{
    static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free);
    stopRequested.store(false);
    firstSignal.store(0);
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < 3; ++i)
        ::sigaction(Signals[i], &action, &previous[i]);
}

SignalStop::~SignalStop()
{
    for (int i = 0; i < 3; ++i)
        ::sigaction(Signals[i], &previous[i], nullptr);
}

const std::atomic<bool>* SignalStop::flag() const
{
    return &stopRequested;
}

int SignalStop::received() const
{
    return firstSignal.load();
}

const char* signalName(int signal)
{
    switch (signal) {
    case SIGINT:
        return "SIGINT";
    case SIGTERM:
        return "SIGTERM";
    case SIGHUP:
        return "SIGHUP";
    default:
        return "a signal";
    }
}
