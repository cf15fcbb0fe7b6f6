// The trigonometry the engine draws with gives these bits in every build:
// natively, in the 32-bit program under Wine (x87 at the DLL's 53-bit
// precision) and in WebAssembly under Node. A library call slipped back in,
// or an operation the x87 unit rounds differently, changes a bit here.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>

#include "host/x87_precision.h"
#include "transform/fast_trig.h"

namespace {

uint64_t Bits(double v) {
    uint64_t b;
    memcpy(&b, &v, sizeof b);
    return b;
}

// Distance in representable doubles between two finite non-negative values.
uint64_t Ulps(double a, double b) { return Bits(a) > Bits(b) ? Bits(a) - Bits(b) : Bits(b) - Bits(a); }

// A MinGW program starts at 64-bit x87 precision; the DLL computes at 53.
class TrigBits : public ::testing::Test {
protected:
    void SetUp() override { x87::SetControlWord(x87::PluginWord(saved)); }
    void TearDown() override { x87::SetControlWord(saved); }
    const uint16_t saved = x87::ControlWord();
};

}  // namespace

TEST_F(TrigBits, SineAndCosineFromSmallTurnsToPhasesOfHoursOfFrames) {
    const struct {
        double x;
        uint64_t sin, cos;
    } cases[] = {
        {0.01, 0x3f847acae915e807ull, 0x3fefff9724ad97aaull},
        {-0.03, 0xbf9eb723f19667c6ull, 0x3feffc505a355cf6ull},
        {0.5, 0x3fdeaee8744b05f0ull, 0x3fec1528065b7d50ull},
        {-0.7853, 0xbfe6a00cd361d35bull, 0x3fe6a12ff5f42bd9ull},
        {1, 0x3feaed548f090ceeull, 0x3fe14a280fb5068cull},
        {2.5, 0x3fe326af0dcfcab0ull, 0xbfe9a2f7ef858b7dull},
        {-3.3, 0x3fc43102cab70c87ull, 0xbfef996f2ca70bb6ull},
        {6, 0xbfd1e1f18ab0a2c0ull, 0x3feeb9b7097822f6ull},
        {100.7, 0x3fc5889a22c97023ull, 0x3fef8b3e74a7dedaull},
        {-5000.3, 0x3fecbd80e463a2a3ull, 0x3fdc2471e2f60534ull},
        {99999.9, 0x3fc152d095f16415ull, 0xbfefb4a09c5331fdull},
        {123456.7, 0xbfeffa4cf2bce7e5ull, 0xbfa3186f285e765full},
        {-3000000, 0x3fec1c972eb2f877ull, 0x3fde93a1503a252dull},
        {4500000000, 0xbfe08b0f156bb7e0ull, 0x3feb645b321698c1ull},
        {-70000000000000, 0x3fec5fd75544cadaull, 0xbfdd9715999b0f3bull},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Bits(fasttrig::Sin(c.x)), c.sin) << c.x;
        EXPECT_EQ(Bits(fasttrig::Cos(c.x)), c.cos) << c.x;
    }
}

TEST_F(TrigBits, ArcTangentInEveryReductionIntervalAndQuadrant) {
    const struct {
        double y, x;
        uint64_t angle;
    } cases[] = {
        {0.001, 1, 0x3f50624d77516e16ull},      // below 7/16: the polynomial alone
        {0.3, 1, 0x3fd2a73a661eaf06ull},
        {0.6, 1, 0x3fe14b1dd5f90ce1ull},        // the four intervals about 0.5, 1, 1.5, infinity
        {1, 1, 0x3fe921fb54442d18ull},
        {2, 1, 0x3ff1b6e192ebbe44ull},
        {3, 1, 0x3ff3fc176b7a8560ull},
        {1000, 1, 0x3ff91de2c0e658bdull},
        {1, -2.5, 0x400616b466d73d60ull},       // left half, both signs
        {-1, -2.5, 0xc00616b466d73d60ull},
        {-7.25, 3.5, 0xbff1efc4317107efull},
        {123.5, -0.1, 0x3ff9254c60dd042cull},
        {-0.002, -300, 0xc00921f7d57b40f3ull},
        {5e-300, -1, 0x400921fb54442d18ull},    // exponents too far apart
        {1e200, 1e-200, 0x3ff921fb54442d18ull},
        {-299, -92.5, 0xbffdeee33605d217ull},
    };
    for (const auto& c : cases) EXPECT_EQ(Bits(fasttrig::Atan2(c.y, c.x)), c.angle) << c.y << ", " << c.x;
}

TEST_F(TrigBits, PowerOverThePlatformsEnergiesAndOtherExponents) {
    const struct {
        double x, y;
        uint64_t power;
    } cases[] = {
        {0, 0.7, 0x0000000000000000ull},
        {1, 0.7, 0x3ff0000000000000ull},
        {1e-5, 0.7, 0x3f34b96be9c2da2full},
        {0.3, 0.7, 0x3fdb8d809c615f41ull},
        {2.5, 0.7, 0x3ffe62e5531fd7ebull},      // mantissa above sqrt(3/2): the 1.5 centre
        {17.25, 0.7, 0x401d5d22749f32feull},
        {123.456, 0.7, 0x403d1c70b8604e3full},
        {2975.5, 0.7, 0x4070e146844107a5ull},
        {54321, 0.7, 0x40a01dcafc118537ull},
        {1e6, 0.7, 0x40cef477494e3f8full},
        {2, -2.5, 0x3fc6a09e667f3bccull},
        {0.9999, 1e5, 0x3f07ca6de2fe7406ull},   // near 1 with a large exponent
        {7, 1 / 3.0, 0x3ffe9b5dba58189dull},
        {1e-310, 0.5, 0x1fc1297872d9cbaeull},   // subnormal base
        {40000, 66.6, 0x7f91e5a0a91cf77cull},   // near the top of the range
    };
    for (const auto& c : cases) EXPECT_EQ(Bits(fasttrig::Pow(c.x, c.y)), c.power) << c.x << " ^ " << c.y;
}

TEST_F(TrigBits, PowerWithinAnUlpOfTheLibrarys) {
    for (const double y : {0.7, -2.5, 1 / 3.0, 3.0, 10.0}) {
        uint64_t worst = 0;
        double worstX = 0.0;
        for (double x = 1e-4; x < 1.2e6; x *= 1.0007) {
            // MinGW's x87 pow loses up to 22 ulps at 53 bits: the reference runs at 64.
            x87::SetControlWord(static_cast<uint16_t>(saved | 0x0300));
            const volatile double library = std::pow(x, y);
            x87::SetControlWord(x87::PluginWord(saved));
            const uint64_t d = Ulps(fasttrig::Pow(x, y), library);
            if (d > worst) worst = d, worstX = x;
        }
        EXPECT_LE(worst, 1u) << y << " at " << worstX;
    }
    EXPECT_EQ(fasttrig::Pow(0.0, 1e-9), 0.0);
    EXPECT_EQ(fasttrig::Pow(1.0, -123.4), 1.0);
}
