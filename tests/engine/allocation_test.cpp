// SPDX-License-Identifier: GPL-3.0-or-later
#include "musselbed.h"

#include "allocationcounter.h"

#include <gtest/gtest.h>

using allocationcounter::allocations;

TEST(Allocation, NoStepAllocates)
{
    MusselBed bed(200, 150, 1);
    bed.setpredation(750);
    bed.setmaturing(100);
    bed.setcolonization(300);
    bed.setneighbourcoupling(750);
    bed.infectedLine();
    for (int scheme = 0; scheme < 3; ++scheme) {
        bed.updatemethodeaendern(scheme);
        const long before = allocations;
        for (int step = 0; step < 5; ++step)
            bed.advance();
        (void)bed.counts();
        EXPECT_EQ(allocations - before, 0) << "scheme " << scheme;
    }
}

TEST(Allocation, ALargeFieldHoldsItsTwoLatticesAndLittleElse)
{
    // The engine object itself is small fixed storage; the lattices are its
    // only heap blocks.
    EXPECT_LT(sizeof(MusselBed), 8 * 1024u);
}
