// Sparkles and Paint Drops.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <utility>
#include <vector>

#include "scene/random.h"
#include "test_display.h"

namespace {

using Pixel = std::pair<int, int>;

struct Rig {
    TestDisplay display;
    Scene scene;
    Rig(int w, int h, bool withTransform = true) : display(w, h, withTransform), scene(&display) {
        TestAudio silence;
        scene.framesPerScene = -1;
        scene.Frame(silence.spectrum, silence.waveform);  // size copies; nothing active
    }
    void Volumes(double left, double right, double mid, double peak) {
        scene.volumeLeft = left;
        scene.volumeRight = right;
        scene.volumeMid = mid;
        scene.volumePeak = peak;
    }
    void Clear() { std::fill(display.frameBuffer, display.frameBuffer + scene.width * scene.height, 0u); }
    std::vector<Pixel> Lit() const {
        std::vector<Pixel> lit;
        for (int y = 0; y < scene.height; ++y)
            for (int x = 0; x < scene.width; ++x)
                if (display.frameBuffer[y * scene.width + x] != 0) lit.push_back({x, y});
        return lit;
    }
    uint32_t At(int x, int y) const { return display.frameBuffer[y * scene.width + x]; }
};

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
    std::vector<double> angles;
    for (int frame = 0; frame < 9; ++frame) {
        rig.Clear();
        rig.scene.RenderSparkles();
        rig.scene.firstFrame = 0;
        const auto lit = rig.Lit();
        ASSERT_EQ(lit.size(), 2u);  // 240 zero-length lines collapse onto two centres
        // The stars sit opposite each other, a quarter width from the centre.
        EXPECT_NEAR(lit[0].first + lit[1].first, 400, 2);
        EXPECT_NEAR(lit[0].second + lit[1].second, 300, 2);
        EXPECT_NEAR(std::hypot(lit[0].first - 199.5, lit[0].second - 149.5), 100.0, 1.5);
        angles.push_back(std::atan2(lit[0].second - 149.5, lit[0].first - 199.5));
    }
    // A fixed per-scene spin, one of the seven of the spin table (seen modulo pi,
    // since the two stars cannot be told apart).
    const auto turn = [&](int a, int b) { return std::remainder(angles[b] - angles[a], M_PI); };
    const double perFrame = turn(0, 8) / 8;
    EXPECT_NEAR(turn(0, 4) / 4, perFrame, 0.006);
    bool known = false;
    for (int k = -3; k <= 3; ++k) {
        const double spin = std::remainder(6.283 / (k * 60.0 + 1.01), M_PI);
        known = known || std::fabs(spin - perFrame) < 0.003;
    }
    EXPECT_TRUE(known) << perFrame;
}

TEST(Sparkles, EachStarIsOneColourAndLoudBurstsStayClipped) {
    for (const auto& [w, h] : std::vector<Pixel>{{200, 150}, {1, 1}, {2, 3}, {7, 2}}) {
        Rig rig(w, h);
        rig.Volumes(128, 90, 100, 8.0);  // rays as long as the screen is high
        rig.scene.firstFrame = 1;
        for (int frame = 0; frame < 6; ++frame) {
            rig.Clear();
            rig.scene.RenderSparkles();
            rig.scene.firstFrame = 0;
            std::set<uint32_t> colours;
            for (const auto& [x, y] : rig.Lit()) colours.insert(rig.At(x, y));
            EXPECT_LE(colours.size(), 2u) << w << "x" << h;
            EXPECT_EQ(rig.scene.applyTransform, 1);
        }
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

TEST(PaintDrops, OneDropIsTenBrightRingsAroundItsDrawnCentre) {
    const uint32_t palette[3] = {0x000F0FFF, 0x000FFF0F, 0x00FF0F0F};
    Rig rig(64, 48);
    for (uint32_t seed = 1; seed <= 12; ++seed) {
        SeedRandom(seed);
        const uint32_t c = palette[Random(2)];
        const int a = Random(10);
        int dx = Random(static_cast<int>(a * 64 * 0.05));
        if (Random(1) == 0) dx = -dx;
        const int b = Random(10);
        int dy = Random(static_cast<int>(b * 48 * 0.05));
        if (Random(1) == 0) dy = -dy;
        const int cx = 32 + dx, cy = 24 + dy;

        SeedRandom(seed);
        rig.Clear();
        rig.Volumes(0, 0, 0.2327 * 40.0, 40.0);  // exactly one drop
        rig.scene.RenderPaintDrops();
        int minX = 64, maxX = -1, minY = 48, maxY = -1;
        for (const auto& [x, y] : rig.Lit()) {
            minX = std::min(minX, x), maxX = std::max(maxX, x);
            minY = std::min(minY, y), maxY = std::max(maxY, y);
            // OR of one palette colour scaled by 1.75..7.9: its own channel
            // saturates, the two dim ones stay below 128.
            const uint32_t p = rig.At(x, y);
            for (int shift : {0, 8, 16}) {
                const uint32_t want = (c >> shift) & 255, got = (p >> shift) & 255;
                if (want == 255) EXPECT_EQ(got, 255u);
                else EXPECT_LT(got, 128u);
            }
        }
        // The outer ring (radius 4.5) truncates to cx-5 .. cx+4.
        EXPECT_EQ(minX, std::max(0, cx - 5)) << seed;
        EXPECT_EQ(maxX, std::min(63, cx + 4)) << seed;
        EXPECT_EQ(minY, std::max(0, cy - 5)) << seed;
        EXPECT_EQ(maxY, std::min(47, cy + 4)) << seed;
        EXPECT_NE(rig.At(cx, cy), 0u);
        // The brightest ring: factor 8 cos 0.15 turns 0x0F into 0x76.
        EXPECT_EQ(rig.At(cx, cy), ScaleColor(8.0 * std::cos(0.15), c));
    }
}

TEST(PaintDrops, AlwaysFadesAndSurvivesTinyFrames) {
    for (const auto& [w, h] : std::vector<Pixel>{{64, 48}, {1, 1}, {2, 3}}) {
        Rig rig(w, h);
        for (const int hint : {0, 1}) {
            rig.display.transform->fadeHint = static_cast<uint8_t>(hint);
            rig.display.transform->noFade = 1;
            rig.Volumes(50, 50, 50, 50);
            rig.scene.RenderPaintDrops();
            EXPECT_EQ(rig.display.transform->noFade, 0);
            EXPECT_EQ(rig.scene.applyTransform, 1);
        }
    }
    Rig bare(8, 8, false);
    bare.Volumes(50, 50, 50, 50);
    bare.scene.RenderPaintDrops();
    EXPECT_FALSE(bare.Lit().empty());
}

}  // namespace
