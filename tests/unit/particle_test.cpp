#include <gtest/gtest.h>

#include <cmath>

#include "scene/particle.h"
#include "scene/random.h"
#include "scene/scene.h"
#include "test_display.h"

namespace {
struct ParticleFixture : ::testing::Test {
    TestDisplay display{200, 120, false};
    Scene scene{&display};
    TestAudio audio;
    void SetUp() override {
        scene.framesPerScene = -1;
        scene.Frame(audio.spectrum, audio.waveform);
        SeedRandom(4);
    }
};
}  // namespace

TEST_F(ParticleFixture, MoveWrapsOncePerAxis) {
    Particle p;
    p.Set(-0.5, 10, 0, 0, 0);
    p.Move(scene, true);
    EXPECT_DOUBLE_EQ(p.x, 199.5);
    p.Set(200.0, 130, 0, 0, 0);  // exactly the width stays; y past the height wraps
    p.Move(scene, true);
    EXPECT_DOUBLE_EQ(p.x, 200.0);
    EXPECT_DOUBLE_EQ(p.y, 10.0);
    p.Set(5, 5, -10, 0, 0);
    p.Move(scene, false);
    EXPECT_DOUBLE_EQ(p.x, -5.0);
}

TEST_F(ParticleFixture, AttractCapsThePullAndSurvivesZeroDistance) {
    Particle p;
    p.Set(10, 10, 0, 0, 0);
    p.Attract(10, 10, 5.0, 2.0);  // infinite pull capped, along +x
    EXPECT_DOUBLE_EQ(p.vx, 2.0);
    EXPECT_DOUBLE_EQ(p.vy, 0.0);
    p.Set(10, 10, 0, 0, 0);
    p.Attract(10, 10, 0.0, 2.0);  // zero strength at zero distance pulls nothing
    EXPECT_DOUBLE_EQ(p.vx, 0.0);
    EXPECT_DOUBLE_EQ(p.vy, 0.0);
    p.Set(0, 0, 0, 0, 0);
    p.Attract(0, 10, 200.0, 5.0);  // 200 / 100 = 2 straight down
    EXPECT_NEAR(p.vx, 0.0, 1e-12);
    EXPECT_NEAR(p.vy, 2.0, 1e-12);
    p.Set(0, 0, 4, -8, 0.25);
    p.Damp(true, false);
    EXPECT_DOUBLE_EQ(p.vx, 3.0);
    EXPECT_DOUBLE_EQ(p.vy, -8.0);
}

TEST_F(ParticleFixture, DropBouncesOffTheSurfaceItCrosses) {
    const double left[] = {0, 50}, right[] = {49, 120}, now[] = {30, 100}, before[] = {30, 101};
    Particle p;
    p.Set(60, 98, 0, 4, 0);  // 98 -> 102 through the band 100..101 of segment 1
    EXPECT_EQ(p.MoveAndBounce(scene, 2, left, right, now, before), 1);
    EXPECT_DOUBLE_EQ(p.y, 100.0);
    EXPECT_LT(p.vy, -6.0) << "a hit throws the drop clearly upward";
    EXPECT_LE(std::fabs(p.vx), 2.5);

    p.Set(199.5, 10, 1, 0, 0);  // off the right side: to the left edge, reversed
    p.MoveAndBounce(scene, 0, left, right, now, before);
    EXPECT_DOUBLE_EQ(p.x, 0.0);
    EXPECT_DOUBLE_EQ(p.vx, -1.0);
}
