// Sparkles and Paint Drops.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "renderer_rig.h"

namespace {

using Rig = RendererRig;

// Two stars of three rays, each ray ending in a burst of 3 + 9 + 27 rays:
// 120 rays per star, two draws each, one of them thrown away. The colours
// add 2 or 4 draws when they pick a new target; a first frame adds the spin.
TEST(Sparkles, EveryRayDrawsTwiceAndTheStarsTurnByTheSpinTable) {
    Rig rig(400, 300);
    rig.Volumes(10, 6, 8, 8.0);
    rig.scene.RenderSparkles();  // its colours exist before counting
    int plain = 0;
    for (int frame = 0; frame < 120; ++frame) {
        rig.scene.firstFrame = frame == 0;
        const int draws = rig.DrawsOf([&] { rig.scene.RenderSparkles(); }) - (frame == 0);
        ASSERT_TRUE(draws == 480 || draws == 482 || draws == 484 || draws == 486 || draws == 488) << draws;
        plain += draws == 480;
    }
    EXPECT_GT(plain, 100);

    // In silence each star is one pixel, the two opposite each other a quarter
    // width from the centre; the pair turns by half a turn's symmetry.
    rig.Volumes(0, 0, 0, 8.0);
    const auto spins = rig.MeasuredSpins([&] { rig.scene.RenderSparkles(); },
                                         [&] {
                                             const auto lit = rig.Lit();
                                             EXPECT_EQ(lit.size(), 2u);
                                             const auto [x0, y0] = *lit.begin();
                                             const auto [x1, y1] = *lit.rbegin();
                                             EXPECT_NEAR(x0 + x1, 400, 2);
                                             EXPECT_NEAR(y0 + y1, 300, 2);
                                             EXPECT_NEAR(std::hypot(x0 - 199.5, y0 - 149.5), 100.0, 1.5);
                                             return std::atan2(y1 - y0, x1 - x0);
                                         },
                                         3.141592653589793);
    for (int draw = 0; draw <= 6; ++draw)
        EXPECT_NEAR(spins[draw], WrapAngle(TableSpin(draw, 60.0, 1.01), 3.141592653589793), 0.006) << draw;

    // Rays of volume x height / 128 (37.5 here), then bursts of half, quarter
    // and eighth: every pixel within 1.875 rays of a centre, some a ray away.
    const auto [ax, ay] = *rig.Lit().begin();
    const double turn = TableSpin(6, 60.0, 1.01), c = std::cos(turn), s = std::sin(turn);
    const double cx = 200 + (ax + 0.5 - 200) * c - (ay + 0.5 - 150) * s;
    const double cy = 150 + (ax + 0.5 - 200) * s + (ay + 0.5 - 150) * c;
    rig.Fill(0);
    rig.Volumes(16, 16, 16, 16);
    rig.scene.RenderSparkles();
    double farthest = 0;
    for (const auto& [x, y] : rig.Lit()) {
        const double d = std::min(std::hypot(x + 0.5 - cx, y + 0.5 - cy), std::hypot(x + 0.5 - 400 + cx, y + 0.5 - 300 + cy));
        EXPECT_LT(d, 1.875 * 37.5 + 2) << x << "," << y;
        farthest = std::max(farthest, d);
    }
    EXPECT_GT(farthest, 37.5 - 2);
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

// One drop: a palette colour, then column and row offsets of up to a tenth
// of the size per unit of a 0..10 draw, each negated on a coin's 0; ten rings
// of radius up to 4.5 in shades of that colour.
TEST(PaintDrops, ADropLandsWhereItsDrawsPutItInAShadeOfItsPaletteColour) {
    Rig rig(120, 90);
    const uint32_t dominant[3] = {0x0000FF, 0x00FF00, 0xFF0000};
    for (uint32_t seed = 1; seed <= 30; ++seed) {
        Msvcrt g{seed};
        const int colour = g.Draw(2);
        auto offset = [&](int size) {
            const int spread = static_cast<int>(g.Draw(10) * size * 0.05);
            const int d = g.Draw(spread);
            return g.Draw(1) == 0 ? -d : d;
        };
        const int cx = 60 + offset(120);
        const int cy = 45 + offset(90);
        rig.Fill(0);
        SeedRandom(seed);
        rig.Volumes(9.31, 9.31, 9.31, 40.0);  // 120 x 0.0542 - 5: one drop
        rig.scene.RenderPaintDrops();
        ASSERT_EQ(RandomState(), g.state) << seed;
        const auto lit = rig.Lit();
        ASSERT_FALSE(lit.empty());
        for (const auto& [x, y] : lit) {
            EXPECT_TRUE(x >= cx - 5 && x <= cx + 4 && y >= cy - 5 && y <= cy + 4) << seed << ": " << x << "," << y;
            const uint32_t p = rig.At(x, y);
            EXPECT_EQ(p & dominant[colour], dominant[colour]) << seed;
            const uint32_t weak = p & ~dominant[colour];
            const uint32_t channels[3] = {weak & 0xFF, (weak >> 8) & 0xFF, (weak >> 16) & 0xFF};
            EXPECT_EQ(channels[(colour + 1) % 3], channels[(colour + 2) % 3]) << seed;
        }
        EXPECT_TRUE(lit.count({cx + 4, cy}) && lit.count({cx, cy + 4})) << seed;
    }
}

}  // namespace
