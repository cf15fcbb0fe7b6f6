#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "transform/transform.h"

TEST(TruncateToInt, MatchesACastForEveryKindOfValue) {
    const double values[] = {0.0, -0.0, 0.5, 1.5, 2.5, -0.5, -1.5, -2.5, 0.9999999999, 255.0, 254.99999999,
                             -1e-12, 1e-12, 639.0, 639.5, -639.5, 2147483000.0, -2147483000.0};
    for (double v : values) EXPECT_EQ(TruncateToInt(v), static_cast<int>(v)) << v;
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> any(-5000.0, 5000.0);
    for (int i = 0; i < 200000; ++i) {
        const double v = any(rng);
        ASSERT_EQ(TruncateToInt(v), static_cast<int>(v)) << v;
        const double w = std::floor(v) + 0.5;  // exact halves round to even on the way
        ASSERT_EQ(TruncateToInt(w), static_cast<int>(w)) << w;
    }
}
