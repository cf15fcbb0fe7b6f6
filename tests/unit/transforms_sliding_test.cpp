// Undulating Slider (4), Diagonal Fade (7) and Plain Sine Wave (14).
#include <gtest/gtest.h>

#include <cmath>

#include "transform_map_checks.h"

namespace {

constexpr int kSlider = 4;
constexpr int kDiagonal = 7;
constexpr int kSine = 14;

struct Size {
    int w, h;
};
constexpr Size kSizes[] = {{1, 1}, {2, 1}, {1, 3}, {5, 4}, {11, 2}, {12, 5}, {13, 3}, {24, 7}, {77, 31}, {320, 240}};

TEST(SlidingTransforms, EveryMapStaysInsideTheFrameAtAnySize) {
    for (const Size s : kSizes) {
        Transform t;
        t.Init(s.w, s.h);
        for (int index : {kSlider, kDiagonal, kSine}) {
            for (uint32_t seed = 1; seed < 40; seed += 3) {
                FillWithGarbage(t);
                GenerateCountingDraws(t, index, seed * 7919u);
                SCOPED_TRACE(testing::Message() << "index " << index << " seed " << seed);
                ExpectSoundMap(t);
            }
        }
    }
}

TEST(SlidingTransforms, DrawCountsAndFlags) {
    Transform t;
    t.Init(40, 30);
    int noFadeSeen[2] = {0, 0};
    for (uint32_t seed = 100; seed < 130; ++seed) {
        EXPECT_EQ(GenerateCountingDraws(t, kSlider, seed), 5);
        EXPECT_EQ(t.fadeHint, 1);
        EXPECT_EQ(t.centreHint, 1);
        // noFade is the last draw: two chances in three.
        SeedRandom(seed);
        for (int i = 0; i < 4; ++i) Random(5);
        const int expected = Random(2) != 0 ? 1 : 0;
        GenerateCountingDraws(t, kSlider, seed);
        EXPECT_EQ(t.noFade, expected);
        ++noFadeSeen[t.noFade];

        EXPECT_EQ(GenerateCountingDraws(t, kDiagonal, seed), 6);
        EXPECT_EQ(t.noFade, 1);
        EXPECT_EQ(t.fadeHint, 0);
        EXPECT_EQ(t.centreHint, 0);

        EXPECT_EQ(GenerateCountingDraws(t, kSine, seed), 3);
        EXPECT_EQ(t.noFade, 1);
        EXPECT_EQ(t.fadeHint, 0);
        EXPECT_EQ(t.centreHint, 0);
    }
    EXPECT_GT(noFadeSeen[0], 0);
    EXPECT_GT(noFadeSeen[1], 0);
}

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
    Transform t;
    t.Init(W, H);

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
    Transform t;
    t.Init(W, H);
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
    Transform t;
    t.Init(W, H);
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

TEST(DiagonalFade, BlackEdgeIsOnTheSideTheShiftPointsTo) {
    const int W = 50, H = 40;
    Transform t;
    t.Init(W, H);
    for (uint32_t seed = 1; seed < 60; ++seed) {
        // Replays the draws to know the shift.
        SeedRandom(seed * 7u);
        const double p = Random(10) * 0.2;
        double dx = Random(10) * 0.2 * p + 0.1;
        const double q = Random(10) * 0.2;
        double dy = Random(10) * 0.2 * q + 0.1;
        if (Random(1) != 0) dx = -dx;
        if (Random(1) != 0) dy = -dy;
        GenerateCountingDraws(t, kDiagonal, seed * 7u);
        for (int y = 0; y < H; ++y) {
            for (int x = 0; x < W; ++x) {
                const bool inside = x + dx >= 0 && x + dx <= W - 1 && y + dy >= 0 && y + dy <= H - 1;
                ASSERT_EQ(!IsBlack(t, x, y), inside) << "dx " << dx << " dy " << dy << " at " << x << "," << y;
                if (inside) {
                    ASSERT_EQ(OffsetAt(t, x, y) / 4 % W, static_cast<int>(std::floor(x + dx)));
                    ASSERT_EQ(OffsetAt(t, x, y) / 4 / W, static_cast<int>(std::floor(y + dy)));
                }
            }
        }
    }
}

// Plain Sine Wave draws: shift, phase, amplitude factor.
TEST(PlainSineWave, ShiftBlackensTheColumnsItLeavesBehind) {
    const int W = 320, H = 30;
    Transform t;
    t.Init(W, H);
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
    Transform t;
    t.Init(W, H);
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
