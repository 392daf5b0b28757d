// SPDX-License-Identifier: GPL-3.0-or-later
#include "fastbed.h"

#include "allocationcounter.h"

#include <gtest/gtest.h>

using allocationcounter::allocations;

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
