// The Transform object: choice, lock, masks and the point-to-entry conversion.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>

#include "transform_map_checks.h"

namespace {

constexpr int kFuzzy = 5;
constexpr int kShiny = 6;

TEST(TransformConversion, FractionalPointSplitsIntoFourWeights) {
    Transform t;
    t.Init(64, 48);
    t.SetEntry(7, 10.25, 20.75);
    EXPECT_EQ(t.sourceOffsets[7], 4 * (20 * 64 + 10));
    EXPECT_EQ((std::vector<int>{t.weights[28], t.weights[29], t.weights[30], t.weights[31]}),
              (std::vector<int>{47, 15, 143, 47}));

    t.SetEntry(8, 63.0, 47.0);  // the last pixel is still in range
    EXPECT_EQ(t.sourceOffsets[8], 4 * (47 * 64 + 63));
    EXPECT_EQ((std::vector<int>{t.weights[32], t.weights[33], t.weights[34], t.weights[35]}),
              (std::vector<int>{255, 0, 0, 0}));
}

TEST(TransformConversion, PointsOutsideOrNotANumberGoBlack) {
    Transform t;
    t.Init(64, 48);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const double cases[][2] = {{-0.5, 3.0}, {3.0, -0.5},          {63.0001, 3.0}, {3.0, 47.0001}, {nan, 3.0},
                               {3.0, nan},  {inf, 3.0},           {3.0, -inf},    {-1e300, 1e300}};
    for (const auto& c : cases) {
        t.sourceOffsets[3] = 1234;
        t.weights[12] = t.weights[13] = t.weights[14] = t.weights[15] = 9;
        t.SetEntry(3, c[0], c[1]);
        EXPECT_TRUE(IsBlack(t, 3, 0)) << c[0] << ", " << c[1];
    }
}

TEST(TransformMasks, BitsRunFromTransformZeroDown) {
    Transform t;
    EXPECT_EQ(t.GetEnabledMask(), 32767);
    t.SetEnabledMask(16384);
    EXPECT_EQ(t.enabled[0], 1);
    for (int i = 1; i < 15; ++i) EXPECT_EQ(t.enabled[i], 0);
    t.SetEnabledMask(1);
    EXPECT_EQ(t.enabled[14], 1);
    EXPECT_EQ(t.GetEnabledMask(), 1);
    t.SetEnabledMask(0x5555);
    EXPECT_EQ(t.GetEnabledMask(), 0x5555);
    // Negative masks act as their absolute value; bits above the 15th are ignored.
    t.SetEnabledMask(-1);
    EXPECT_EQ(t.GetEnabledMask(), 1);
    t.SetEnabledMask(-2);
    EXPECT_EQ(t.GetEnabledMask(), 2);
    t.SetEnabledMask(0x70000 | 5);
    EXPECT_EQ(t.GetEnabledMask(), 5);
    t.SetEnabledMask(0);
    EXPECT_EQ(t.GetEnabledMask(), 0);
}

TEST(TransformChoice, RandomPicksOnlyEnabledAndNextVisitsDisabled) {
    Transform t;
    t.Init(16, 12);
    t.SetEnabledMask((1 << (14 - kFuzzy)) | (1 << (14 - 13)));
    SeedRandom(99);
    std::set<int> chosen;
    for (int i = 0; i < 200; ++i) {
        t.Choose(0);
        chosen.insert(t.currentIndex);
    }
    EXPECT_EQ(chosen, (std::set<int>{kFuzzy, 13}));

    t.SetEnabledMask(32767 & ~(1 << 14));  // transform 0 off
    t.currentIndex = 14;
    t.Choose(1);
    EXPECT_EQ(t.currentIndex, 0);
    t.Choose(1);
    EXPECT_EQ(t.currentIndex, 1);
    t.Choose(2);
    EXPECT_EQ(t.currentIndex, 1);
}

TEST(TransformChoice, NothingEnabledFallsBackToAll) {
    Transform t;
    t.Init(8, 6);
    t.SetEnabledMask(0);
    SeedRandom(3);
    std::set<int> chosen;
    for (int i = 0; i < 400; ++i) {
        t.Choose(0);
        ASSERT_GE(t.currentIndex, 0);
        ASSERT_LT(t.currentIndex, 15);
        chosen.insert(t.currentIndex);
    }
    EXPECT_EQ(chosen.size(), 15u);
}

TEST(TransformChoice, LockOverridesRandomAndNextAndRegenerates) {
    int lock = kShiny;
    Transform t;
    t.lockedTransform = &lock;
    t.Init(40, 30);
    EXPECT_EQ(t.currentIndex, kShiny);
    ExpectSoundMap(t);
    EXPECT_EQ(t.noFade, 1);

    for (int mode : {0, 1}) {
        t.currentIndex = 2;
        FillWithGarbage(t);
        t.Choose(mode);
        EXPECT_EQ(t.currentIndex, kShiny) << mode;
        ExpectSoundMap(t);  // regenerated over the garbage
    }
    // Keep: the lock still decides the index, but the map stays as it was.
    t.currentIndex = 2;
    FillWithGarbage(t);
    t.Choose(2);
    EXPECT_EQ(t.currentIndex, kShiny);
    EXPECT_EQ(t.sourceOffsets[0], 0x7FFFFFF0);
}

TEST(TransformChoice, LockOutsideTheTableCountsAsUnlocked) {
    Transform t;
    t.Init(16, 12);
    for (int lock : {15, 99, -2, -1}) {
        t.lockedTransform = &lock;
        t.currentIndex = 3;
        t.Choose(1);
        EXPECT_EQ(t.currentIndex, 4) << lock;
        t.SetEnabledMask(1 << (14 - kFuzzy));
        t.Choose(0);
        EXPECT_EQ(t.currentIndex, kFuzzy) << lock;
        t.SetEnabledMask(32767);
        t.lockedTransform = nullptr;
    }
}

TEST(TransformGenerate, IndexOutsideTheTableLeavesTheMap) {
    Transform t;
    t.Init(16, 12);
    t.FillIdentity();
    for (int index : {-1, 15, 1000}) {
        t.currentIndex = index;
        t.Generate();
        for (int n = 0; n < t.pixelCount; ++n) {
            ASSERT_EQ(t.sourceOffsets[n], 4 * n);
            ASSERT_EQ(t.weights[4 * n], 255);
        }
    }
}

}  // namespace
