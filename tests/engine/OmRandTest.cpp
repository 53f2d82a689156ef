#include <gtest/gtest.h>

#include "engine/OmRand.h"

TEST(OmRand, MatchesTheClassicSequenceAndStaysWithinFifteenBits)
{
    // The first values of the C runtime's generator from seed 1.
    OmSRand(1);
    EXPECT_EQ(OmRand(), 41);
    EXPECT_EQ(OmRand(), 18467);
    EXPECT_EQ(OmRand(), 6334);
    EXPECT_EQ(OmRand(), 26500);
    OmSRand(1);
    EXPECT_EQ(OmRand(), 41);

    OmSRand(12345);
    int highest = 0;
    for (int i = 0; i < 100000; ++i) {
        int v = OmRand();
        ASSERT_GE(v, 0);
        ASSERT_LE(v, OM_RAND_MAX);
        highest = std::max(highest, v);
    }
    EXPECT_GT(highest, 32000);
}
