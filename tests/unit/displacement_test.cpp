#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "pixels/cpu_features.h"
#include "pixels/frame_ops.h"

namespace {

struct Path {
    const char* name;
    DisplacementStep step;
};

// Every SIMD path this processor can run, and the one chosen at run time.
std::vector<Path> SimdPaths() {
#if defined(__wasm__)
    std::vector<Path> paths;
#if defined(__wasm_simd128__)
    paths.push_back({"simd128", ApplyDisplacementSimd128});
#endif
#else
    std::vector<Path> paths = {{"MMX", ApplyDisplacementMmx}};
    const uint32_t features = CpuFeatureWord();
    if (FeatureHasSse(features)) paths.push_back({"MMX+prefetch", ApplyDisplacementMmxPrefetch});
    if (FeatureHasSse2(features)) paths.push_back({"SSE2", ApplyDisplacementSse2});
    if (CpuHasAvx2()) paths.push_back({"AVX2", ApplyDisplacementAvx2});
#endif
    paths.push_back({"chosen", ApplyDisplacement});
    return paths;
}

struct MapCase {
    int width, height;
    std::vector<uint32_t> source;
    std::vector<int32_t> offsets;
    std::vector<uint8_t> weights;

    MapCase(int w, int h, uint32_t seed, bool brightSource) : width(w), height(h) {
        std::mt19937 rng(seed);
        const int pixels = w * h;
        source.resize((h + 1) * w + 1);
        for (auto& p : source) p = brightSource ? (0xFFFFFFu - (rng() & 0x030303u)) : rng();
        offsets.resize(pixels);
        weights.resize(4 * pixels);
        for (int i = 0; i < pixels; ++i) {
            // A third of the entries are out of range (offset 0, no weight);
            // the rest address any top-left pixel a real map can reach.
            if (rng() % 3 == 0) {
                offsets[i] = 0;
                for (int k = 0; k < 4; ++k) weights[4 * i + k] = 0;
                continue;
            }
            offsets[i] = 4 * static_cast<int32_t>(rng() % pixels);
            // Weights summing to at most 255, sometimes all on one pixel.
            int left = 255 - static_cast<int>(rng() % 4);
            for (int k = 0; k < 3; ++k) {
                const int wk = static_cast<int>(rng() % (left + 1));
                weights[4 * i + k] = static_cast<uint8_t>(wk);
                left -= wk;
            }
            weights[4 * i + 3] = static_cast<uint8_t>(left);
        }
    }

    std::vector<uint32_t> Run(void (*step)(const DisplacementJob&), bool noFade) const {
        std::vector<uint32_t> out(width * height + 1, 0xDEADBEEF);
        DisplacementJob job{out.data(), source.data(), offsets.data(), weights.data(), width * height, width, noFade};
        step(job);
        EXPECT_EQ(out.back(), 0xDEADBEEFu) << "wrote past the last pixel";
        out.pop_back();
        return out;
    }
};

}  // namespace

TEST(Displacement, SimdPathsMatchTheReferenceBitForBit) {
    // Pixel counts of every remainder by 2 and 4, and long enough for the
    // prefetching loops.
    const int sizes[][2] = {{1, 1}, {2, 3}, {3, 1}, {5, 1}, {7, 1}, {17, 13}, {64, 48}, {333, 7}, {321, 241}, {259, 3}};
    uint32_t seed = 1;
    for (const auto& size : sizes) {
        for (bool bright : {false, true}) {
            const MapCase map(size[0], size[1], seed++, bright);
            for (bool noFade : {false, true}) {
                const auto reference = map.Run(ApplyDisplacementReference, noFade);
                for (const Path& path : SimdPaths())
                    EXPECT_EQ(map.Run(path.step, noFade), reference)
                        << path.name << " " << size[0] << "x" << size[1] << " bright=" << bright << " noFade=" << noFade;
            }
        }
    }
}

TEST(Displacement, DarkensWithoutNoFadeKeepsWhiteWithItAndZeroesTheFourthByte) {
    // One entry on pixel 0 with weights (255, 0, 0, 0); neighbours hold other colours.
    std::vector<uint32_t> source = {0xFF804020, 0x00010203, 0x00000000, 0x00102030, 0x00FFFFFF, 0};
    int32_t offset = 0;
    uint8_t weights[4] = {255, 0, 0, 0};
    uint32_t out = 0;
    DisplacementJob job{&out, source.data(), &offset, weights, 1, 3, false};
    std::vector<Path> paths = SimdPaths();
    paths.push_back({"reference", ApplyDisplacementReference});
    for (const Path& path : paths) {
        const DisplacementStep step = path.step;
        job.noFade = false;
        step(job);
        // (c x 255) >> 8 per channel; the top byte of the source never passes.
        EXPECT_EQ(out, static_cast<uint32_t>((0x80 * 255 >> 8) << 16 | (0x40 * 255 >> 8) << 8 | (0x20 * 255 >> 8)));
        job.noFade = true;
        step(job);
        // (c x 256 + P01 + P10 + P11) >> 8, with P10 the pixel one row down.
        const uint32_t p01 = source[1], p10 = source[3], p11 = source[4];
        auto ch = [&](uint32_t c0, int shift) {
            return ((c0 * 256 + ((p01 >> shift) & 255) + ((p10 >> shift) & 255) + ((p11 >> shift) & 255)) >> 8);
        };
        EXPECT_EQ(out, ch(0x80, 16) << 16 | ch(0x40, 8) << 8 | ch(0x20, 0));
    }
    // White everywhere with noFade and weights summing to 255 saturates at 255.
    std::vector<uint32_t> white(8, 0x00FFFFFF);
    uint8_t spread[4] = {100, 100, 50, 5};
    job = DisplacementJob{&out, white.data(), &offset, spread, 1, 2, true};
    for (const Path& path : paths) {
        out = 0;
        path.step(job);
        EXPECT_EQ(out, 0x00FFFFFFu) << path.name;
    }
}

TEST(ClearPixels, ClearsEveryPixelIncludingAnOddLastOneAndNothingMore) {
    for (int count : {0, 1, 2, 7, 640 * 480 + 1}) {
        std::vector<uint32_t> buffer(count + 1, 0x12345678);
        ClearPixels(buffer.data(), count);
        for (int i = 0; i < count; ++i) ASSERT_EQ(buffer[i], 0u) << count;
        EXPECT_EQ(buffer[count], 0x12345678u);
    }
}

TEST(CpuFeatures, Avx2NeedsTheProcessorBitsAndTheSavedState) {
    const uint32_t ecx = (1u << 27) | (1u << 28);  // OSXSAVE, AVX
    const uint32_t ebx7 = 1u << 5;                 // AVX2
    EXPECT_TRUE(Avx2Usable(ecx, ebx7, 0x7));
    EXPECT_FALSE(Avx2Usable(ecx & ~(1u << 27), ebx7, 0x7)) << "OS does not use XSAVE";
    EXPECT_FALSE(Avx2Usable(ecx & ~(1u << 28), ebx7, 0x7)) << "no AVX";
    EXPECT_FALSE(Avx2Usable(ecx, 0, 0x7)) << "no AVX2";
    EXPECT_FALSE(Avx2Usable(ecx, ebx7, 0x3)) << "AVX state not saved";
    EXPECT_FALSE(Avx2Usable(ecx, ebx7, 0x5)) << "SSE state not saved";
}
