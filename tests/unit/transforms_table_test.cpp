// What every generator promises: its draws and flags, and a map that reads
// only inside the source frame at any size.
#include <gtest/gtest.h>

#include "transform_map_checks.h"

namespace {

// How noFade follows the last draw, Random(range).
enum NoFade { kNever, kAlways, kLastNotZero, kLastIsOne };

struct Row {
    int draws;
    NoFade noFade;
    int range, fadeHint, centreHint;
};
constexpr Row kTable[kTransformCount] = {
    {8, kLastNotZero, 4, 0, 0},  // Wavy Spiral
    {5, kLastIsOne, 2, 1, 0},    // Parabolic Zoomer
    {3, kLastIsOne, 2, 0, 0},    // Bubble
    {1, kNever, 0, 1, 1},        // Fast Zoomer
    {5, kLastNotZero, 2, 1, 1},  // Undulating Slider
    {0, kNever, 0, 0, 1},        // Fuzzy Fade
    {1, kAlways, 0, 0, 0},       // Shiny tiles
    {6, kAlways, 0, 0, 0},       // Diagonal Fade
    {5, kLastNotZero, 2, 0, 0},  // Translate and Spin
    {1, kNever, 0, 1, 1},        // Kaleidoscope
    {5, kLastNotZero, 3, 0, 0},  // Fast Reverse Spiral
    {7, kLastNotZero, 3, 0, 0},  // Typo
    {7, kLastNotZero, 3, 0, 0},  // Flower
    {3, kAlways, 0, 0, 0},       // Spiral Tiles
    {3, kAlways, 0, 0, 0},       // Plain Sine Wave
};

}  // namespace

TEST(TransformTable, DrawsAndFlagsOfEveryGenerator) {
    Map m(24, 18);
    for (int index = 0; index < kTransformCount; ++index) {
        const Row& row = kTable[index];
        int noFadeSeen[2] = {0, 0};
        for (uint32_t seed = 1; seed <= 40; ++seed) {
            ASSERT_EQ(m.Generate(index, seed), row.draws) << m.t.names[index];
            Draws d{seed};
            for (int k = 0; k < row.draws - 1; ++k) d.Next(0);
            const int last = row.draws > 0 ? d.Next(row.range) : 0;
            const int noFade = row.noFade == kAlways || (row.noFade == kLastNotZero && last != 0) ||
                               (row.noFade == kLastIsOne && last == 1);
            EXPECT_EQ(m.t.noFade, noFade) << m.t.names[index] << " seed " << seed;
            EXPECT_EQ(m.t.fadeHint, row.fadeHint) << m.t.names[index];
            EXPECT_EQ(m.t.centreHint, row.centreHint) << m.t.names[index];
            ++noFadeSeen[m.t.noFade];
        }
        if (row.noFade == kLastNotZero || row.noFade == kLastIsOne) {
            EXPECT_TRUE(noFadeSeen[0] && noFadeSeen[1]) << m.t.names[index];
        }
    }
}

TEST(TransformTable, EveryMapAddressesOnlyTheSourceFrameAtAnySize) {
    const int sizes[][2] = {{0, 4}, {4, 0}, {1, 1}, {2, 1}, {1, 3}, {3, 3}, {7, 5}, {5, 9}, {13, 3},
                            {33, 17}, {17, 40}};
    for (const auto& s : sizes) {
        Map m(s[0], s[1]);
        for (int index = 0; index < kTransformCount; ++index)
            for (uint32_t seed = 1; seed <= 10; ++seed) {
                FillWithGarbage(m.t);
                m.Generate(index, seed * 7919);
                SCOPED_TRACE(testing::Message() << m.t.names[index] << " seed " << seed);
                ExpectSoundMap(m.t);
            }
    }
}

TEST(TransformTable, HugeWidthKeepsSpiralTilesSlowColumnWave) {
    // 65535² overflows 32 bits; the wave across such a width still stays
    // within its first half period, so every column moves up in row 0.
    Map m(65535, 2);
    m.Generate(13, FindSeed([] {
                   Random(8);
                   Random(4);
                   return Random(1) == 0;
               }));
    for (int x = 0; x < 65535; ++x) ASSERT_TRUE(IsBlack(m.t, x, 0)) << x;
    ExpectSoundMap(m.t);
}
