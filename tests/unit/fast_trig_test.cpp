// The polynomial sine and cosine of map generation against the library, over
// every range the generators use: small turns, the kernel range, reduced
// arguments and the hand-over to the library.
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
    const double limits[] = {0.03125, 0.78, 3.2, 90.0, 5.0e4, 2.0e5};
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
    fasttrig::SinCos<IsaX87>(1e300, &s, &c);
    EXPECT_EQ(s, std::sin(1e300));
    EXPECT_EQ(c, std::cos(1e300));
}
