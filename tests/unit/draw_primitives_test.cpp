// The drawing primitives: point sets of lines and circles, clipping, colours.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <set>
#include <utility>

#include "renderer_rig.h"
#include "scene/color_cycler.h"

namespace {

using Points = std::set<std::pair<int, int>>;

struct DrawFixture : ::testing::Test {
    RendererRig rig{40, 30, false};
    Scene& scene = rig.scene;
    void ClearAll() { rig.Fill(0); }
    Points Lit() const { return rig.Lit(); }
    uint32_t At(int x, int y) const { return rig.At(x, y); }
};

}  // namespace

TEST_F(DrawFixture, LinesStepAlongTheLongerAxisFromTheStartPoint) {
    scene.DrawLine(10.5, 3.0, 10.5, 3.0, 0xFF, false);
    EXPECT_EQ(Lit(), (Points{{10, 3}}));
    ClearAll();
    scene.DrawLine(0, 0, 3, 3, 0xFF, false);  // a tie steps in y
    EXPECT_EQ(Lit(), (Points{{0, 0}, {1, 1}, {2, 2}, {3, 3}}));
    ClearAll();
    scene.DrawLine(5, 0, 0, 2, 0xFF, false);  // -1.0 in x, 0.4 in y, 6 points
    EXPECT_EQ(Lit(), (Points{{5, 0}, {4, 0}, {3, 0}, {2, 1}, {1, 1}, {0, 2}}));
    ClearAll();
    scene.DrawLine(2, 5, 2, 2.5, 0xFF, false);  // length 2.5: three points, the end not reached
    EXPECT_EQ(Lit(), (Points{{2, 5}, {2, 4}, {2, 3}}));

    // OR mode keeps the background's bits, overwrite replaces them.
    rig.Fill(0x00100000);
    scene.DrawLine(1, 1, 8, 1, 0x11, true);
    EXPECT_EQ(At(4, 1), 0x00100011u);
    scene.DrawLine(1, 1, 8, 1, 0x22, false);
    EXPECT_EQ(At(4, 1), 0x00000022u);
    scene.PutPixel(4, 1, 0x33);
    EXPECT_EQ(At(4, 1), 0x00000033u);
}

// Each ray spends two draws: one thrown away, then its direction (0..100
// hundredths of a turn); a child burst has half the radius and starts at the
// ray's end, before the next ray.
TEST_F(DrawFixture, BurstsSpendTwoDrawsPerRayAndBranchFromTheRayEnds) {
    ColorCycler source;
    source.color = 0x00123456;
    SeedRandom(8);
    EXPECT_EQ(rig.DrawsOf([&] { scene.DrawBurst(20, 15, 8, 3, 2, source); }), 2 * (3 + 9 + 27));

    const uint32_t seed = SeedWhere([](Msvcrt& g) {
        const int wasted = g.Draw(100), a1 = g.Draw(100);
        g.Draw(100);
        const int a2 = g.Draw(100);
        // Directions far from the discarded draw's and from each other.
        return std::abs(wasted - a1) > 20 && std::abs(a1 - a2) > 20 && std::abs(a1 - a2) < 80;
    });
    Msvcrt g{seed};
    g.Draw(100);
    const double a1 = g.Draw(100) * 0.06283;
    g.Draw(100);
    const double a2 = g.Draw(100) * 0.06283;
    const double x1 = 20 + 8 * std::cos(a1), y1 = 15 + 8 * std::sin(a1);
    const double x2 = x1 + 4 * std::cos(a2), y2 = y1 + 4 * std::sin(a2);
    rig.Fill(0x00FFFFFF);
    scene.DrawBurst(20, 15, 8, 1, 1, source);
    auto nearSegment = [](double px, double py, double ax, double ay, double bx, double by) {
        const double vx = bx - ax, vy = by - ay;
        double t = ((px - ax) * vx + (py - ay) * vy) / (vx * vx + vy * vy);
        t = std::max(0.0, std::min(1.0, t));
        return std::hypot(px - ax - t * vx, py - ay - t * vy) < 1.5;
    };
    bool reachesEnd = false;
    int drawn = 0;
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 40; ++x) {
            if (At(x, y) == 0x00FFFFFFu) continue;
            ++drawn;
            ASSERT_EQ(At(x, y), 0x00123456u) << "bursts overwrite in the source's colour";
            ASSERT_TRUE(nearSegment(x + 0.5, y + 0.5, 20, 15, x1, y1) || nearSegment(x + 0.5, y + 0.5, x1, y1, x2, y2))
                << x << "," << y;
            reachesEnd = reachesEnd || std::hypot(x + 0.5 - x2, y + 0.5 - y2) < 1.5;
        }
    }
    EXPECT_GE(drawn, 6);
    EXPECT_TRUE(reachesEnd);
}

TEST_F(DrawFixture, ClipsPointByPointAndTruncatesTowardZero) {
    scene.PutPixel(-0.5, 4, 0xFF);    // column 0
    scene.PutPixel(-1.0, 5, 0xFF);    // skipped
    scene.PutPixel(39.5, 6, 0xFF);    // column 39
    scene.PutPixel(40.0, 7, 0xFF);    // skipped
    scene.PutPixel(5, 29.99, 0xFF);   // last row
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    scene.PutPixel(inf, 1, 0xFF);
    scene.PutPixel(1, nan, 0xFF);
    scene.PutPixel(-1e300, 1e300, 0xFF);
    scene.DrawLine(nan, 0, 10, 10, 0xFF, false);
    scene.DrawLine(-inf, 0, 10, 10, 0xFF, false);
    scene.DrawCircle(nan, 3, 5, 0xFF, false);
    scene.DrawCircle(3, 3, inf, 0xFF, false);
    EXPECT_EQ(Lit(), (Points{{0, 4}, {39, 6}, {5, 29}}));
    ClearAll();
    scene.DrawLine(-20, 15, 60, 15, 0xFF, false);  // runs off both sides
    EXPECT_EQ(Lit().size(), 40u);
}

TEST_F(DrawFixture, CirclesHaveTheirPointSetAndOrModeKeepsTheBackground) {
    // Radius 10: 63 points one radian-step of 1/10 apart, short of a full turn.
    RendererRig big(100, 100, false);
    big.scene.DrawCircle(50.5, 50.5, 10, 0x010101, false);
    Points expected;
    for (int k = 0; k < 63; ++k)
        expected.insert({int(50.5 + 10 * std::cos(k / 10.0)), int(50.5 + 10 * std::sin(k / 10.0))});
    EXPECT_EQ(big.Lit(), expected);

    // OR mode keeps what is there; plain mode overwrites it.
    rig.Fill(0x00100000);
    scene.DrawCircle(20, 15, 8, 0x00000011, true);
    EXPECT_EQ(At(28, 15), 0x00100011u);
    scene.DrawCircle(20, 15, 8, 0x00000022, false);
    EXPECT_EQ(At(28, 15), 0x00000022u);

    ClearAll();
    scene.DrawCircle(20, 15, 0, 0xFF, false);
    scene.DrawCircle(20, 15, -3, 0xFF, false);
    EXPECT_TRUE(Lit().empty());
}

TEST(ScaleColor, ScalesEachChannelAndClampsAtTheTop) {
    EXPECT_EQ(ScaleColor(2.0, 0x00804020), 0x00FF8040u);
    EXPECT_EQ(ScaleColor(0.5, 0x00FFFFFF), 0x007F7F7Fu);
    EXPECT_EQ(ScaleColor(0.0, 0x00FFFFFF), 0u);
    EXPECT_EQ(ScaleColor(1.0, 0xFF123456), 0x00123456u);
}
