// Fuzzy Fade (5), Shiny tiles (6) and Spiral Tiles (13): what each map does
// to the picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "transform_map_checks.h"

namespace {

constexpr int kFuzzy = 5;
constexpr int kShiny = 6;
constexpr int kSpiralTiles = 13;

TEST(FuzzyFade, CheckerboardOfHalfPixelShifts) {
    const int W = 6, H = 5;
    Map m(W, H);
    Transform& t = m.t;
    GenerateCountingDraws(t, kFuzzy, 1);
    // (0, 0) averages the block to its lower right; (1, 0) would reach row -0.5.
    EXPECT_EQ(OffsetAt(t, 0, 0), 0);
    EXPECT_WEIGHTS(t, 0, 0, 63, 63, 63, 63);
    EXPECT_TRUE(IsBlack(t, 1, 0));
    // (2, 1) is odd: the block up and to the left.
    EXPECT_EQ(OffsetAt(t, 2, 1), 4 * 1);
    EXPECT_WEIGHTS(t, 2, 1, 63, 63, 63, 63);
    // Black: odd squares of the first row and column, even ones of the last.
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const bool odd = (x + y) % 2 == 1;
            EXPECT_EQ(IsBlack(t, x, y), odd ? (x == 0 || y == 0) : (x == W - 1 || y == H - 1)) << x << "," << y;
        }
}

TEST(ShinyTiles, HalfPixelGivesEqualQuarters) {
    const int W = 37, H = 29;
    Map m(W, H);
    Transform& t = m.t;
    for (int tileDraw = 0; tileDraw <= 3; ++tileDraw) {
        GenerateCountingDraws(t, kShiny, FindSeed([&] { return Random(3) == tileDraw; }));
        for (int n = 0; n < t.pixelCount; ++n) {
            if (IsBlack(t, n % W, n / W)) continue;
            EXPECT_WEIGHTS(t, n % W, n / W, 63, 63, 63, 63);
        }
    }
}

TEST(ShinyTiles, WideTilesBlackenTheOuterTileColumns) {
    const int W = 640, H = 96;
    Map m(W, H);
    Transform& t = m.t;
    GenerateCountingDraws(t, kShiny, FindSeed([] { return Random(3) == 3; }));
    const int y = 20;  // tile row 1 (odd): its source is 31.5 rows lower and in range
    for (int x = 0; x < W; ++x) {
        const int tileColumn = x / 16;
        if (tileColumn == 0 || tileColumn == W / 16 - 1) {
            EXPECT_TRUE(IsBlack(t, x, y)) << x;
        } else {
            ASSERT_FALSE(IsBlack(t, x, y)) << x;
            const int sourceColumn = tileColumn % 2 == 0 ? x - 32 : x + 31;
            EXPECT_EQ(OffsetAt(t, x, y), 4 * ((y + 31) * W + sourceColumn)) << x;
        }
    }
}

TEST(SpiralTiles, SteppedVariantMovesByFourFifthsOfAPixel) {
    const int W = 320, H = 240;
    Map m(W, H);
    Transform& t = m.t;
    GenerateCountingDraws(t, kSpiralTiles, FindSeed([] {
        Random(8);
        Random(4);
        return Random(1) == 0;  // the stepped variant
    }));
    // Near row 0 and column 0 the cosines are positive: sources lie 0.8 up and left.
    EXPECT_TRUE(IsBlack(t, 0, 5));
    EXPECT_TRUE(IsBlack(t, 1, 0));
    EXPECT_EQ(OffsetAt(t, 1, 1), 0);
    EXPECT_WEIGHTS(t, 1, 1, 163, 40, 40, 10);
    for (int n = 0; n < t.pixelCount; ++n) {
        if (IsBlack(t, n % W, n / W)) continue;
        std::vector<int> w(WeightsAt(t, n % W, n / W), WeightsAt(t, n % W, n / W) + 4);
        std::sort(w.begin(), w.end());
        ASSERT_EQ(w, (std::vector<int>{10, 40, 40, 163})) << n;
    }
}

}  // namespace
