// Frame conversion to the display formats: the colour examples, and every
// SIMD path equal to the reference without touching bytes outside the picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "pixels/compose.h"
#include "pixels/cpu_features.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Converter = void (*)(const ComposeJob&);
constexpr uint8_t kSentinel = 0x5A;
constexpr int kBytesPerPixel[] = {4, 3, 2, 2, 2, 2};
const char* const kFormatNames[] = {"32", "24", "565", "555", "UYVY", "YUY2"};

bool IsYuv(int format) { return format == kComposeUyvy || format == kComposeYuy2; }

// The SIMD paths this processor can run, each with its name.
struct Path {
    const char* name;
    Converter convert;
};
std::vector<Path> SimdPaths() {
    std::vector<Path> paths = {{"MMX", ComposeMmx}, {"ComposeFrame", ComposeFrame}};
    if (FeatureHasSse2(CpuFeatureWord())) paths.push_back({"SSE2", ComposeSse2});
    if (CpuHasAvx2()) paths.push_back({"AVX2", ComposeAvx2});
    return paths;
}

// A frame as the display allocates it; `offset` pixels in, so the SIMD loads
// also meet a source that is not 16-byte aligned.
struct Frame {
    int width, height, offset;
    std::vector<uint32_t> storage;
    Frame(int w, int h, int off = 0)
        : width(w), height(h), offset(off), storage(static_cast<size_t>((h + 1) * w + 1 + off), 0) {}
    uint32_t* pixels() { return storage.data() + offset; }
    size_t count() const { return storage.size() - static_cast<size_t>(offset); }
};

// The smallest even pitch that holds the frame plus the spare column.
int RgbPitch(int format, int width) { return ((width + 1) * kBytesPerPixel[format] + 1) & ~1; }

// Where a conversion may write: whole pairs of each row (RGB, padded YUV)
// plus the 24-bit spare-column byte of an even width; the run of pairs
// (unpadded YUV). Rows may overlap when the pitch is short.
std::vector<bool> Writable(int format, int w, int h, int pitch, size_t size) {
    std::vector<bool> mask(size, false);
    if (IsYuv(format) && (pitch & ~1) <= 2 * w) {
        std::fill(mask.begin(), mask.begin() + static_cast<ptrdiff_t>(int64_t{w} * h / 2 * 4), true);
        return mask;
    }
    const int pairs = w / 2, step = pitch & ~1;
    for (int y = 0; y < h; ++y) {
        const size_t row = static_cast<size_t>(y) * step;
        std::fill(mask.begin() + row, mask.begin() + row + pairs * 2 * kBytesPerPixel[format], true);
        if (format == kCompose24 && w % 2 == 0 && pairs > 0) mask[row + pairs * 6] = true;
    }
    return mask;
}

// Converts into a sentinel-filled surface that starts `misalign` bytes past
// a 16-byte boundary; returns the surface's bytes from its start.
Bytes Convert(Converter convert, Frame& f, int format, int pitch, int misalign = 0) {
    const size_t rowBytes = static_cast<size_t>(f.width + 1) * 4;
    const size_t size = static_cast<size_t>(std::max(pitch, 2 * f.width)) * f.height + rowBytes + 16;
    Bytes buffer(size + 32, kSentinel);
    uint8_t* base = buffer.data();
    while (reinterpret_cast<uintptr_t>(base) % 16 != static_cast<uintptr_t>(misalign)) ++base;
    convert({f.pixels(), f.width, f.height, base, pitch, format});
    return Bytes(base, base + size);
}

void ExpectMatchesReference(const Path& path, Frame& f, int format, int pitch, int misalign) {
    SCOPED_TRACE(testing::Message() << path.name << " " << kFormatNames[format] << " " << f.width << "x" << f.height
                                    << " pitch " << pitch << " misalign " << misalign << " offset " << f.offset);
    const Bytes ref = Convert(ComposeReference, f, format, pitch, misalign);
    const Bytes simd = Convert(path.convert, f, format, pitch, misalign);
    const std::vector<bool> writable = Writable(format, f.width, f.height, pitch, ref.size());
    for (size_t i = 0; i < ref.size(); ++i) {
        ASSERT_EQ(ref[i], simd[i]) << "byte " << i;
        if (!writable[i]) {
            ASSERT_EQ(simd[i], kSentinel) << "byte " << i << " should be untouched";
        }
    }
}

void ExpectAllLayouts(const Path& path, Frame& f) {
    const int w = f.width;
    for (int format = kCompose32; format <= kComposeYuy2; ++format) {
        if (IsYuv(format)) {
            // One run of pairs (exact, odd by one or unset pitch), or padded rows.
            for (int pitch : {2 * w, 2 * w + 1, 0, 2 * w + 6, 2 * w + 7}) ExpectMatchesReference(path, f, format, pitch, 0);
            ExpectMatchesReference(path, f, format, 2 * w, 3);
            ExpectMatchesReference(path, f, format, 2 * w + 10, 1);
        } else {
            const int pitch = RgbPitch(format, w);
            for (int misalign : {0, 1, 2, 3, 8}) ExpectMatchesReference(path, f, format, pitch, misalign);
            ExpectMatchesReference(path, f, format, pitch + 13, 0);  // odd: rows step pitch + 12
            ExpectMatchesReference(path, f, format, 6, 0);           // rows overlap: later rows win
        }
    }
}

// Random channels, or channels drawn from the values where shifts, masks and
// floored products change.
void Fill(Frame& f, std::mt19937& rng, bool edges) {
    static const uint8_t kEdges[] = {0x00, 0x01, 0x03, 0x04, 0x07, 0x08, 0x0F, 0x10, 0x7F,
                                     0x80, 0xF7, 0xF8, 0xFB, 0xFC, 0xFD, 0xFE, 0xFF};
    for (size_t i = 0; i < f.count(); ++i) {
        uint32_t p = static_cast<uint32_t>(rng());
        if (edges) {
            p = 0;
            for (int c = 0; c < 4; ++c) p |= uint32_t{kEdges[rng() % sizeof(kEdges)]} << (8 * c);
        }
        f.pixels()[i] = p;
    }
}

// One pair of pixels through the reference; every SIMD path must agree.
Bytes Pair(int format, uint32_t first, uint32_t second) {
    Frame f(2, 1);
    f.pixels()[0] = first;
    f.pixels()[1] = second;
    const int pitch = IsYuv(format) ? 4 : RgbPitch(format, 2);
    const Bytes ref = Convert(ComposeReference, f, format, pitch);
    for (const Path& path : SimdPaths()) EXPECT_EQ(Convert(path.convert, f, format, pitch), ref) << path.name;
    return ref;
}

unsigned Word16(const Bytes& b, int pixel) { return b[2 * pixel] | b[2 * pixel + 1] << 8; }

}  // namespace

TEST(Compose, RgbColourExamples) {
    const struct {
        uint32_t pixel;
        unsigned rgb565, rgb555;
    } cases[] = {{0x000000, 0x0000, 0x0000}, {0xFFFFFF, 0xFFFF, 0x7FFF}, {0xFF0000, 0xF800, 0x7C00},
                 {0x00FF00, 0x07E0, 0x03E0}, {0x0000FF, 0x001F, 0x001F}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.pixel);
        const uint8_t b = uint8_t(c.pixel), g = uint8_t(c.pixel >> 8), r = uint8_t(c.pixel >> 16);
        const Bytes p32 = Pair(kCompose32, c.pixel, c.pixel), p24 = Pair(kCompose24, c.pixel, c.pixel);
        EXPECT_EQ(Bytes(p32.begin(), p32.begin() + 8), (Bytes{b, g, r, 0, b, g, r, 0}));
        // The last pixel's fourth byte lands in the spare column.
        EXPECT_EQ(Bytes(p24.begin(), p24.begin() + 7), (Bytes{b, g, r, b, g, r, 0}));
        for (int pixel : {0, 1}) {
            EXPECT_EQ(Word16(Pair(kCompose565, c.pixel, c.pixel), pixel), c.rgb565);
            EXPECT_EQ(Word16(Pair(kCompose555, c.pixel, c.pixel), pixel), c.rgb555);
        }
    }
    // The first pixel of a pair takes the lower address.
    const Bytes mixed = Pair(kCompose565, 0xFF0000, 0x0000FF);
    EXPECT_EQ(Word16(mixed, 0), 0xF800u);
    EXPECT_EQ(Word16(mixed, 1), 0x001Fu);
}

TEST(Compose, YuvColourExamples) {
    auto first4 = [](const Bytes& b) { return Bytes(b.begin(), b.begin() + 4); };
    auto uyvy = [&](uint32_t a, uint32_t b) { return first4(Pair(kComposeUyvy, a, b)); };
    auto yuy2 = [&](uint32_t a, uint32_t b) { return first4(Pair(kComposeYuy2, a, b)); };
    EXPECT_EQ(uyvy(0, 0), (Bytes{128, 0, 128, 0}));
    EXPECT_EQ(uyvy(0xFFFFFF, 0xFFFFFF), (Bytes{129, 252, 129, 252}));
    EXPECT_EQ(yuy2(0xFFFFFF, 0xFFFFFF), (Bytes{252, 129, 252, 129}));
    EXPECT_EQ(uyvy(0xFF0000, 0xFF0000), (Bytes{93, 73, 219, 73}));
    EXPECT_EQ(yuy2(0xFF0000, 0xFF0000), (Bytes{73, 93, 73, 219}));
    // No chroma averaging: U comes from the left pixel (blue: 128 + 109),
    // V from the right one (green: 128 - 73).
    EXPECT_EQ(uyvy(0x0000FF, 0x00FF00), (Bytes{237, 35, 55, 144}));
    EXPECT_EQ(yuy2(0x0000FF, 0x00FF00), (Bytes{35, 237, 144, 55}));
}

TEST(Compose, SimdPathsMatchTheReferenceAtEveryTailLengthAndLeaveTheRestUntouched) {
    std::mt19937 rng(20261207);
    for (const Path& path : SimdPaths()) {
        // Every width up to past two of the widest steps covers each loop tail.
        for (int w = 1; w <= 40; ++w) {
            for (int h : {1, 2, 3}) {
                Frame f(w, h, (w + h) % 3);
                Fill(f, rng, (w + h) % 2 == 0);
                ExpectAllLayouts(path, f);
            }
        }
        const int sizes[][2] = {{63, 5}, {64, 4}, {127, 3}, {641, 3}};
        for (const auto& s : sizes) {
            for (bool edges : {false, true}) {
                Frame f(s[0], s[1], 1);
                Fill(f, rng, edges);
                ExpectAllLayouts(path, f);
            }
        }
    }
}

TEST(Compose, EveryChannelValueInBothPixelsOfAPair) {
    // Each channel takes every value at even and odd columns, beside random
    // others: a wrong coefficient, floor or lane order shows somewhere.
    std::mt19937 rng(7);
    for (int channel = 0; channel < 4; ++channel) {
        Frame f(512, 2);
        for (int i = 0; i < 1024; ++i) {
            const uint32_t value = static_cast<uint32_t>(i / 2 % 256);
            const uint32_t others = static_cast<uint32_t>(rng()) & ~(0xFFu << (8 * channel));
            f.pixels()[i] = others | value << (8 * channel);
        }
        for (const Path& path : SimdPaths())
            for (int format = kCompose32; format <= kComposeYuy2; ++format)
                ExpectMatchesReference(path, f, format, IsYuv(format) ? 1024 : RgbPitch(format, 512), 0);
    }
}

TEST(Compose, NothingIsWrittenForEmptyFramesUnknownFormatsOrNullBuffers) {
    Frame f(4, 4);
    std::vector<Path> paths = SimdPaths();
    paths.push_back({"reference", ComposeReference});
    for (const Path& path : paths) {
        SCOPED_TRACE(path.name);
        for (int format : {-1, 6, 99}) {
            const Bytes t = Convert(path.convert, f, format, 32);
            EXPECT_TRUE(std::all_of(t.begin(), t.end(), [](uint8_t b) { return b == kSentinel; }));
        }
        Frame one(1, 1);  // one pixel: no whole pair, in any format
        for (int format = kCompose32; format <= kComposeYuy2; ++format) {
            const Bytes t = Convert(path.convert, one, format, 8);
            EXPECT_TRUE(std::all_of(t.begin(), t.end(), [](uint8_t b) { return b == kSentinel; })) << format;
        }
        Bytes t(64, kSentinel);
        path.convert({f.pixels(), 0, 4, t.data(), 16, kCompose32});
        path.convert({f.pixels(), 4, -3, t.data(), 16, kComposeUyvy});
        path.convert({nullptr, 4, 4, t.data(), 16, kCompose565});
        path.convert({f.pixels(), 4, 4, nullptr, 16, kCompose565});
        EXPECT_TRUE(std::all_of(t.begin(), t.end(), [](uint8_t b) { return b == kSentinel; }));
    }
}
