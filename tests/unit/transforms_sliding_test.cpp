// Undulating Slider (4), Diagonal Fade (7) and Plain Sine Wave (14): what
// each map does to the picture.
#include <gtest/gtest.h>

#include <vector>

#include "transform_map_checks.h"

namespace {

constexpr int kSlider = 4;
constexpr int kDiagonal = 7;
constexpr int kSine = 14;

// Slider draws: frequency, speed, direction, depth.
uint32_t SliderSeed(int direction, int speedDraw = -1, int depthDraw = -1) {
    return FindSeed([&] {
        Random(3);
        const int speed = Random(5);
        const int dir = Random(1) == 0 ? 1 : -1;
        const int depth = Random(3);
        return dir == direction && (speedDraw < 0 || speed == speedDraw) && (depthDraw < 0 || depth == depthDraw);
    });
}

TEST(UndulatingSlider, WrapBandCopiesExactColumnsFromTheFarSide) {
    const int W = 64, H = 9;
    Map m(W, H);
    Transform& t = m.t;

    GenerateCountingDraws(t, kSlider, SliderSeed(+1));
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < 11; ++x) {
            EXPECT_EQ(OffsetAt(t, x, y), 4 * (y * W + x + W - 12)) << x << "," << y;
            EXPECT_WEIGHTS(t, x, y, 255, 0, 0, 0);
        }
    }
    EXPECT_EQ(OffsetAt(t, 0, 0), 4 * (W - 12));
    EXPECT_EQ(OffsetAt(t, 10, 0), 4 * (W - 2));
    EXPECT_LT(OffsetAt(t, 11, 0) / 4, 11) << "column 11 is past the band";

    GenerateCountingDraws(t, kSlider, SliderSeed(-1));
    for (int y = 0; y < H; ++y) {
        for (int x = W - 11; x < W; ++x) {
            EXPECT_EQ(OffsetAt(t, x, y), 4 * (y * W + x + 13 - W)) << x << "," << y;
            EXPECT_WEIGHTS(t, x, y, 255, 0, 0, 0);
        }
    }
    EXPECT_EQ(OffsetAt(t, W - 11, 0), 4 * 2);
    EXPECT_EQ(OffsetAt(t, W - 1, 0), 4 * 12);
    EXPECT_GT(OffsetAt(t, W - 12, 0) / 4, W - 12) << "column W - 12 is past the band";
}

TEST(UndulatingSlider, SlidesOnlySidewaysAndLeavesNoBlackColumn) {
    const int W = 640, H = 4;
    Map m(W, H);
    Transform& t = m.t;
    // Fastest and deepest in both directions, then a spread of other draws.
    std::vector<uint32_t> seeds = {SliderSeed(+1, 5, 3), SliderSeed(-1, 5, 3)};
    for (uint32_t s = 1; s < 30; ++s) seeds.push_back(s * 104729u);
    for (uint32_t seed : seeds) {
        GenerateCountingDraws(t, kSlider, seed);
        for (int y = 0; y < H; ++y) {
            for (int x = 0; x < W; ++x) {
                ASSERT_FALSE(IsBlack(t, x, y)) << "seed " << seed << " at " << x << "," << y;
                ASSERT_EQ(OffsetAt(t, x, y) / 4 / W, y);
                const uint8_t* w = WeightsAt(t, x, y);
                ASSERT_EQ(w[2] + w[3], 0) << "moved vertically at " << x << "," << y;
            }
        }
    }
    // The steepest case: column 11 comes from at most 10.03 pixels to its left.
    GenerateCountingDraws(t, kSlider, seeds[0]);
    EXPECT_GE(OffsetAt(t, 11, 0) / 4, 0);
    EXPECT_LE(OffsetAt(t, 11, 0) / 4, 9);
}

// Diagonal Fade draws: p, dx factor, q, dy factor, two signs.
TEST(DiagonalFade, TenthOfAPixelBothWaysBlendsFourPixels) {
    const int W = 31, H = 17;
    Map m(W, H);
    Transform& t = m.t;
    GenerateCountingDraws(t, kDiagonal, FindSeed([] {
                              const int p = Random(10), a = Random(10), q = Random(10), b = Random(10);
                              return p * a == 0 && q * b == 0 && Random(1) == 0 && Random(1) == 0;
                          }));
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
            if (x == W - 1 || y == H - 1) {
                EXPECT_TRUE(IsBlack(t, x, y)) << x << "," << y;
                continue;
            }
            EXPECT_EQ(OffsetAt(t, x, y), 4 * (y * W + x));
            EXPECT_WEIGHTS(t, x, y, 206, 22, 22, 2);
        }
    }
}

// Plain Sine Wave draws: shift, phase, amplitude factor.
TEST(PlainSineWave, ShiftBlackensTheColumnsItLeavesBehind) {
    const int W = 320, H = 30;
    Map m(W, H);
    Transform& t = m.t;
    // Shift 4.1: columns 0 to 4 come from left of the picture.
    GenerateCountingDraws(t, kSine, FindSeed([] { return Random(8) == 8; }));
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < 5; ++x) EXPECT_TRUE(IsBlack(t, x, y)) << x << "," << y;
    }
    // Shift -3.9: the last four columns come from right of it.
    GenerateCountingDraws(t, kSine, FindSeed([] { return Random(8) == 0; }));
    for (int y = 0; y < H; ++y)
        for (int x = W - 4; x < W; ++x) EXPECT_TRUE(IsBlack(t, x, y)) << x << "," << y;
}

TEST(PlainSineWave, ColumnsMoveRigidlyAndTheLargestBendBlackensTheEdgeRows) {
    const int W = 320, H = 60;
    Map m(W, H);
    Transform& t = m.t;
    // shift -3.9, phase 0, amplitude 2.5 x 1280 / 320 = 10 pixels.
    GenerateCountingDraws(t, kSine, FindSeed([] { return Random(8) == 0 && Random(10000) == 0 && Random(4) == 4; }));
    // Column 0 comes from 3.9, and cos(0) = 1 moves it down by exactly 10 rows.
    for (int y = 0; y < H; ++y) {
        if (y > H - 11) {
            EXPECT_TRUE(IsBlack(t, 0, y)) << y;
        } else {
            EXPECT_EQ(OffsetAt(t, 0, y), 4 * ((y + 10) * W + 3)) << y;
            EXPECT_WEIGHTS(t, 0, y, 25, 229, 0, 0);
        }
    }
    // Every column keeps its shape: where in range, each row repeats the row above one row lower.
    for (int x = 0; x < W; ++x) {
        for (int y = 1; y < H; ++y) {
            if (IsBlack(t, x, y) || IsBlack(t, x, y - 1)) continue;
            ASSERT_EQ(OffsetAt(t, x, y) - OffsetAt(t, x, y - 1), 4 * W) << x << "," << y;
            ASSERT_EQ(0, memcmp(WeightsAt(t, x, y), WeightsAt(t, x, y - 1), 4)) << x << "," << y;
        }
    }
}

}  // namespace
