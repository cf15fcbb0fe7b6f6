// Map dumps: a binary dump reads back as the generated map; bad requests and
// cut files are refused.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "transform/map_dump.h"
#include "transform_map_checks.h"

TEST(MapDump, BinaryRoundTripsTheGeneratedMap) {
    std::FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    ASSERT_TRUE(DumpTransformMap(f, 33, 17, 13, 4242u, MapDumpFormat::Binary));
    std::rewind(f);
    MapDump map;
    ASSERT_TRUE(ReadMapDump(f, map));
    std::fclose(f);

    Map m(33, 17);
    m.Generate(13, 4242u);
    EXPECT_EQ(map.width, 33);
    EXPECT_EQ(map.height, 17);
    EXPECT_EQ(map.index, 13);
    EXPECT_EQ(map.seed, 4242u);
    EXPECT_EQ(map.noFade, m.t.noFade);
    ASSERT_EQ(map.sourceOffsets.size(), 33u * 17u);
    EXPECT_EQ(0, memcmp(map.sourceOffsets.data(), m.t.sourceOffsets, 4 * 33 * 17));
    EXPECT_EQ(0, memcmp(map.weights.data(), m.t.weights, 4 * 33 * 17));
}

TEST(MapDump, RefusesBadRequestsAndDumpsCutShort) {
    std::FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    EXPECT_FALSE(DumpTransformMap(f, 8, 8, 15, 1u, MapDumpFormat::Binary));
    EXPECT_FALSE(DumpTransformMap(f, 0, 8, 3, 1u, MapDumpFormat::Binary));
    EXPECT_FALSE(DumpTransformMap(f, 65535, 65535, 3, 1u, MapDumpFormat::Binary));
    ASSERT_TRUE(DumpTransformMap(f, 8, 8, 6, 1u, MapDumpFormat::Binary));
    std::vector<char> bytes(static_cast<size_t>(std::ftell(f)));
    std::rewind(f);
    ASSERT_EQ(std::fread(bytes.data(), 1, bytes.size(), f), bytes.size());
    std::fclose(f);
    MapDump map;
    for (size_t cut : {size_t{0}, size_t{3}, size_t{20}, size_t{36}, size_t{40}, bytes.size() - 1}) {
        std::FILE* g = std::tmpfile();
        ASSERT_NE(g, nullptr);
        std::fwrite(bytes.data(), 1, cut, g);
        std::rewind(g);
        EXPECT_FALSE(ReadMapDump(g, map)) << cut;
        std::fclose(g);
    }
}
