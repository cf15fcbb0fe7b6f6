// Spiral generators: a centre on a pixel keeps its colour, and Fast Reverse
// Spiral turns least on its ring.
#include <gtest/gtest.h>

#include <cmath>

#include "transform_map_checks.h"

namespace {

// How much of source pixel `p` entry n takes.
int WeightOn(const Transform& t, int n, int p) {
    const int base = t.sourceOffsets[n] / 4;
    const int neighbours[4] = {base, base + 1, base + t.width, base + t.width + 1};
    int sum = 0;
    for (int k = 0; k < 4; ++k)
        if (neighbours[k] == p) sum += t.weights[4 * n + k];
    return sum;
}

// Turn and radius ratio of the motion at entry n about (cx, cy), when it is in range.
bool PolarMotion(const Transform& t, int n, double cx, double cy, double& turn, double& ratio, double& r) {
    double sx, sy;
    if (!SourceOf(t, n, sx, sy)) return false;
    const double dx = n % t.width - cx, dy = n / t.width - cy;
    r = std::hypot(dx, dy);
    ratio = std::hypot(sx - cx, sy - cy) / r;
    turn = std::remainder(std::atan2(sy - cy, sx - cx) - std::atan2(dy, dx), 2 * M_PI);
    return true;
}

}  // namespace

TEST(SpiralTransforms, PixelOnTheCentreKeepsItsOwnColour) {
    const int w = 40, h = 24;
    Map m(w, h);
    // Wavy Spiral's centre is whole for a width and height divisible by 8;
    // the others need quarter steps that land on whole pixels.
    const uint32_t wavySeed = 99;
    Draws wavy{wavySeed};
    const int wx = wavy.Next(30) + 5, wy = wavy.Next(18) + 3;
    m.Generate(0, wavySeed);
    EXPECT_GE(WeightOn(m.t, wy * w + wx, wy * w + wx), 254) << "Wavy Spiral";

    const uint32_t seed = FindSeed([] { return Random(w) % 4 == 0 && Random(h) % 4 == 0; });
    Draws d{seed};
    const int cx = d.Next(w) / 4 + 15, cy = d.Next(h) / 4 + 9;
    for (int index : {10, 11, 12}) {
        m.Generate(index, seed);
        EXPECT_GE(WeightOn(m.t, cy * w + cx, cy * w + cx), 254) << m.t.names[index];
    }
}

TEST(SpiralTransforms, FastReverseSpiralTurnsLeastOnItsRing) {
    const int w = 100, h = 100;
    Map m(w, h);
    // g = 2 / W puts the ring of least turn at r = 0.2 W and q = 0 at 0.7 W.
    const uint32_t seed = FindSeed([] {
        Random(w);
        Random(h);
        Random(4);
        return Random(1) == 0;
    });
    Draws d{seed};
    const double cx = d.Next(w) * 0.25 + 37.5, cy = d.Next(h) * 0.25 + 37.5;
    const double strength = (4 * d.Next(4) + 4) * 0.02;
    m.Generate(10, seed);
    int onRing = 0;
    for (int n = 0; n < m.t.pixelCount; ++n) {
        double turn, ratio, r;
        if (!PolarMotion(m.t, n, cx, cy, turn, ratio, r) || r < 5) continue;
        EXPECT_NEAR(ratio, 1.0, 0.02 / r);
        if (std::fabs(r - 20) < 0.5) {
            ++onRing;
            EXPECT_NEAR(turn, strength, 0.03 * strength + 0.02 / r);
        }
    }
    EXPECT_GT(onRing, 50);
    // No pixel lands exactly on q = 0 (r * g would have to round to 1.4 itself;
    // none does below 6000 pixels wide), but the turns around it are enormous.
    ExpectSoundMap(m.t);
}
