// Particle motion: wrapping at the frame's edges and the capped pull.
#include <gtest/gtest.h>

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
