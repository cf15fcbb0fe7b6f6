#include <gtest/gtest.h>

#include "scene/random.h"

TEST(Random, FollowsTheMsvcrtSequenceAndStaysInRange) {
    // msvcrt's rand() after srand(1): 41, 18467, 6334, 26500, 19169
    SeedRandom(1);
    EXPECT_EQ(Random(32767), 41);
    EXPECT_EQ(Random(32767), 18467);
    EXPECT_EQ(Random(32767), 6334);
    SeedRandom(7);
    for (int i = 0; i < 1000; ++i) {
        EXPECT_EQ(Random(0), 0);
        const int coin = Random(1);
        EXPECT_TRUE(coin == 0 || coin == 1);
        const int d = Random(100) - 50;
        EXPECT_GE(d, -50);
        EXPECT_LE(d, 50);
    }
}
