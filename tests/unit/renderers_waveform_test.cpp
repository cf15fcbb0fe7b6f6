// Plain-Vanilla Waveforms and Shivering Lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "renderer_rig.h"

using Rig = RendererRig;

TEST(PlainVanillaWaveforms, SilentStyleZeroDrawsThreeRowsWithTheMiddleOred) {
    Rig rig(48, 64, false);
    rig.Prime();
    rig.scene.RenderPlainVanillaWaveforms();  // the cyclers exist before the seeded draw
    uint32_t seed = 1;
    while (SeedRandom(seed), Random(1) != 1) ++seed;  // Random(1) == 1 chooses style 0
    SeedRandom(seed);
    rig.scene.firstFrame = 1;

    // The drift phase is left by earlier tests; draw until the curves part.
    bool checked = false;
    for (int attempt = 0; attempt < 40 && !checked; ++attempt) {
        std::vector<uint32_t> background(48 * 64);
        for (int i = 0; i < 48 * 64; ++i) background[i] = (i * 0x010203u) & 0x00FFFFFFu;
        memcpy(rig.display.frameBuffer, background.data(), background.size() * 4);
        rig.scene.RenderPlainVanillaWaveforms();
        rig.scene.firstFrame = 0;

        std::set<int> rows;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 48; ++x)
                if (rig.At(x, y) != background[y * 48 + x]) rows.insert(y);
        ASSERT_TRUE(rows.count(32)) << "middle curve missing";
        if (rows.size() == 1) continue;  // all three on the centre line
        ASSERT_EQ(rows.size(), 3u);
        const int offset = *rows.rbegin() - 32;
        ASSERT_EQ(*rows.begin(), 32 - offset);

        for (int y : {32 - offset, 32 + offset}) {
            for (int x = 0; x <= 46; ++x) EXPECT_EQ(rig.At(x, y), rig.At(0, y)) << "overwritten row " << y;
            EXPECT_EQ(rig.At(47, y), background[y * 48 + 47]) << "last column stays";
        }
        // OR mode keeps every background bit; overwrite would leave one colour.
        bool differsFromPlainColour = false;
        for (int x = 0; x <= 46; ++x) {
            const uint32_t bg = background[32 * 48 + x];
            EXPECT_EQ(rig.At(x, 32) & bg, bg) << "column " << x;
            differsFromPlainColour = differsFromPlainColour || rig.At(x, 32) != rig.At(0, 32);
        }
        EXPECT_TRUE(differsFromPlainColour) << "middle row looks overwritten";
        checked = true;
    }
    EXPECT_TRUE(checked);
}

// The side curves drift apart and together by trunc(sin(phase) x 5/11 of the
// height), the phase gaining 0.01 a frame; a sample moves a curve by
// height / 1024 per unit, read at column x from sample trunc(x x 575 / width).
TEST(PlainVanillaWaveforms, CurvesDriftSlowlyAndFollowTheirSamples) {
    Rig rig(48, 64, false);
    rig.Prime();
    rig.scene.RenderPlainVanillaWaveforms();
    SeedWhere([](Msvcrt& g) { return g.Draw(1) == 1; });  // three curves
    rig.scene.firstFrame = 1;
    std::vector<int> offsets;
    for (int frame = 0; frame < 60; ++frame) {
        rig.Fill(0);
        rig.scene.RenderPlainVanillaWaveforms();
        rig.scene.firstFrame = 0;
        int lowest = 0;
        for (const auto& p : rig.Lit()) lowest = std::max(lowest, p.second);
        offsets.push_back(lowest - 32);
    }
    for (size_t i = 1; i < offsets.size(); ++i) EXPECT_LE(std::abs(offsets[i] - offsets[i - 1]), 1) << i;
    EXPECT_NE(offsets.front(), offsets.back());

    SeedWhere([](Msvcrt& g) { return g.Draw(1) == 0; });  // the middle curve alone
    rig.scene.firstFrame = 1;
    rig.Fill(0);
    for (int i = 0; i < 576; ++i) rig.scene.waveMid[i] = i < 288 ? 64 : -64;  // 4 rows either way
    rig.scene.RenderPlainVanillaWaveforms();
    for (int x = 0; x <= 23; ++x) EXPECT_NE(rig.At(x, 36), 0u) << x;
    for (int x = 26; x <= 46; ++x) EXPECT_NE(rig.At(x, 28), 0u) << x;
    EXPECT_EQ(rig.At(10, 28) | rig.At(30, 36) | rig.At(47, 28), 0u);
}

TEST(ShiveringLines, StrokeCentresKeepThreePixelsFromTheBorders) {
    // A centre nearer the edge would reach row or column 0, or the spare row
    // (a vertical stroke past the right edge wraps into column 0).
    SeedRandom(99);
    for (int w : {6, 7, 13, 24}) {
        for (int h : {6, 9, 20}) {
            Rig rig(w, h, false);
            for (int frame = 0; frame < 60; ++frame) {
                for (int i = 0; i < 2 * 576; ++i) rig.audio.waveform[i] = static_cast<uint8_t>(Random(255));
                rig.Prime();
                rig.scene.volumePeak = 0.0;  // every frame a beat: a new layout
                rig.scene.firstFrame = frame == 0;
                rig.scene.RenderShiveringLines();
                for (int x = 0; x < w; ++x) ASSERT_EQ(rig.At(x, 0), 0u) << w << "x" << h;
                for (int y = 0; y < h; ++y) ASSERT_EQ(rig.At(0, y), 0u) << w << "x" << h;
                ASSERT_TRUE(rig.SpareUntouched()) << w << "x" << h;
            }
        }
    }
}

// A run stops the figure after 1000 steps; each step shakes by the sample
// times height / 2048 (3 x 1400 / 2048: two columns to the right).
TEST(ShiveringLines, ARunStopsDrawingAfterAThousandSteps) {
    const int w = 16, h = 1400;
    Rig rig(w, h, false);
    rig.Prime();
    rig.scene.RenderShiveringLines();
    for (double& sample : rig.scene.waveLeft) sample = 3.0;

    // Find a layout whose first run, down from the top edge, is longer than 1000.
    int xc = 0;
    SeedWhere([&](Msvcrt& g) {
        g.Draw(3), g.Draw(2);
        xc = g.Draw(w) + 2;
        return xc >= 3 && xc <= w - 3 && g.Draw(h) > 1010;
    });
    rig.Fill(0);
    rig.scene.firstFrame = 1;
    rig.scene.RenderShiveringLines();

    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const bool onStroke = x >= xc - 2 && x <= xc + 2 && y >= 3 && y <= 1000;
            ASSERT_EQ(rig.At(x, y) != 0, onStroke) << x << "," << y;
        }
    }
    // Brightest in the middle, symmetric to both sides.
    EXPECT_EQ(rig.At(xc - 1, 500), rig.At(xc + 1, 500));
    EXPECT_EQ(rig.At(xc - 2, 500), rig.At(xc + 2, 500));
    EXPECT_NE(rig.At(xc, 500), rig.At(xc + 1, 500));
}

// 1152 points out through the samples and back: radius = sample / 8 plus
// height x volume / 64, x by the sine and y by the cosine. White on the
// second colour mode; over a centred map, four seeds around the centre.
TEST(WavyCircle, TheRingFollowsTheMiddleWaveAroundTheCentre) {
    Rig rig(200, 160);
    std::set<std::pair<int, int>> ring;
    auto setUp = [&] {
        rig.Prime();
        for (int j = 0; j < 576; ++j) rig.scene.waveMid[j] = (j % 7) * 8 - 24;
        rig.Volumes(0, 0, 10, 20);
        rig.Fill(0);
    };
    setUp();
    for (int i = 0; i < 1152; ++i) {
        const double angle = i * 0.005454166666666666;
        const double r = rig.scene.waveMid[i < 576 ? i : 1151 - i] / 8 + 25.0;
        ring.insert({int(100 + r * std::sin(angle)), int(80 + r * std::cos(angle))});
    }
    rig.scene.RenderWavyCircle();  // its colours exist before the seeded draw
    Transform& t = *rig.display.transform;
    for (const int mode : {1, 0}) {
        setUp();
        t.centreHint = 0;
        SeedWhere([&](Msvcrt& g) { return g.Draw(1) == mode; });
        for (int frame = 0; frame < 8; ++frame) {  // the mode holds for the scene
            if (frame > 0) setUp();
            rig.scene.firstFrame = frame == 0;
            rig.scene.RenderWavyCircle();
            EXPECT_EQ(rig.Lit(), ring) << mode;
            EXPECT_EQ(rig.At(100 + 25 - 3, 80) == 0xFFFFFFu, mode == 1) << "white in mode 1 only";
        }
    }
    std::set<std::pair<int, int>> star = {{99, 80}, {101, 80}, {100, 81}, {100, 79}};
    for (int frame = 0; frame < 3; ++frame) {  // the star may be black on a frame
        setUp();
        t.centreHint = 1;
        rig.scene.firstFrame = 0;
        rig.scene.RenderWavyCircle();
        for (const auto& p : rig.Lit()) EXPECT_TRUE(ring.count(p) || star.count(p)) << p.first << "," << p.second;
        for (const auto& p : ring) EXPECT_NE(rig.At(p.first, p.second), 0u);
    }
}

// The centre slides one pixel per call and stays one call on each edge; the
// circle's radius is height x volume^2 / 2048.
TEST(MovingVolumeCircle, SlidesBetweenTheEdgesAndGrowsWithTheSquareOfTheVolume) {
    Rig rig(12, 128);
    rig.display.transform->centreHint = 0;
    std::string path;  // the centre's column per call, as a letter
    for (int call = 0; call < 60; ++call) {
        rig.Fill(0);
        rig.Volumes(0, 0, 0, 8);
        rig.scene.RenderMovingVolumeCircle();
        const auto lit = rig.Lit();
        ASSERT_EQ(lit.size(), 1u);
        EXPECT_EQ(lit.begin()->second, 64);
        if (call >= 12) path += static_cast<char>('a' + lit.begin()->first);
    }
    std::string bounce;
    for (int n = 0; n < 4; ++n) bounce += "abcdefghijkllkjihgfedcba";
    EXPECT_NE(bounce.find(path), std::string::npos) << path;

    // Volume 16 on 128 rows: radius 16, around the present centre row 64.
    Rig wide(100, 128);
    wide.display.transform->centreHint = 0;
    wide.Volumes(0, 0, 16, 20);
    wide.scene.RenderMovingVolumeCircle();
    int top = 128, bottom = -1;
    for (const auto& [x, y] : wide.Lit()) top = std::min(top, y), bottom = std::max(bottom, y);
    EXPECT_EQ(top, 48);
    EXPECT_EQ(bottom, 79);

    // Over a centred map the middle wave runs down the centre column, ORed.
    wide.Prime();
    for (int j = 0; j < 576; ++j) wide.scene.waveMid[j] = (j % 9) - 4.5;
    wide.Volumes(0, 0, 0, 20);
    wide.display.transform->centreHint = 1;
    wide.Fill(0x00010000);
    wide.scene.RenderMovingVolumeCircle();
    for (int y = 0; y < 128; ++y) {
        const int x = 50 + int((y % 9) - 4.5);
        EXPECT_EQ(wide.At(x, y) & 0x00010000u, 0x00010000u) << y;
        EXPECT_NE(wide.At(x, y), 0x00010000u) << y;
    }
}
