// Spiral generators: the motion each one promises, read back from the stored
// entries (draws, flags and ranges are checked for all generators together).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "transform_map_checks.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// How much of source pixel `p` entry n takes.
int WeightOn(const Transform& t, int n, int p) {
    const int base = t.sourceOffsets[n] / 4;
    const int neighbours[4] = {base, base + 1, base + t.width, base + t.width + 1};
    int sum = 0;
    for (int k = 0; k < 4; ++k)
        if (neighbours[k] == p) sum += t.weights[4 * n + k];
    return sum;
}

double WrapAngle(double a) {
    while (a > kPi) a -= 2 * kPi;
    while (a <= -kPi) a += 2 * kPi;
    return a;
}

// Turn and radius ratio of the motion at entry n about (cx, cy), when it is in range.
bool PolarMotion(const Transform& t, int n, double cx, double cy, double& turn, double& ratio, double& r) {
    double sx, sy;
    if (!SourceOf(t, n, sx, sy)) return false;
    const double dx = n % t.width - cx, dy = n / t.width - cy;
    r = std::hypot(dx, dy);
    ratio = std::hypot(sx - cx, sy - cy) / r;
    turn = WrapAngle(std::atan2(sy - cy, sx - cx) - std::atan2(dy, dx));
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

TEST(SpiralTransforms, TranslateAndSpinDriftsAndTurnsBySpin) {
    const int w = 40, h = 80;
    Map m(w, h);
    for (const double drift : {0.9, -0.9}) {
        // Strongest positive spin, 0.32.
        const uint32_t seed = FindSeed([drift] {
            Random(w);
            Random(h);
            return Random(6) == 6 && (Random(1) == 0) == (drift > 0);
        });
        Draws d{seed};
        const int cx = d.Next(w) / 2 + 10, cy = d.Next(h) / 2 + 20;
        m.Generate(8, seed);
        // The centre takes 0.9 of the pixel on the drift side and 0.1 of itself.
        const int n = cy * w + cx;
        const int side = drift > 0 ? n - w : n + w;
        EXPECT_NEAR(WeightOn(m.t, n, side), 229, 1);
        EXPECT_NEAR(WeightOn(m.t, n, n), 25, 1);
        for (int k = 0; k < m.t.pixelCount; ++k) {
            double sx, sy;
            if (!SourceOf(m.t, k, sx, sy)) continue;
            const double dx = k % w - cx, dy = k / w - cy, r = std::hypot(dx, dy);
            if (r > 0.9 * w && r < 1.1 * w) {
                // Far out the spin has died away: the drift alone remains.
                EXPECT_NEAR(sx, k % w, 0.02);
                EXPECT_NEAR(sy, k / w - drift, 0.02);
            } else if (r > 3 && r < 6) {
                // Near the centre a positive spin takes pixels from further along.
                const double turn = WrapAngle(std::atan2(sy + drift - cy, sx - cx) - std::atan2(dy, dx));
                EXPECT_GT(turn, 0.05) << "at " << k % w << ", " << k / w;
                EXPECT_LT(turn, 0.33);
            }
        }
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

TEST(SpiralTransforms, FlowerBreathesWithItsPetalsAndTurnsSlowly) {
    const int w = 160, h = 120;
    Map m(w, h);
    // Whole-pixel centre, spin 0.02 and four petals (2 x 1 + 1 + 0 + 1).
    const uint32_t seed = FindSeed([] {
        if (Random(w) % 4 != 0 || Random(h) % 4 != 0 || Random(4) != 4) return false;
        return Random(2) == 1 && Random(2) == 1 && Random(1) == 0;
    });
    Draws d{seed};
    const int cx = d.Next(w) / 4 + 60, cy = d.Next(h) / 4 + 45;
    m.Generate(12, seed);
    for (int n = 0; n < m.t.pixelCount; ++n) {
        double turn, ratio, r;
        if (!PolarMotion(m.t, n, cx, cy, turn, ratio, r) || r < 30) continue;
        EXPECT_NEAR(turn, 0.02, 0.0008 + 0.02 / r);
        EXPECT_NEAR(ratio, 1.0, 0.02 + 0.02 / r);
        const int dx = n % w - cx, dy = n / w - cy;
        if (dy == 0) {
            EXPECT_NEAR(ratio, 1.02, 0.02 / r);  // along a petal
        } else if (dx == dy || dx == -dy) {
            EXPECT_NEAR(ratio, 0.98, 0.02 / r);  // between petals
        }
    }
}

TEST(SpiralTransforms, TypoTurnsEachRowByEverythingAboveIt) {
    const int w = 120, h = 90;
    Map m(w, h);
    const uint32_t seed = 197;  // an odd swirl that piles up: 0.15 rad at most
    Draws d{seed};
    const double cx = d.Next(w) * 0.25 + 45, cy = d.Next(h) * 0.25 + 33.75;
    for (const int petalDraw : {2, 2, 1}) d.Next(petalDraw);
    const int swirl = d.Next(8) + 6;
    m.Generate(11, seed);
    double sum = 0, largest = 0;
    for (int n = 0; n < m.t.pixelCount; ++n) {
        const double dx = n % w - cx, dy = n / w - cy;
        sum += 0.0256 / w * std::sin(swirl * std::atan2(dy, dx));
        largest = std::max(largest, std::fabs(sum));
        double turn, ratio, r;
        if (!PolarMotion(m.t, n, cx, cy, turn, ratio, r) || r < 30) continue;
        if (n < w) {
            EXPECT_LE(std::fabs(turn), 0.0256 + 0.02 / r);
        }
        EXPECT_NEAR(turn, WrapAngle(sum), 0.02 / r) << "at " << n % w << ", " << n / w;
    }
    // The running sum grows well past one row's worth: no per-row reset.
    EXPECT_GT(largest, 0.1);
}

TEST(SpiralTransforms, WavySpiralScalesAndTwistsMostAtTheCentre) {
    const int w = 160, h = 120;
    Map m(w, h);
    for (const bool fivefold : {false, true}) {
        // No ripple (step 6 draws 5), scale 1.01, twist (10 - 4.7) / 150.
        const uint32_t seed = FindSeed([fivefold] {
            Random(120);
            Random(90);
            if (Random(5) != 4) return false;
            Random(20);
            return Random(10) == 10 && Random(10) == 5 && (Random(5) == 0) == fivefold;
        });
        Draws d{seed};
        const double cx = d.Next(120) + 20.0, cy = d.Next(90) + 15.0;
        const double twist = 5.3 / 150 * (fivefold ? 5 : 1);
        m.Generate(0, seed);
        for (int n = 0; n < m.t.pixelCount; ++n) {
            double turn, ratio, r;
            if (!PolarMotion(m.t, n, cx, cy, turn, ratio, r) || r < 20) continue;
            const double rest = 1 - r / w;
            EXPECT_NEAR(ratio, 1.01, 0.02 / r);
            EXPECT_NEAR(turn, twist * rest * rest, 0.02 / r) << "at " << n % w << ", " << n / w;
        }
    }
}
