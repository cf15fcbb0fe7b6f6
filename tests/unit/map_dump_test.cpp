#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "scene/random.h"
#include "transform/map_dump.h"
#include "transform/transform.h"

namespace {

TEST(MapDump, BinaryRoundTripsTheGeneratedMap) {
    std::FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    ASSERT_TRUE(DumpTransformMap(f, 33, 17, 13, 4242u, MapDumpFormat::Binary));
    std::rewind(f);
    MapDump map;
    ASSERT_TRUE(ReadMapDump(f, map));
    std::fclose(f);

    Transform t;
    t.Init(33, 17);
    SeedRandom(4242u);
    t.currentIndex = 13;
    t.Generate();
    EXPECT_EQ(map.width, 33);
    EXPECT_EQ(map.height, 17);
    EXPECT_EQ(map.index, 13);
    EXPECT_EQ(map.seed, 4242u);
    EXPECT_EQ(map.noFade, t.noFade);
    ASSERT_EQ(map.sourceOffsets.size(), 33u * 17u);
    EXPECT_EQ(0, memcmp(map.sourceOffsets.data(), t.sourceOffsets, 4 * 33 * 17));
    EXPECT_EQ(0, memcmp(map.weights.data(), t.weights, 4 * 33 * 17));
}

TEST(MapDump, RefusesBadRequestsAndDamagedFiles) {
    std::FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    EXPECT_FALSE(DumpTransformMap(f, 8, 8, 15, 1u, MapDumpFormat::Binary));
    EXPECT_FALSE(DumpTransformMap(f, 0, 8, 3, 1u, MapDumpFormat::Binary));
    EXPECT_FALSE(DumpTransformMap(f, 65535, 65535, 3, 1u, MapDumpFormat::Binary));
    ASSERT_TRUE(DumpTransformMap(f, 8, 8, 6, 1u, MapDumpFormat::Binary));
    const long full = std::ftell(f);
    MapDump map;
    // A dump cut short anywhere is refused.
    for (long cut : {0L, 3L, 20L, 36L, 40L, full - 1}) {
        std::FILE* g = std::tmpfile();
        ASSERT_NE(g, nullptr);
        std::rewind(f);
        if (cut > 0) {
            std::vector<char> bytes(static_cast<size_t>(cut));
            ASSERT_EQ(std::fread(bytes.data(), 1, bytes.size(), f), bytes.size());
            std::fwrite(bytes.data(), 1, bytes.size(), g);
        }
        std::rewind(g);
        EXPECT_FALSE(ReadMapDump(g, map)) << cut;
        std::fclose(g);
    }
    std::fclose(f);
}

}  // namespace
