#include "fastbed.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

// Counts every allocation through operator new, on any thread, while steps run.
namespace {
std::atomic<long> allocations{0};
}

void* operator new(std::size_t size)
{
    ++allocations;
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

TEST(FastBedAllocation, NoStepAllocatesOnAnyThread)
{
    for (int threads : {1, 2, 3}) {
        FastBed bed(200, 150, 1, threads);
        bed.setcolonization(600);
        bed.setneighbourcoupling(500);
        bed.setoceanforcing(20);
        bed.setmaturing(100);
        bed.setpredation(750);
        bed.infectedLine();
        for (int scheme = 0; scheme < 3; ++scheme) {
            bed.updatemethodeaendern(scheme);
            bed.setjumpdistance(5 + scheme);  // a new jumping range is prepared inside the step
            const long before = allocations;
            for (int step = 0; step < 5; ++step)
                bed.advance();
            (void)bed.counts();
            EXPECT_EQ(allocations - before, 0) << "threads " << threads << ", scheme " << scheme;
        }
    }
}
