// Centred zoom and fold generators: draws and flags, sound maps at awkward
// sizes, and the motion each one promises, read back from the stored entries.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>

#include "scene/random.h"
#include "transform/transform.h"
#include "transform_map_checks.h"

namespace {

// Replays the Random sequence from a seed without touching the real one.
struct Draws {
    uint32_t state;
    int Next(int n) {
        state = state * 214013u + 2531011u;
        return static_cast<int>((state >> 16) & 0x7FFF) % (n + 1);
    }
};

// A sized Transform; its first generation is locked to the cheap Fast Zoomer.
struct Map {
    int lock = 3;
    Transform t;
    Map(int w, int h) {
        t.lockedTransform = &lock;
        t.Init(w, h);
        t.lockedTransform = nullptr;
    }
    // Generates `index` from `seed`; returns the number of draws it made.
    int Generate(int index, uint32_t seed) { return GenerateCountingDraws(t, index, seed); }
};

// The source point of an entry, recovered from its weights to within about
// 0.01 pixel; false for an out-of-range entry.
bool SourceOf(const Transform& t, int n, double& sx, double& sy) {
    const uint8_t* w = t.weights + 4 * n;
    const int sum = w[0] + w[1] + w[2] + w[3];
    if (sum == 0) return false;
    const int p = t.sourceOffsets[n] / 4;
    sx = p % t.width + static_cast<double>(w[1] + w[3]) / sum;
    sy = p / t.width + static_cast<double>(w[2] + w[3]) / sum;
    return true;
}

bool SameEntry(const Transform& t, int a, int b) {
    for (int k = 0; k < 4; ++k)
        if (t.weights[4 * a + k] != t.weights[4 * b + k]) return false;
    return t.sourceOffsets[a] == t.sourceOffsets[b];
}

constexpr int kZoomFolds[] = {1, 2, 3, 9};

}  // namespace

TEST(ZoomFoldTransforms, DrawTheirParametersAndFlagsInOrder) {
    // noFadeRange 0: noFade is always 0; otherwise it is set when the last
    // draw, Random(noFadeRange), is 1.
    struct Expect {
        int index, draws, noFadeRange, fadeHint, centreHint;
    };
    const Expect table[] = {{1, 5, 2, 1, 0}, {2, 3, 2, 0, 0}, {3, 1, 0, 1, 1}, {9, 1, 0, 1, 1}};
    Map m(24, 18);
    for (const Expect& e : table) {
        for (uint32_t seed = 1; seed <= 40; ++seed) {
            ASSERT_EQ(m.Generate(e.index, seed), e.draws) << m.t.names[e.index];
            Draws d{seed};
            for (int k = 0; k < e.draws - 1; ++k) d.Next(0);
            const int noFade = e.noFadeRange == 0 ? 0 : (d.Next(e.noFadeRange) == 1 ? 1 : 0);
            EXPECT_EQ(m.t.noFade, noFade) << m.t.names[e.index] << " seed " << seed;
            EXPECT_EQ(m.t.fadeHint, e.fadeHint) << m.t.names[e.index];
            EXPECT_EQ(m.t.centreHint, e.centreHint) << m.t.names[e.index];
        }
    }
}

TEST(ZoomFoldTransforms, AddressOnlyTheSourceFrameAtAnySize) {
    const int sizes[][2] = {{0, 4}, {4, 0},  {1, 1},   {2, 1},   {1, 3}, {3, 3},
                            {7, 5}, {5, 9}, {33, 17}, {17, 40}, {64, 48}};
    for (const auto& s : sizes) {
        Map m(s[0], s[1]);
        for (int index : kZoomFolds)
            for (uint32_t seed = 1; seed <= 12; ++seed) {
                m.Generate(index, seed * 7919);
                SCOPED_TRACE(m.t.names[index]);
                ExpectSoundMap(m.t);
            }
    }
}

TEST(ZoomFoldTransforms, ParabolicZoomerRotatesOrFoldsThroughTheCentre) {
    const int w = 120, h = 90;
    const double cx = 60, cy = 45;
    Map m(w, h);
    // Zoom 0 (b = 0, d = 0) leaves a pure rotation by (k - 2.7) / 60.
    uint32_t seed = FindSeed([] {
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
    // Zoom 5 (b = 1, c = 0, d = 0): beyond W / 5 every pixel comes from the
    // other side of the centre.
    seed = FindSeed([] {
        Random(5);
        return Random(1) == 1 && Random(3) == 0 && Random(5) == 0;
    });
    m.Generate(1, seed);
    int folded = 0;
    for (int n = 0; n < m.t.pixelCount; ++n) {
        const double dx = n % w - cx, dy = n / w - cy;
        double sx, sy;
        if (std::hypot(dx, dy) < w / 5.0 + 1 || !SourceOf(m.t, n, sx, sy)) continue;
        ++folded;
        EXPECT_LT((sx - cx) * dx + (sy - cy) * dy, 0) << "at " << n % w << ", " << n / w;
    }
    EXPECT_GT(folded, 100);
}

TEST(ZoomFoldTransforms, BubbleStreamsOutwardsAndReflectsItsCore) {
    const int w = 120, h = 90;
    const double cx = 60, cy = 45;
    Map m(w, h);
    // The largest shift, (10 - 2) / 6 + 0.2.
    const uint32_t seed = FindSeed([] { return Random(10) == 10; });
    const double shift = 8 / 6.0 + 0.2;
    m.Generate(2, seed);
    for (int n = 0; n < m.t.pixelCount; ++n) {
        const double dx = n % w - cx, dy = n / w - cy, r = std::hypot(dx, dy);
        double sx, sy;
        if (r == 0 || !SourceOf(m.t, n, sx, sy)) continue;
        const double along = ((sx - cx) * dx + (sy - cy) * dy) / r;  // signed source radius
        const double across = ((sx - cx) * dy - (sy - cy) * dx) / r;
        EXPECT_NEAR(across, 0, 0.02) << "at " << n % w << ", " << n / w;
        EXPECT_GE(along, r - shift - 0.5 - 0.02);
        EXPECT_LE(along, r - shift + 0.5 + 0.02);
        if (r <= 1) {
            EXPECT_LT(along, 0) << "the core is taken from the other side";
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

    m.Generate(3, FindSeed([] { return Random(7) == 7; }));  // 1.1 + 7/28
    ASSERT_TRUE(SourceOf(m.t, 0, sx, sy));
    EXPECT_NEAR(sx, 320 - 320 / 1.35, 0.01);
    EXPECT_NEAR(sy, 240 - 240 / 1.35, 0.01);
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

namespace {

// The formulas as plainly written, one whole pixel at a time with nothing
// hoisted: the generators' loops must give the very same map.
void ReferenceMap(Transform& t, int index, uint32_t seed) {
    Draws d{seed};
    const int w = t.width, h = t.height;
    const double cx = w * 0.5, cy = h * 0.5;
    if (index == 1 || index == 2) {
        double rotation = 0, zoom = 0, shift = 0, frequency = 0;
        if (index == 1) {
            rotation = (d.Next(5) - 2.7) * 0.016666666666666666;
            const int b = d.Next(1);
            const int c = d.Next(3);
            zoom = d.Next(5) * 0.2 + (b * 5.0) / (c + 1);
        } else {
            shift = (d.Next(10) - 2) * 0.16666666666666666 + 0.2;
            frequency = d.Next(2) * 3.0 + 1.0;
        }
        for (int n = 0; n < w * h; ++n) {
            const double dx = n % w - cx, dy = n / w - cy;
            const double r = std::sqrt(dx * dx + dy * dy) + 1e-8, theta = std::atan2(dy, dx);
            const double rho = index == 1 ? r * (1 - (r * (1.0 / w)) * zoom)
                                          : r - (0.5 * std::sin(r * (1.0 / w) * frequency) + shift);
            const double phi = index == 1 ? theta + rotation : theta;
            t.SetEntry(n, cx + rho * std::cos(phi), cy + rho * std::sin(phi));
        }
    } else if (index == 3) {
        const double m = 1 / (1.1 + d.Next(7) * 0.03571428571428571);
        for (int n = 0; n < w * h; ++n) t.SetEntry(n, (n % w - cx) * m + cx, (n / w - cy) * m + cy);
    } else {
        const double s = (d.Next(2) * 0.5 + 1.7) / w;
        for (int n = 0; n < w * h; ++n) {
            const double x = (n % w - w * 0.5) * s, y = (n / w - h * 0.5) * s;
            t.SetEntry(n, (std::sqrt(std::fabs(x * x - y * y)) * 0.5 + 0.505) * w,
                       ((std::sqrt(std::fabs(x * y)) - 0.01) + 1.0) * 0.5 * h);
        }
    }
}

}  // namespace

TEST(ZoomFoldTransforms, MatchThePlainPerPixelFormulasBitForBit) {
    for (const auto& size : {std::pair<int, int>{42, 27}, std::pair<int, int>{31, 50}}) {
        Map m(size.first, size.second), ref(size.first, size.second);
        for (int index : kZoomFolds)
            for (uint32_t seed : {11u, 12345u, 777u, 31337u}) {
                m.Generate(index, seed);
                ReferenceMap(ref.t, index, seed);
                for (int n = 0; n < m.t.pixelCount; ++n) {
                    ASSERT_EQ(m.t.sourceOffsets[n], ref.t.sourceOffsets[n]) << m.t.names[index] << " entry " << n;
                    ASSERT_EQ(memcmp(m.t.weights + 4 * n, ref.t.weights + 4 * n, 4), 0)
                        << m.t.names[index] << " entry " << n;
                }
            }
    }
}
