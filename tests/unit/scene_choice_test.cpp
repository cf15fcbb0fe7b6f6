// Scene choice: random, step, all, keep, the lock and the masks.
#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "scene/random.h"
#include "scene/scene.h"
#include "renderer_rig.h"

namespace {

struct ChoiceFixture : ::testing::Test {
    TestDisplay display{8, 6};
    Scene scene{&display};
    void SetUp() override { SeedRandom(11); }
    long ActiveCount() const {
        return std::count_if(scene.activeRenderers, scene.activeRenderers + kRendererCount, [](int a) { return a; });
    }
};

}  // namespace

TEST_F(ChoiceFixture, RandomChoiceHonoursEnabledFlagsAndTheLockAndAlwaysChoosesOne) {
    for (const int mask : {1 << (13 - 5), 0}) {  // renderer 5 only; none, which means all
        scene.SetEnabledMask(mask);
        for (int n = 0; n < 50; ++n) {
            scene.ChooseScene(0, 2);
            ASSERT_EQ(ActiveCount(), 1);
            ASSERT_TRUE(mask == 0 || scene.GetCurrentRenderer() == 5);
        }
    }
    // A lock wins even over a disabled renderer; stepping ignores the lock.
    scene.SetEnabledMask(1 << (13 - 5));
    scene.lockedRenderer = 3;
    scene.ChooseScene(0, 2);
    EXPECT_EQ(scene.GetCurrentRenderer(), 3);
    scene.ChooseScene(1, 2);
    EXPECT_EQ(scene.GetCurrentRenderer(), 4);
    scene.ChooseScene(0, 0);
    EXPECT_EQ(scene.GetCurrentRenderer(), 3);
    for (int lock : {14, 99, -7}) {  // a lock outside the table counts as none
        scene.lockedRenderer = lock;
        scene.ChooseScene(0, 2);
        ASSERT_EQ(scene.GetCurrentRenderer(), 5) << lock;
    }
}

// One draw of 0..13 per try, redrawn until an enabled renderer comes up;
// nothing else draws while the transform is kept.
TEST_F(ChoiceFixture, RandomChoiceDrawsUntilAnEnabledRendererComesUp) {
    scene.SetEnabledMask((1 << (13 - 2)) | (1 << (13 - 13)));  // renderers 2 and 13
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        Msvcrt g{seed};
        int tries = 1, k;
        while ((k = g.Draw(13)) != 2 && k != 13) ++tries;
        SeedRandom(seed);
        const int draws = DrawsBetween(seed, (scene.ChooseScene(0, 2), RandomState()));
        ASSERT_EQ(scene.GetCurrentRenderer(), k) << seed;
        ASSERT_EQ(draws, tries) << seed;
    }
    scene.lockedRenderer = 4;  // a lock draws nothing
    const uint32_t before = RandomState();
    scene.ChooseScene(0, 2);
    EXPECT_EQ(RandomState(), before);
}

TEST_F(ChoiceFixture, StepsAllAndKeepModes) {
    scene.lockedRenderer = 13;
    scene.ChooseScene(0, 2);
    scene.SetEnabledMask(0);
    scene.ChooseScene(1, 2);  // from 13 to 0, although 0 is disabled
    EXPECT_EQ(scene.GetCurrentRenderer(), 0);
    EXPECT_EQ(ActiveCount(), 1);

    scene.ChooseScene(666, 2);  // F12
    EXPECT_EQ(ActiveCount(), 14);
    scene.ChooseScene(1, 2);  // only the lowest moves on: 0 off, 1 stays on
    EXPECT_EQ(ActiveCount(), 13);
    EXPECT_EQ(scene.GetCurrentRenderer(), 1);

    scene.frameCounter = 77;
    scene.firstFrame = 0;
    scene.ChooseScene(2, 2);
    EXPECT_EQ(scene.frameCounter, 0);
    EXPECT_EQ(scene.firstFrame, 1);
    EXPECT_EQ(ActiveCount(), 13);
}

TEST_F(ChoiceFixture, TransformModesFollowTheRendererModes) {
    Transform& t = *display.transform;
    t.currentIndex = 14;
    scene.ChooseScene(2, 1);  // F6: next transform, wraps
    EXPECT_EQ(t.currentIndex, 0);
    scene.ChooseScene(1, 2);  // F5: transform kept
    EXPECT_EQ(t.currentIndex, 0);
}

TEST_F(ChoiceFixture, MasksPackAndUnpackWithSignedArithmetic) {
    EXPECT_EQ(scene.GetEnabledMask(), 16383);
    scene.SetEnabledMask(8192);  // renderer 0 is the highest bit
    EXPECT_EQ(scene.enabledRenderers[0], 1);
    EXPECT_EQ(scene.enabledRenderers[1], 0);
    scene.SetEnabledMask(1);
    EXPECT_EQ(scene.enabledRenderers[13], 1);
    // A negative mask acts as its absolute value; bits above the 14th are ignored.
    const std::pair<int, int> cases[] = {{-1, 1}, {-2, 2}, {0, 0}, {16383 | (1 << 20), 16383}, {0x1555, 0x1555}};
    for (const auto& [stored, read] : cases) {
        scene.SetEnabledMask(stored);
        EXPECT_EQ(scene.GetEnabledMask(), read) << stored;
    }
}
