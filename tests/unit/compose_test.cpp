// Frame conversion to the display formats: the colour examples, and the MMX
// path equal to the reference without touching bytes outside the picture.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "video/compose.h"

namespace {

using Bytes = std::vector<uint8_t>;
constexpr uint8_t kSentinel = 0xA5;
constexpr int kBytesPerPixel[] = {4, 3, 2, 2, 2, 2};
const char* const kFormatNames[] = {"32", "24", "565", "555", "UYVY", "YUY2"};

bool IsYuv(int format) { return format == kComposeUyvy || format == kComposeYuy2; }

// A frame buffer as the display allocates it.
struct Frame {
    int width, height;
    std::vector<uint32_t> pixels;
    Frame(int w, int h) : width(w), height(h), pixels(static_cast<size_t>((h + 1) * w + 1), 0) {}
};

// A target surface of `rows` rows pre-filled with a sentinel.
std::vector<uint8_t> Surface(int pitch, int rows) { return std::vector<uint8_t>(size_t(pitch) * rows + 16, kSentinel); }

// The smallest even pitch that holds the frame plus the spare column.
int RgbPitch(int format, int width) { return ((width + 1) * kBytesPerPixel[format] + 1) & ~1; }

std::vector<uint8_t> Compose(void (*convert)(const ComposeJob&), Frame& f, int format, int pitch) {
    std::vector<uint8_t> t = Surface(pitch > 0 ? pitch : 2 * f.width, f.height);
    convert({f.pixels.data(), f.width, f.height, t.data(), pitch, format});
    return t;
}

// Bytes a conversion may write, for checking that everything else keeps the
// sentinel: whole pairs of each row (RGB), plus the 24-bit spare-column byte
// of an even width; the whole run of pairs (unpadded YUV).
std::vector<bool> Writable(int format, int w, int h, int pitch, size_t size) {
    std::vector<bool> mask(size, false);
    const int bpp = kBytesPerPixel[format];
    if (IsYuv(format) && pitch <= 2 * w) {
        for (size_t i = 0; i < static_cast<size_t>(w) * h / 2 * 4; ++i) mask[i] = true;
        return mask;
    }
    for (int y = 0; y < h; ++y) {
        const size_t row = static_cast<size_t>(y) * (pitch & ~1);
        const int pairs = w / 2;
        for (int i = 0; i < pairs * 2 * bpp; ++i) mask[row + i] = true;
        if (format == kCompose24 && w % 2 == 0 && pairs > 0) mask[row + pairs * 6] = true;
    }
    return mask;
}

void ExpectSameAndConfined(Frame& f, int format, int pitch) {
    SCOPED_TRACE(testing::Message() << kFormatNames[format] << " " << f.width << "x" << f.height << " pitch "
                                    << pitch);
    const std::vector<uint8_t> ref = Compose(ComposeReference, f, format, pitch);
    const std::vector<uint8_t> mmx = Compose(ComposeMmx, f, format, pitch);
    ASSERT_EQ(ref.size(), mmx.size());
    const std::vector<bool> writable = Writable(format, f.width, f.height, pitch, ref.size());
    for (size_t i = 0; i < ref.size(); ++i) {
        ASSERT_EQ(ref[i], mmx[i]) << "byte " << i;
        if (!writable[i]) {
            ASSERT_EQ(ref[i], kSentinel) << "byte " << i << " should be untouched";
        }
    }
}

// One pair of pixels through both paths; both must give the same bytes.
std::vector<uint8_t> Pair(int format, uint32_t first, uint32_t second) {
    Frame f(2, 1);
    f.pixels[0] = first;
    f.pixels[1] = second;
    const int pitch = IsYuv(format) ? 4 : RgbPitch(format, 2);
    std::vector<uint8_t> ref = Compose(ComposeReference, f, format, pitch);
    const std::vector<uint8_t> mmx = Compose(ComposeMmx, f, format, pitch);
    EXPECT_EQ(ref, mmx) << kFormatNames[format];
    return ref;
}

unsigned Word16(const std::vector<uint8_t>& b, int pixel) { return b[2 * pixel] | b[2 * pixel + 1] << 8; }

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

TEST(Compose, MmxMatchesReferenceAndLeavesTheRestUntouched) {
    std::mt19937 rng(1234);
    // Channel values at the edges of every shift and mask in play.
    const uint8_t edges[] = {0x00, 0x01, 0x03, 0x04, 0x07, 0x08, 0x7F, 0x80, 0xF7, 0xF8, 0xFB, 0xFC, 0xFE, 0xFF};
    const int sizes[][2] = {{1, 1}, {2, 1}, {3, 1}, {1, 5}, {3, 3}, {5, 7}, {7, 2}, {8, 3}, {9, 4},
                            {15, 5}, {16, 4}, {17, 3}, {33, 9}, {64, 2}, {127, 5}, {641, 3}};
    for (const auto& s : sizes) {
        for (int fill = 0; fill < 2; ++fill) {
            Frame f(s[0], s[1]);
            for (uint32_t& p : f.pixels) {
                if (fill == 0) {
                    p = static_cast<uint32_t>(rng());
                } else {
                    p = 0;
                    for (int c = 0; c < 4; ++c) p |= uint32_t{edges[rng() % sizeof(edges)]} << (8 * c);
                }
            }
            for (int format = kCompose32; format <= kComposeYuy2; ++format) {
                if (IsYuv(format)) {
                    ExpectSameAndConfined(f, format, 2 * s[0]);
                    ExpectSameAndConfined(f, format, 0);
                    ExpectSameAndConfined(f, format, 2 * s[0] + 6);  // padded rows
                } else {
                    const int pitch = RgbPitch(format, s[0]);
                    ExpectSameAndConfined(f, format, pitch);
                    ExpectSameAndConfined(f, format, pitch + 13);  // odd pitch: rows step pitch - 1
                }
            }
        }
    }
}

TEST(Compose, NothingIsWrittenForEmptyFramesOrUnknownFormats) {
    Frame f(4, 4);
    for (auto convert : {ComposeReference, ComposeMmx}) {
        std::vector<uint8_t> t = Surface(64, 4);
        for (int format : {-1, 6, 99}) convert({f.pixels.data(), 4, 4, t.data(), 32, format});
        convert({f.pixels.data(), 0, 4, t.data(), 16, kCompose32});
        convert({f.pixels.data(), 4, -3, t.data(), 16, kComposeUyvy});
        for (uint8_t b : t) ASSERT_EQ(b, kSentinel);
    }
}
