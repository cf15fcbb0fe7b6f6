// The same maps in every build: checksums of generated maps, taken from the
// native build (SSE2 rows where the processor has SSE2), which the 32-bit build (x87 doubles at the 53-bit precision
// the DLL sets) must reproduce entry for entry. VELUNE_PRINT_MAP_HASHES=1
// prints the table instead of checking it.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "host/x87_precision.h"
#include "scene/random.h"
#include "transform/transform.h"

namespace {

#if defined(__i386__)
// This test program computes as the DLL does; a MinGW program starts at 64 bits.
const bool kPinnedPrecision = [] {
    x87::SetControlWord(x87::PluginWord(x87::ControlWord()));
    return true;
}();
#endif

uint64_t Fnv(uint64_t h, const void* data, size_t n) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    for (size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 1099511628211ull;
    return h;
}

uint64_t MapHash(int index, int width, int height, uint32_t seed, bool sse2Rows = true) {
    Transform t;
    t.sse2Rows = sse2Rows;
    int lock = 3;
    t.lockedTransform = &lock;
    t.Init(width, height);
    SeedRandom(seed);
    t.currentIndex = index;
    t.Generate();
    uint64_t h = 14695981039346656037ull;
    h = Fnv(h, t.sourceOffsets, 4 * static_cast<size_t>(t.pixelCount));
    h = Fnv(h, t.weights, 4 * static_cast<size_t>(t.pixelCount));
    const uint8_t flags[3] = {t.noFade, t.fadeHint, t.centreHint};
    return Fnv(h, flags, 3);
}

struct Case {
    int index;
    uint32_t seed;
    uint64_t hash640x480;
    uint64_t hash333x201;
};

// clang-format off
const Case kCases[] = {
#include "map_checksums.inc"
};
// clang-format on

}  // namespace

TEST(MapChecksum, EveryGeneratorGivesTheNativeMapsInThisBuild) {
    const bool print = std::getenv("VELUNE_PRINT_MAP_HASHES") != nullptr;
    for (const Case& c : kCases) {
        const uint64_t a = MapHash(c.index, 640, 480, c.seed);
        const uint64_t b = MapHash(c.index, 333, 201, c.seed);
        if (print) {
            std::printf("    {%d, %uu, 0x%016llxull, 0x%016llxull},\n", c.index, c.seed,
                        static_cast<unsigned long long>(a), static_cast<unsigned long long>(b));
            continue;
        }
        EXPECT_EQ(a, c.hash640x480) << "index " << c.index << " seed " << c.seed << " at 640x480";
        EXPECT_EQ(b, c.hash333x201) << "index " << c.index << " seed " << c.seed << " at 333x201";
    }
}

// The generators' x87 and SSE2 builds (the same code natively; in the 32-bit
// build two different instruction sets) give the same maps.
TEST(MapChecksum, X87AndSse2RowsGiveTheSameMaps) {
    for (int index = 0; index < kTransformCount; ++index) {
        for (uint32_t seed : {3u, 1234567u}) {
            EXPECT_EQ(MapHash(index, 333, 201, seed, false), MapHash(index, 333, 201, seed, true))
                << "index " << index << " seed " << seed;
        }
        EXPECT_EQ(MapHash(index, 1920, 1080, 99, false), MapHash(index, 1920, 1080, 99, true)) << "index " << index;
    }
}
