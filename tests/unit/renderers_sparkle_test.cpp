// Sparkles and Paint Drops.
#include <gtest/gtest.h>

#include <cmath>

#include "renderer_rig.h"

namespace {

using Rig = RendererRig;

// Random draws between two generator states (the msvcrt step).
int DrawsBetween(uint32_t from, uint32_t to) {
    int n = 0;
    for (uint32_t s = from; s != to && n < 10000000; ++n) s = s * 214013u + 2531011u;
    return n;
}

TEST(Sparkles, SilenceDrawsEachStarAsOnePixelOnACircleOfQuarterWidth) {
    Rig rig(400, 300);
    rig.Volumes(0, 0, 0, 8.0);
    rig.scene.firstFrame = 1;
    for (int frame = 0; frame < 9; ++frame) {  // the stars turn from frame to frame
        rig.Fill(0);
        rig.scene.RenderSparkles();
        rig.scene.firstFrame = 0;
        const auto lit = rig.Lit();
        ASSERT_EQ(lit.size(), 2u);  // 240 zero-length lines collapse onto two centres
        // The stars sit opposite each other, a quarter width from the centre.
        const auto [x0, y0] = *lit.begin();
        const auto [x1, y1] = *lit.rbegin();
        EXPECT_NEAR(x0 + x1, 400, 2);
        EXPECT_NEAR(y0 + y1, 300, 2);
        EXPECT_NEAR(std::hypot(x0 - 199.5, y0 - 149.5), 100.0, 1.5);
    }
}

// Seven draws per drop: colour, a, dx, sign, b, dy, sign.
int DropsDrawn(Rig& rig, double mid, double peak) {
    rig.Volumes(mid, mid, mid, peak);
    SeedRandom(31337);
    const uint32_t before = RandomState();
    rig.scene.RenderPaintDrops();
    const int draws = DrawsBetween(before, RandomState());
    EXPECT_EQ(draws % 7, 0);
    return draws / 7;
}

TEST(PaintDrops, CountFollowsTheSquaredRatioToThePeak) {
    Rig rig(64, 48);
    EXPECT_EQ(DropsDrawn(rig, 40.0, 40.0), 115);
    EXPECT_EQ(DropsDrawn(rig, 20.0, 40.0), 25);
    EXPECT_EQ(DropsDrawn(rig, 58.0, 8.0), 6302);  // a new song starts the peak at 8
    EXPECT_EQ(DropsDrawn(rig, 0.2236 * 40.0, 40.0), 0);  // 5.99 - 5
    EXPECT_EQ(DropsDrawn(rig, 0.2237 * 40.0, 40.0), 1);  // 6.005 - 5
    EXPECT_EQ(DropsDrawn(rig, 0.0, 40.0), 0);
    EXPECT_EQ(DropsDrawn(rig, 0.0, 0.0), 0);
    EXPECT_EQ(DropsDrawn(rig, 30.0, 0.0), 0);
    // A peak driven towards zero must neither overflow the count nor run away.
    EXPECT_EQ(DropsDrawn(rig, 30.0, 1e-300), 120 * 16 * 16 - 5);
}

}  // namespace
