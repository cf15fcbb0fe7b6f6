// The Transform object: the point-to-entry conversion, masks, choice and lock.
#include <gtest/gtest.h>

#include <limits>
#include <set>
#include <utility>

#include "transform_map_checks.h"

namespace {

constexpr int kFuzzy = 5;
constexpr int kShiny = 6;

}  // namespace

TEST(TransformConversion, FractionalPointSplitsIntoFourWeightsAndOutsidePointsGoBlack) {
    Map m(64, 48);
    Transform& t = m.t;
    t.SetEntry(1, 10.25, 20.75);
    EXPECT_EQ(t.sourceOffsets[1], 4 * (20 * 64 + 10));
    EXPECT_WEIGHTS(t, 1, 0, 47, 15, 143, 47);
    t.SetEntry(2, 63.0, 47.0);  // the last pixel is still in range
    EXPECT_EQ(t.sourceOffsets[2], 4 * (47 * 64 + 63));
    EXPECT_WEIGHTS(t, 2, 0, 255, 0, 0, 0);

    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const double outside[][2] = {{-0.5, 3.0}, {3.0, -0.5}, {63.0001, 3.0}, {3.0, 47.0001}, {nan, 3.0},
                                 {3.0, nan},  {inf, 3.0},  {3.0, -inf},    {-1e300, 1e300}};
    for (const auto& c : outside) {
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
    EXPECT_EQ(t.enabled[1], 0);
    t.SetEnabledMask(1);
    EXPECT_EQ(t.enabled[14], 1);
    // A negative mask acts as its absolute value; bits above the 15th are ignored.
    const std::pair<int, int> cases[] = {{-1, 1}, {-2, 2}, {0, 0}, {0x70005, 5}, {0x5555, 0x5555}};
    for (const auto& [stored, read] : cases) {
        t.SetEnabledMask(stored);
        EXPECT_EQ(t.GetEnabledMask(), read) << stored;
    }
}

TEST(TransformChoice, RandomPicksOnlyEnabledOrAllAndNextVisitsDisabled) {
    Map m(16, 12);
    Transform& t = m.t;
    SeedRandom(99);
    for (const int mask : {(1 << (14 - kFuzzy)) | (1 << (14 - 13)), 0}) {
        t.SetEnabledMask(mask);
        std::set<int> chosen;
        for (int i = 0; i < 400; ++i) {
            t.Choose(0);
            chosen.insert(t.currentIndex);
        }
        EXPECT_EQ(chosen.size(), mask == 0 ? 15u : 2u);  // nothing enabled falls back to all
        EXPECT_TRUE(chosen.count(kFuzzy) && chosen.count(13) && *chosen.rbegin() < 15);
    }
    t.SetEnabledMask(32767 & ~(1 << 14));  // transform 0 off
    t.currentIndex = 14;
    t.Choose(1);
    EXPECT_EQ(t.currentIndex, 0);
    t.Choose(2);
    EXPECT_EQ(t.currentIndex, 0);
}

TEST(TransformChoice, LockOverridesRandomAndNextAndRegenerates) {
    int lock = kShiny;
    Transform t;
    t.lockedTransform = &lock;
    t.Init(40, 30);
    EXPECT_EQ(t.currentIndex, kShiny);
    for (int mode : {0, 1, 2}) {
        t.currentIndex = 2;
        FillWithGarbage(t);
        t.Choose(mode);
        EXPECT_EQ(t.currentIndex, kShiny) << mode;
        if (mode == 2) {
            EXPECT_EQ(t.sourceOffsets[0], 0x7FFFFFF0) << "keep leaves the map as it was";
        } else {
            ExpectSoundMap(t);  // regenerated over the garbage
        }
    }
    // A lock outside the table counts as none.
    for (int outside : {15, 99, -2}) {
        lock = outside;
        t.currentIndex = 3;
        t.Choose(1);
        EXPECT_EQ(t.currentIndex, 4) << outside;
    }
}

TEST(TransformGenerate, IndexOutsideTheTableLeavesTheMap) {
    Map m(16, 12);
    m.t.FillIdentity();
    for (int index : {-1, 15, 1000}) {
        m.t.currentIndex = index;
        m.t.Generate();
        for (int n = 0; n < m.t.pixelCount; ++n) ASSERT_EQ(m.t.sourceOffsets[n], 4 * n);
    }
}
