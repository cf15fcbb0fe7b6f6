// Particle motion: wrapping at the frame's edges and the capped pull.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "renderer_rig.h"
#include "scene/particle.h"

TEST(Particle, MoveWrapsOncePerAxis) {
    RendererRig rig(200, 120, false);
    Particle p;
    p.Set(-0.5, 10, 0, 0, 0);
    p.Move(rig.scene, true);
    EXPECT_DOUBLE_EQ(p.x, 199.5);
    p.Set(200.0, 130, 0, 0, 0);  // exactly the width stays; y past the height wraps
    p.Move(rig.scene, true);
    EXPECT_DOUBLE_EQ(p.x, 200.0);
    EXPECT_DOUBLE_EQ(p.y, 10.0);
    p.Set(5, 5, -10, 0, 0);
    p.Move(rig.scene, false);
    EXPECT_DOUBLE_EQ(p.x, -5.0);
}

TEST(Particle, AttractPullsTowardThePointCappedAndSurvivesZeroDistance) {
    Particle p;
    p.Set(0, 0, 0, 0, 0);
    p.Attract(0, 10, 200.0, 5.0);  // 200 / 100 = 2 straight down
    EXPECT_NEAR(p.vx, 0.0, 1e-12);
    EXPECT_NEAR(p.vy, 2.0, 1e-12);
    p.Set(10, 10, 0, 0, 0);
    p.Attract(10, 10, 5.0, 2.0);  // infinite pull capped, along +x
    EXPECT_DOUBLE_EQ(p.vx, 2.0);
    EXPECT_DOUBLE_EQ(p.vy, 0.0);
    p.Set(10, 10, 0, 0, 0);
    p.Attract(10, 10, 0.0, 2.0);  // zero strength at zero distance pulls nothing
    EXPECT_DOUBLE_EQ(p.vx, 0.0);
    EXPECT_DOUBLE_EQ(p.vy, 0.0);
}

TEST(Particle, AttractGivesTheSameBitsInEveryBuild) {
    // Offsets whose angle glibc's atan2, cos or sin round differently from
    // the polynomial ones every build shares: a pull through the library
    // would change a last bit here, and a few hundred frames later the picture.
    const struct {
        double dx, dy;
        uint64_t vx, vy;
    } cases[] = {
        {-92.5, 299, 0xbfc2ea3512d93ba6ull, 0x3fde920dd25af1b0ull},
        {-84.5, 202.25, 0xbfc8ac2190e643feull, 0x3fdd86cd484b9dd9ull},
        {-198, 63.5, 0xbfde78a7ed022da7ull, 0x3fc38b7377b28752ull},
        {76.75, -96.25, 0x3fd3f359ee7dd87full, 0xbfd904fc09bb0152ull},
        {205.5, 7.75, 0x3fdffa2e3d173adcull, 0x3f934b97da1e3635ull},
        {116.25, -242.5, 0x3fcbaa700350d6eeull, 0xbfdcdb0efb3348c4ull},
        {252.75, 297, 0x3fd4bd3183aa9f1dull, 0x3fd85eb234ecf4b2ull},
    };
    for (const auto& c : cases) {
        Particle p;
        p.Set(0, 0, 0, 0, 0);
        p.Attract(c.dx, c.dy, 1e9, 0.5);  // capped: a pull of exactly 0.5
        uint64_t vx, vy;
        memcpy(&vx, &p.vx, 8);
        memcpy(&vy, &p.vy, 8);
        EXPECT_EQ(vx, c.vx) << c.dx << ", " << c.dy;
        EXPECT_EQ(vy, c.vy) << c.dx << ", " << c.dy;
    }
}

TEST(Particle, DampTakesTheFrictionOffEachChosenAxis) {
    Particle p;
    p.Set(0, 0, 2.0, -4.0, 0.25);
    p.Damp(true, false);
    EXPECT_DOUBLE_EQ(p.vx, 1.5);
    EXPECT_DOUBLE_EQ(p.vy, -4.0);
    p.Damp(false, true);
    EXPECT_DOUBLE_EQ(p.vy, -3.0);
}

// A drop meets a band between the surface now and before: it lands on the
// surface and is thrown up by the first draw, sideways by the second.
TEST(Particle, BouncesOffASegmentItCrossesWithTheThrowOfItsTwoDraws) {
    RendererRig rig(200, 150, false);
    const double left[] = {0.0, 50.0}, right[] = {49.0, 120.0};
    const double now[] = {20.0, 100.0}, before[] = {20.0, 101.0};
    Particle p;
    p.Set(60, 98, 0.5, 4.0, 0.0);  // 98 -> 102 over the second segment
    SeedRandom(77);
    Msvcrt g{77};
    const int r1 = g.Draw(100) - 50, r2 = g.Draw(100) - 50;
    EXPECT_EQ(p.MoveAndBounce(rig.scene, 2, left, right, now, before), 1);
    EXPECT_EQ(RandomState(), g.state);
    EXPECT_DOUBLE_EQ(p.y, 100.0);
    EXPECT_DOUBLE_EQ(p.x, 60.5);
    EXPECT_NEAR(p.vy, (4.0 * r1 - 3548.0) * 0.0022 - 0.2 * 4.0, 1e-12);
    EXPECT_NEAR(p.vx, r2 * 0.05, 1e-12);

    // Above both or below both edges of the band: no hit, no draw.
    for (const double y0 : {90.0, 103.0}) {
        p.Set(60, y0, 0, 1.0, 0);
        const uint32_t state = RandomState();
        EXPECT_EQ(p.MoveAndBounce(rig.scene, 2, left, right, now, before), -1) << y0;
        EXPECT_EQ(RandomState(), state);
    }
    // A surface rising past a resting drop still catches it.
    const double risen[] = {20.0, 95.0};
    p.Set(60, 97, 0, 0.5, 0);
    EXPECT_EQ(p.MoveAndBounce(rig.scene, 2, left, right, risen, before), 1);
    EXPECT_DOUBLE_EQ(p.y, 95.0);
}

TEST(Particle, BouncingDropsRestartAtTheTopAndTurnAtTheWalls) {
    RendererRig rig(200, 150, false);
    Particle p;
    p.Set(30, 148.5, 1.0, 1.0, 0);  // below the last row after the move
    SeedRandom(5);
    Msvcrt g{5};
    EXPECT_EQ(p.MoveAndBounce(rig.scene, 0, nullptr, nullptr, nullptr, nullptr), -1);
    EXPECT_DOUBLE_EQ(p.y, 0.0);
    EXPECT_DOUBLE_EQ(p.vy, 1.0);
    EXPECT_NEAR(p.vx, (g.Draw(100) - 50) * 0.03, 1e-12);

    p.Set(198.5, 10, 1.0, 0, 0);  // past width - 1
    p.MoveAndBounce(rig.scene, 0, nullptr, nullptr, nullptr, nullptr);
    EXPECT_DOUBLE_EQ(p.x, 0.0);
    EXPECT_DOUBLE_EQ(p.vx, -1.0);
    p.Set(0.5, 10, -1.0, 0, 0);
    p.MoveAndBounce(rig.scene, 0, nullptr, nullptr, nullptr, nullptr);
    EXPECT_DOUBLE_EQ(p.x, 0.0);
    EXPECT_DOUBLE_EQ(p.vx, 1.0);
}
