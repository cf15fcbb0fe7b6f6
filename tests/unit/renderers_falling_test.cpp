// Snow and Spectrum Splash: seeding, wind, wrapping, platforms and bounces.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <utility>

#include "renderer_rig.h"
#include "scene/particle.h"

namespace {

constexpr int kSnow = 11;
constexpr int kSplash = 12;

// The renderers' colour cyclers draw random numbers when they are
// constructed; that happens before a test seeds the sequence.
struct Bench : RendererRig {
    Bench(int w, int h) : RendererRig(w, h) {
        Draw(kSnow, true);
        Draw(kSplash, true);
    }
    void Draw(int renderer, bool first) {
        Fill(0);
        scene.firstFrame = first ? 1 : 0;
        if (renderer == kSnow) scene.RenderSnow();
        else scene.RenderSpectrumSplash();
    }
};

// Where the flakes should be: the seeding draws, an optional gust, then the
// push, damping and wrapping move of every frame.
std::set<std::pair<int, int>> ModelSnow(uint32_t seed, int w, int h, bool gustFirst, double firstWind, double wind,
                                        int frames) {
    static Particle p[1000];
    SeedRandom(seed);
    for (int i = 0; i < 1000; ++i) {
        const double x = Random(w - 1), y = Random(h - 1);
        const double vx = (Random(100) - 50) * 0.01, vy = (Random(100) - 50) * 0.01;
        p[i].Set(x, y, vx, vy, i % 2 == 0 ? 0.05 : 0.03);
    }
    if (gustFirst) {
        for (auto& q : p) {
            const double gx = (Random(100) - 50) * 0.05, gy = (Random(100) - 50) * 0.05;
            q.Push(gx, gy);
        }
    }
    RendererRig sizes(w, h, false);
    std::set<std::pair<int, int>> lit;
    for (int f = 0; f < frames; ++f) {
        lit.clear();
        for (auto& q : p) {
            q.Push(f == 0 ? firstWind : wind, 0.05);
            q.Damp(true, true);
            q.Move(sizes.scene, true);
            if (q.x > -1.0 && q.x < w && q.y > -1.0 && q.y < h) lit.insert({int(q.x), int(q.y)});
        }
    }
    return lit;
}

TEST(RenderersFallingSnow, FlakesFollowTheSeedingGustAndWindAtFifteenPercentOfThePeak) {
    Bench b(160, 120);
    b.scene.volumePeak = 20.0;
    // A beat on the first frame gives every flake its gust after the seeding.
    b.scene.volumeMid = 15.0;
    SeedRandom(42);
    b.Draw(kSnow, true);
    // Then 15 % of the peak: no wind at all.
    b.scene.volumeMid = 3.0;
    for (int f = 1; f < 40; ++f) b.Draw(kSnow, false);
    EXPECT_EQ(b.Lit(), ModelSnow(42, 160, 120, true, 0.75 * 0.2 - 0.03, 0.0, 40));
    // The same flakes blown by the light silent drift land elsewhere.
    EXPECT_NE(b.Lit(), ModelSnow(42, 160, 120, true, 0.75 * 0.2 - 0.03, -0.03, 40));
}

TEST(RenderersFallingSnow, FlakesWrapAroundEveryEdgeAndDrawInOneColour) {
    Bench b(40, 30);
    b.scene.volumePeak = 8.0;
    b.scene.volumeMid = 0.0;  // drift to the left
    SeedRandom(3);
    b.Draw(kSnow, true);
    for (int f = 0; f < 600; ++f) b.Draw(kSnow, false);
    // Falling about a pixel a frame, every flake has left the bottom and the
    // left edge many times over; without wrapping the frame would be empty.
    const auto lit = b.Lit();
    EXPECT_GT(lit.size(), 500u);
    EXPECT_EQ(lit, ModelSnow(3, 40, 30, false, -0.03, -0.03, 601));
    for (const auto& [x, y] : lit) ASSERT_EQ(b.At(x, y), b.At(lit.begin()->first, lit.begin()->second));
}

TEST(RenderersFallingSplash, SilentPlatformsLieFiveRowsAboveTheBottomInThreeColours) {
    Bench b(90, 60);
    SeedRandom(9);
    b.Draw(kSplash, true);
    const int row = 60 - 5;
    // Platform b covers b x 0.334 x width up to the next; the last runs off the edge.
    for (int x = 0; x < 90; ++x) ASSERT_NE(b.At(x, row), 0u) << x;
    for (int x = 1; x < 30; ++x) EXPECT_EQ(b.At(x, row), b.At(0, row)) << x;
    for (int x = 31; x < 60; ++x) EXPECT_EQ(b.At(x, row), b.At(30, row)) << x;
    for (int x = 61; x < 90; ++x) EXPECT_EQ(b.At(x, row), b.At(60, row)) << x;
    // The drops start half-way down and nothing else is drawn below the platforms.
    for (int y = row + 1; y < 60; ++y)
        for (int x = 0; x < 90; ++x) ASSERT_EQ(b.At(x, y), 0u);

    // Each drop starts at a random column, half-way down, with a sideways speed
    // of up to 2.5 and an upward one of up to 5; it falls by 0.4 a frame,
    // loses 3 % of its speed and turns at the walls. The colour cyclers, in
    // whatever state earlier scenes left them, may draw first: the drops take
    // the draws after theirs.
    for (int frame = 1; frame < 3; ++frame) b.Draw(kSplash, false);
    std::set<std::pair<int, int>> drawn;
    for (const auto& p : b.Lit())
        if (p.second < 50) drawn.insert(p);
    auto expectedAfter = [](int cyclerDraws) {
        Msvcrt g{9};
        for (int i = 0; i < cyclerDraws; ++i) g.Next();
        double px[1000], py[1000], vx[1000], vy[1000];
        for (int i = 0; i < 1000; ++i) {
            px[i] = g.Draw(89), py[i] = 30.0;
            vx[i] = (g.Draw(100) - 50) * 0.05;
            vy[i] = g.Draw(100) * -0.05;
        }
        std::set<std::pair<int, int>> expected;
        for (int frame = 0; frame < 3; ++frame) {
            for (int i = 0; i < 1000; ++i) {
                vy[i] = (vy[i] + 0.4) * 0.97;
                vx[i] *= 0.97;
                px[i] += vx[i], py[i] += vy[i];
                if (px[i] < 0 || px[i] > 89.0) px[i] = 0.0, vx[i] = -vx[i];
                if (frame == 2 && py[i] > -1.0 && py[i] < 50) expected.insert({int(px[i]), int(py[i])});
            }
        }
        return expected;
    };
    int cyclerDraws = 0;
    while (cyclerDraws < 16 && expectedAfter(cyclerDraws) != drawn) ++cyclerDraws;
    EXPECT_EQ(drawn, expectedAfter(cyclerDraws < 16 ? cyclerDraws : 0));
}

// Runs the splash and returns the highest drop row seen once the drops have
// landed; fails if anything is drawn below the lowest platform position.
int HighestDropRow(Bench& b, int frames, bool pulsing) {
    const int w = b.scene.width, h = b.scene.height;
    int highest = h;
    for (int f = 0; f < frames; ++f) {
        // On pulsing frames each band's weighted energy lifts its platform by 10 rows.
        for (int k = 0; k < 144; ++k) {
            const double weights = 48.0 * (48 * (k / 48)) + 47 * 48 / 2;  // sum of k over the band
            b.scene.spectrumSum[k] = (pulsing && f % 2 == 0) ? std::pow(10.0, 1 / 0.7) / 0.015 / weights : 0.0;
        }
        b.Draw(kSplash, f == 0);
        for (int i = 0; i < w * h; ++i) {
            if (b.scene.frameBuffer[i] == 0) continue;
            if (i / w > h - 5) ADD_FAILURE() << "frame " << f << " drew below the platforms at " << i % w
                                             << "," << i / w;
            if (f >= 60 && i / w < highest) highest = i / w;
        }
    }
    return highest;
}

TEST(RenderersFallingSplash, DropsBounceOffPulsingAndStillPlatformsAndNeverFallThrough) {
    // A drop rising from a still surface is free to leave it, not caught again.
    Bench probeScene(64, 48);
    const double left[] = {0.0}, right[] = {64.0}, surface[] = {43.0};
    Particle probe;
    probe.Set(10.0, 43.0, 0.0, -7.0, 0.0);
    EXPECT_EQ(probe.MoveAndBounce(probeScene.scene, 1, left, right, surface, surface), -1);

    for (const bool pulsing : {true, false}) {
        Bench b(64, 48);
        SeedRandom(11);
        // Pulsing platforms jump between the floor row and 10 rows higher.
        EXPECT_LT(HighestDropRow(b, 200, pulsing), pulsing ? 48 - 15 - 15 : 48 - 5 - 20) << pulsing;
    }
}

}  // namespace
