// ColorCycler: a white start, glides inside the colour cube, and followers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "scene/color_cycler.h"
#include "scene/random.h"

TEST(ColorCycler, StartsWhiteAndNeverTargetsWhiteFirst) {
    for (uint32_t seed = 1; seed < 300; ++seed) {
        SeedRandom(seed);
        ColorCycler c;
        EXPECT_EQ(c.GetColor(), 0xFFFFFFu);
        EXPECT_FALSE(c.targetR == 255 && c.targetG == 255 && c.targetB == 255);
        EXPECT_GE(c.stepsLeft, 1);
    }
}

TEST(ColorCycler, GlidesInsideTheCubeWithTheLargestChannelMovingOne) {
    SeedRandom(42);
    ColorCycler c;
    EXPECT_DOUBLE_EQ(std::max({std::fabs(c.dr), std::fabs(c.dg), std::fabs(c.db)}), 1.0);
    for (int i = 0; i < 20000; ++i) {
        const uint32_t colour = (i % 3 == 0) ? c.ScaledStep(1.7) : c.Step();
        ASSERT_EQ(colour & 0xFF000000u, 0u);
        for (const double channel : {c.r, c.g, c.b}) ASSERT_TRUE(channel >= 0.0 && channel <= 255.0) << i;
    }
}

TEST(ColorCycler, FollowerRaisesOneChannelOfItsLeadersTarget) {
    SeedRandom(77);
    ColorCycler leader, follower;
    leader.targetR = 63;
    leader.targetG = 127;
    leader.targetB = 255;
    follower.SetLeader(&leader);
    int raised[2] = {0, 0};
    for (int n = 0; n < 200; ++n) {
        follower.r = follower.g = follower.b = 0;  // never the derived target: no random pass
        follower.PickTarget(true);
        const int dr = follower.targetR - 63, dg = follower.targetG - 127;
        EXPECT_EQ(follower.targetB, 255);  // raised and clamped, or untouched
        EXPECT_TRUE(dr >= 0 && dr <= 32 && dg >= 0 && dg <= 32 && (dr == 0 || dg == 0)) << dr << " " << dg;
        raised[0] += dr != 0;
        raised[1] += dg != 0;
    }
    EXPECT_TRUE(raised[0] > 0 && raised[1] > 0);
}
