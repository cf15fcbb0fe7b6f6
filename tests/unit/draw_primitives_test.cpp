// The drawing primitives: point sets of lines and circles, clipping, colours.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <utility>

#include "renderer_rig.h"

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
