// The polynomial sine, cosine and arc tangent against the library and the
// true values, over every range the generators and renderers use: small
// turns, the kernel range, reduced arguments and phases grown huge.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "transform/fast_trig.h"

namespace {

// Distance in units of the last place of the larger value, at least one unit
// of 2^-53 so results near zero compare absolutely.
double UlpsApart(double a, double b) {
    const double scale = std::fmax(std::fmax(std::fabs(a), std::fabs(b)), 0.5);
    return std::fabs(a - b) / (scale * 0x1p-52);
}

}  // namespace

TEST(FastTrig, WithinTwoUlpsOfTheLibraryOnEveryRange) {
    std::mt19937_64 rng(7);
    const double limits[] = {0.03125, 0.78, 3.2, 90.0, 5.0e4, 2.0e5, 3.0e9, 1.0e14};
    for (double limit : limits) {
        std::uniform_real_distribution<double> any(-limit, limit);
        double worst = 0.0;
        for (int i = 0; i < 200000; ++i) {
            const double x = any(rng);
            double s, c;
            fasttrig::SinCos<IsaX87>(x, &s, &c);
            worst = std::fmax(worst, std::fmax(UlpsApart(s, std::sin(x)), UlpsApart(c, std::cos(x))));
            ASSERT_EQ(fasttrig::Sin<IsaX87>(x), s);
            ASSERT_EQ(fasttrig::Cos<IsaX87>(x), c);
        }
        EXPECT_LE(worst, 2.0) << "|x| <= " << limit;
    }
}

TEST(FastTrig, QuadrantsAndSpecialValues) {
    // The four quadrants of the reduction, near their edges too.
    for (double x : {0.0, 0.78539816, 0.7854, 1.5707963267948966, 2.356, 3.141592653589793, 4.0, 4.712388980384690,
                     5.5, 6.283185307179586, -0.9, -2.5, -4.0, -5.9, 1000.25, -99999.5}) {
        double s, c;
        fasttrig::SinCos<IsaX87>(x, &s, &c);
        EXPECT_LE(UlpsApart(s, std::sin(x)), 2.0) << x;
        EXPECT_LE(UlpsApart(c, std::cos(x)), 2.0) << x;
    }
    double s, c;
    fasttrig::SinCos<IsaX87>(0.0, &s, &c);
    EXPECT_EQ(s, 0.0);
    EXPECT_EQ(c, 1.0);
    fasttrig::SinCos<IsaX87>(NAN, &s, &c);
    EXPECT_TRUE(std::isnan(s) && std::isnan(c));
    // No bit of 1e300 is a fraction of a turn: any point of the circle will
    // do, as long as it is one.
    fasttrig::SinCos<IsaX87>(1e300, &s, &c);
    EXPECT_NEAR(s * s + c * c, 1.0, 1e-15);
    fasttrig::SinCos<IsaX87>(-INFINITY, &s, &c);
    EXPECT_TRUE(std::isnan(s) && std::isnan(c));
}

TEST(FastTrig, ArcTangentWithinTwoUlpsOfTheTrueAngle) {
    // Against the 64-bit-mantissa atan2l, over every quadrant, ratios from
    // tiny to huge, and the offsets particles meet.
    std::mt19937_64 rng(11);
    std::uniform_real_distribution<double> any(-1000.0, 1000.0);
    std::uniform_int_distribution<int> exponent(-40, 40);
    double worst = 0.0;
    for (int i = 0; i < 300000; ++i) {
        const double y = std::ldexp(any(rng), i % 2 ? exponent(rng) : 0);
        const double x = any(rng);
        const long double exact = atan2l(y, x);
        const double e = static_cast<double>(exact);
        const double ulp = std::nextafter(std::fabs(e), INFINITY) - std::fabs(e);
        worst = std::fmax(worst, static_cast<double>(std::fabs(fasttrig::Atan2(y, x) - exact) / ulp));
    }
    EXPECT_LE(worst, 2.0);
    // The library's conventions at the edges.
    EXPECT_EQ(fasttrig::Atan2(0.0, -1.0), 3.141592653589793);
    EXPECT_TRUE(std::signbit(fasttrig::Atan2(-0.0, 1.0)));
    EXPECT_EQ(fasttrig::Atan2(-1.0, 0.0), -1.5707963267948966);
    EXPECT_EQ(fasttrig::Atan2(INFINITY, -INFINITY), 3 * 0.7853981633974483);
    EXPECT_EQ(fasttrig::Atan2(2.0, -INFINITY), 3.141592653589793);
    EXPECT_TRUE(std::isnan(fasttrig::Atan2(NAN, 1.0)));
}
