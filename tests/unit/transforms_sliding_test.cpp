// Undulating Slider (4) and Diagonal Fade (7): what each map does to the picture.
#include <gtest/gtest.h>

#include <vector>

#include "transform_map_checks.h"

namespace {

constexpr int kSlider = 4;
constexpr int kDiagonal = 7;

// Slider draws: frequency, speed, direction (0 slides right), depth.
uint32_t SliderSeed(int directionDraw) {
    return FindSeed([&] {
        Random(3);
        Random(5);
        return Random(1) == directionDraw;
    });
}

TEST(UndulatingSlider, WrapBandCopiesExactColumnsFromTheFarSide) {
    const int W = 64, H = 9;
    Map m(W, H);
    Transform& t = m.t;

    GenerateCountingDraws(t, kSlider, SliderSeed(0));
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < 11; ++x) {
            EXPECT_EQ(OffsetAt(t, x, y), 4 * (y * W + x + W - 12)) << x << "," << y;
            EXPECT_WEIGHTS(t, x, y, 255, 0, 0, 0);
        }
    }
    EXPECT_LT(OffsetAt(t, 11, 0) / 4, 11) << "column 11 is past the band";

    GenerateCountingDraws(t, kSlider, SliderSeed(1));
    for (int y = 0; y < H; ++y) {
        for (int x = W - 11; x < W; ++x) {
            EXPECT_EQ(OffsetAt(t, x, y), 4 * (y * W + x + 13 - W)) << x << "," << y;
            EXPECT_WEIGHTS(t, x, y, 255, 0, 0, 0);
        }
    }
    EXPECT_GT(OffsetAt(t, W - 12, 0) / 4, W - 12) << "column W - 12 is past the band";
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

}  // namespace
