#pragma once
// Writes a transform's displacement map to a file, so that maps can be
// compared between builds, inspected by hand or kept as test fixtures.
//
// Text: a header line, then one line per entry in raster order:
//   velune-map <width> <height> <index> <seed> <noFade> <fadeHint> <centreHint>
//   <x> <y> <byte offset> <w0> <w1> <w2> <w3>
// Binary, all integers little-endian 32-bit: "VMAP", version 1, width, height,
// index, seed, the three flags; then pixelCount offsets; then 4 x pixelCount
// weight bytes.
#include <cstdint>
#include <cstdio>
#include <vector>

class Transform;

enum class MapDumpFormat { Text, Binary };

// A map as read back from a binary dump.
struct MapDump {
    int width = 0;
    int height = 0;
    int index = 0;
    uint32_t seed = 0;
    int noFade = 0;
    int fadeHint = 0;
    int centreHint = 0;
    std::vector<int32_t> sourceOffsets;
    std::vector<uint8_t> weights;
};

// Writes the map that `transform` holds now; index and seed are recorded as
// given. Returns false when a write fails.
bool WriteMapDump(std::FILE* out, const Transform& transform, uint32_t seed, MapDumpFormat format);

// Generates transform `index` at width x height with the random generator
// seeded with `seed` just before the generator's first draw, and writes it.
// Reseeds the process-wide Random. False for an index outside 0..14, a size
// outside 1..65535 or a failed write.
bool DumpTransformMap(std::FILE* out, int width, int height, int index, uint32_t seed, MapDumpFormat format);
bool DumpTransformMapToFile(const char* path, int width, int height, int index, uint32_t seed,
                            MapDumpFormat format);

// Reads a binary dump; false when it is truncated or not a map dump.
bool ReadMapDump(std::FILE* in, MapDump& map);
