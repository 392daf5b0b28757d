// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Replaces operator new for the whole test executable and counts every
// allocation, on any thread. Include it in exactly one file of an executable.

#include <atomic>
#include <cstdlib>
#include <new>

namespace allocationcounter {
inline std::atomic<long> allocations{0};
}

// Out of line: inlined into a new expression, the pairing of malloc with
// delete would read to GCC as a mismatched deallocation.
__attribute__((noinline)) void* operator new(std::size_t size)
{
    ++allocationcounter::allocations;
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
__attribute__((noinline)) void operator delete(void* p) noexcept { std::free(p); }
__attribute__((noinline)) void operator delete(void* p, std::size_t) noexcept { std::free(p); }
