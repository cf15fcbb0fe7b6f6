#include "transform/map_dump.h"

#include <algorithm>
#include <climits>

#include "scene/random.h"
#include "transform/transform.h"

namespace {

constexpr char kMagic[4] = {'V', 'M', 'A', 'P'};
constexpr uint32_t kVersion = 1;
// Entries read per step, so a damaged header cannot make us allocate at once
// what the file does not hold.
constexpr size_t kReadChunk = 65536;

bool PutWord(std::FILE* out, uint32_t v) {
    const unsigned char b[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                                static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
    return std::fwrite(b, 1, 4, out) == 4;
}

bool GetWord(std::FILE* in, uint32_t& v) {
    unsigned char b[4];
    if (std::fread(b, 1, 4, in) != 4) return false;
    v = b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<uint32_t>(b[3]) << 24);
    return true;
}

bool WriteText(std::FILE* out, const Transform& t, uint32_t seed) {
    if (std::fprintf(out, "velune-map %d %d %d %u %d %d %d\n", t.width, t.height, t.currentIndex,
                     static_cast<unsigned>(seed), t.noFade, t.fadeHint, t.centreHint) < 0)
        return false;
    for (int n = 0; n < t.pixelCount; ++n) {
        const uint8_t* w = t.weights + 4 * static_cast<size_t>(n);
        if (std::fprintf(out, "%d %d %d %d %d %d %d\n", n % t.width, n / t.width, t.sourceOffsets[n], w[0], w[1],
                         w[2], w[3]) < 0)
            return false;
    }
    return true;
}

bool WriteBinary(std::FILE* out, const Transform& t, uint32_t seed) {
    bool ok = std::fwrite(kMagic, 1, 4, out) == 4;
    const uint32_t header[] = {kVersion,
                               static_cast<uint32_t>(t.width),
                               static_cast<uint32_t>(t.height),
                               static_cast<uint32_t>(t.currentIndex),
                               seed,
                               t.noFade,
                               t.fadeHint,
                               t.centreHint};
    for (uint32_t v : header) ok = ok && PutWord(out, v);
    for (int n = 0; ok && n < t.pixelCount; ++n) ok = PutWord(out, static_cast<uint32_t>(t.sourceOffsets[n]));
    const size_t weightBytes = 4 * static_cast<size_t>(t.pixelCount);
    return ok && std::fwrite(t.weights, 1, weightBytes, out) == weightBytes;
}

}  // namespace

bool WriteMapDump(std::FILE* out, const Transform& transform, uint32_t seed, MapDumpFormat format) {
    if (out == nullptr || (transform.pixelCount > 0 && transform.sourceOffsets == nullptr)) return false;
    const bool ok = format == MapDumpFormat::Text ? WriteText(out, transform, seed) : WriteBinary(out, transform, seed);
    return ok && std::fflush(out) == 0;
}

bool DumpTransformMap(std::FILE* out, int width, int height, int index, uint32_t seed, MapDumpFormat format) {
    if (index < 0 || index >= kTransformCount) return false;
    if (width < 1 || width > 0xFFFF || height < 1 || height > 0xFFFF) return false;
    // Byte offsets are 32-bit: the whole frame must be addressable.
    if (static_cast<long long>(width) * height > INT_MAX / 4) return false;
    Transform transform;
    transform.Init(width, height);
    SeedRandom(seed);
    transform.currentIndex = index;
    transform.Generate();
    return WriteMapDump(out, transform, seed, format);
}

bool DumpTransformMapToFile(const char* path, int width, int height, int index, uint32_t seed,
                            MapDumpFormat format) {
    std::FILE* out = std::fopen(path, format == MapDumpFormat::Text ? "w" : "wb");
    if (out == nullptr) return false;
    const bool ok = DumpTransformMap(out, width, height, index, seed, format);
    return (std::fclose(out) == 0) && ok;
}

bool ReadMapDump(std::FILE* in, MapDump& map) {
    char magic[4];
    if (in == nullptr || std::fread(magic, 1, 4, in) != 4) return false;
    for (int i = 0; i < 4; ++i)
        if (magic[i] != kMagic[i]) return false;
    uint32_t header[8];
    for (uint32_t& v : header)
        if (!GetWord(in, v)) return false;
    if (header[0] != kVersion || header[1] > 0xFFFF || header[2] > 0xFFFF) return false;
    map.width = static_cast<int>(header[1]);
    map.height = static_cast<int>(header[2]);
    map.index = static_cast<int>(header[3]);
    map.seed = header[4];
    map.noFade = static_cast<int>(header[5]);
    map.fadeHint = static_cast<int>(header[6]);
    map.centreHint = static_cast<int>(header[7]);
    const size_t count = static_cast<size_t>(map.width) * static_cast<size_t>(map.height);

    map.sourceOffsets.clear();
    map.weights.clear();
    while (map.sourceOffsets.size() < count) {
        const size_t step = std::min(kReadChunk, count - map.sourceOffsets.size());
        for (size_t i = 0; i < step; ++i) {
            uint32_t v;
            if (!GetWord(in, v)) return false;
            map.sourceOffsets.push_back(static_cast<int32_t>(v));
        }
    }
    while (map.weights.size() < 4 * count) {
        const size_t step = std::min(4 * kReadChunk, 4 * count - map.weights.size());
        const size_t start = map.weights.size();
        map.weights.resize(start + step);
        if (std::fread(map.weights.data() + start, 1, step, in) != step) return false;
    }
    return true;
}
