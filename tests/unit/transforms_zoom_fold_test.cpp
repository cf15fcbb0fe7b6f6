// Centred zoom and fold generators: the motion each one promises, read back
// from the stored entries.
#include <gtest/gtest.h>

#include <cmath>
#include <utility>

#include "transform_map_checks.h"

namespace {

bool SameEntry(const Transform& t, int a, int b) {
    return t.sourceOffsets[a] == t.sourceOffsets[b] && memcmp(t.weights + 4 * a, t.weights + 4 * b, 4) == 0;
}

}  // namespace

TEST(ZoomFoldTransforms, ParabolicZoomerWithoutZoomIsAPureRotation) {
    const int w = 120, h = 90;
    const double cx = 60, cy = 45;
    Map m(w, h);
    // Zoom 0 (b = 0, d = 0) leaves a pure rotation by (k - 2.7) / 60.
    const uint32_t seed = FindSeed([] {
        Random(5);
        const bool noZoomB = Random(1) == 0;
        Random(3);
        return noZoomB && Random(5) == 0;
    });
    Draws d{seed};
    const double rotation = (d.Next(5) - 2.7) / 60;
    m.Generate(1, seed);
    const double c = std::cos(rotation), s = std::sin(rotation);
    for (int n = 0; n < m.t.pixelCount; ++n) {
        const double dx = n % w - cx, dy = n / w - cy;
        const double ex = cx + dx * c - dy * s, ey = cy + dx * s + dy * c;
        double sx, sy;
        if (SourceOf(m.t, n, sx, sy)) {
            EXPECT_NEAR(sx, ex, 0.02) << "at " << n % w << ", " << n / w;
            EXPECT_NEAR(sy, ey, 0.02);
        } else {
            EXPECT_TRUE(ex < 0.01 || ex > w - 1.01 || ey < 0.01 || ey > h - 1.01) << "at " << n % w << ", " << n / w;
        }
    }
}

TEST(ZoomFoldTransforms, FastZoomerTakesTheCornerFromInside) {
    Map m(640, 480);
    const uint32_t seed = FindSeed([] { return Random(7) == 0; });  // 1.1
    m.Generate(3, seed);
    double sx, sy;
    ASSERT_TRUE(SourceOf(m.t, 0, sx, sy));
    EXPECT_EQ(m.t.sourceOffsets[0], 4 * (21 * 640 + 29));
    EXPECT_NEAR(sx, 320 - 320 / 1.1, 0.01);  // 29.09...
    EXPECT_NEAR(sy, 240 - 240 / 1.1, 0.01);  // 21.81...
    const int centre = 240 * 640 + 320;
    EXPECT_EQ(m.t.sourceOffsets[centre], 4 * centre);
    EXPECT_EQ(m.t.weights[4 * centre], 255);
}

TEST(ZoomFoldTransforms, KaleidoscopeMirrorsOneWedgeOfTheLowerRightQuarter) {
    for (const auto& size : {std::pair<int, int>{200, 200}, std::pair<int, int>{160, 120}}) {
        const int w = size.first, h = size.second, cx = w / 2, cy = h / 2;
        Map m(w, h);
        for (uint32_t seed : {1u, 2u, 3u, 5u}) {
            m.Generate(9, seed);
            double sx, sy;
            ASSERT_TRUE(SourceOf(m.t, cy * w + cx, sx, sy));
            EXPECT_NEAR(sx, 0.505 * w, 0.01);
            EXPECT_NEAR(sy, 0.495 * h, 0.01);
            for (int y = 1; y < h; ++y)
                for (int x = 1; x < w; ++x) {
                    const int n = y * w + x;
                    ASSERT_TRUE(SameEntry(m.t, n, y * w + (w - x))) << "mirror at x, " << x << ", " << y;
                    ASSERT_TRUE(SameEntry(m.t, n, (h - y) * w + x)) << "mirror at y, " << x << ", " << y;
                    const int sx2 = y - cy + cx, sy2 = x - cx + cy;  // X and Y exchanged
                    if (sx2 >= 0 && sx2 < w && sy2 >= 0 && sy2 < h) {
                        ASSERT_TRUE(SameEntry(m.t, n, sy2 * w + sx2)) << "diagonal at " << x << ", " << y;
                    }
                    if (!SourceOf(m.t, n, sx, sy)) continue;
                    EXPECT_GE(sx, 0.505 * w - 0.01);
                    EXPECT_GE(sy, 0.495 * h - 0.01);
                    if (x - cx == y - cy || x - cx == cy - y) {
                        EXPECT_NEAR(sx, 0.505 * w, 0.01);
                    }
                }
        }
    }
}
