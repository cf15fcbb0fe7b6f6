#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "pixels/rgba.h"

namespace {

struct Path {
    const char* name;
    void (*convert)(const uint32_t*, uint8_t*, int);
};

std::vector<Path> Paths() {
    std::vector<Path> paths = {{"reference", ConvertToRgbaReference}, {"chosen", ConvertToRgba}};
#if defined(__wasm_simd128__)
    paths.push_back({"simd128", ConvertToRgbaSimd128});
#endif
    return paths;
}

}  // namespace

TEST(Rgba, ChannelsSwapAlphaIsOpaqueAndNothingPastTheEndIsWritten) {
    // Pixel counts around the four-pixel step; the frame's unused byte varies.
    std::mt19937 rng(5);
    for (int count : {0, 1, 3, 4, 5, 7, 8, 9, 641}) {
        std::vector<uint32_t> frame(count);
        for (auto& p : frame) p = rng();
        for (const Path& path : Paths()) {
            std::vector<uint8_t> out(4 * count + 4, 0xAB);
            path.convert(frame.data(), out.data(), count);
            for (int i = 0; i < count; ++i) {
                const uint32_t p = frame[i];
                ASSERT_EQ(out[4 * i], (p >> 16) & 255) << path.name << " red of pixel " << i << " of " << count;
                ASSERT_EQ(out[4 * i + 1], (p >> 8) & 255) << path.name << " green";
                ASSERT_EQ(out[4 * i + 2], p & 255) << path.name << " blue";
                ASSERT_EQ(out[4 * i + 3], 255) << path.name << " alpha";
            }
            for (int k = 0; k < 4; ++k) EXPECT_EQ(out[4 * count + k], 0xAB) << path.name << " wrote past " << count;
        }
    }
}
