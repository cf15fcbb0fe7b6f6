// The SSE2 conversion to 4:2:0 gives the reference's bytes, and the
// reference gives BT.601's values.
#include "yuv420_convert.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

struct Planes {
    Planes(int width, int height)
        : y(static_cast<size_t>(width + 5) * height, 0xAA), u(static_cast<size_t>(width / 2 + 3) * height / 2, 0xAA),
          v(u) {
        view = {y.data(), u.data(), v.data(), width + 5, width / 2 + 3, width / 2 + 3};  // strides past the width
    }
    std::vector<uint8_t> y, u, v;
    Yuv420Planes view;
};

TEST(Yuv420Convert, TheSse2PathGivesTheReferenceBytesAtEverySize) {
    std::mt19937 random(7);
    const uint32_t edges[] = {0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFF00FF, 0x010101, 0xFEFEFE};
    for (int width : {2, 14, 16, 18, 32, 46, 66}) {
        for (int height : {2, 6}) {
            std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
            for (size_t i = 0; i < pixels.size(); ++i)
                pixels[i] = i % 3 == 0 ? edges[random() % 8] : (random() & 0xFFFFFF) | (random() % 2) << 24;
            Planes simd(width, height), reference(width, height);
            ConvertToYuv420(pixels.data(), width, height, simd.view);
            ConvertToYuv420Reference(pixels.data(), width, height, reference.view);
            EXPECT_EQ(simd.y, reference.y) << width << "x" << height;
            EXPECT_EQ(simd.u, reference.u) << width << "x" << height;
            EXPECT_EQ(simd.v, reference.v) << width << "x" << height;
        }
    }
}

TEST(Yuv420Convert, BlackWhiteAndRedTakeTheirLimitedRangeValues) {
    // Left block red, right block half white and half black: mean grey.
    const uint32_t pixels[8] = {0xFF0000, 0xFF0000, 0xFFFFFF, 0x000000, 0xFF0000, 0xFF0000, 0x000000, 0xFFFFFF};
    Planes p(4, 2);
    ConvertToYuv420Reference(pixels, 4, 2, p.view);
    EXPECT_EQ(std::vector<int>(p.y.begin(), p.y.begin() + 4), (std::vector<int>{82, 82, 235, 16}));
    EXPECT_EQ(std::vector<int>({p.u[0], p.v[0], p.u[1], p.v[1]}), (std::vector<int>{90, 240, 128, 128}));
}

}  // namespace
