#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "scene/cpu_features.h"
#include "video/compose.h"

namespace {

constexpr uint8_t kSentinel = 0x5A;
constexpr int kBytesPerPixel[] = {4, 3, 2, 2, 2, 2};
const char* const kFormatNames[] = {"32", "24", "565", "555", "UYVY", "YUY2"};

bool IsYuv(int format) { return format == kComposeUyvy || format == kComposeYuy2; }
bool HasSse2() { return FeatureHasSse2(CpuFeatureWord()); }

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
std::vector<uint8_t> Convert(void (*convert)(const ComposeJob&), Frame& f, int format, int pitch, int misalign) {
    const size_t rowBytes = static_cast<size_t>(f.width + 1) * 4;
    const size_t size = static_cast<size_t>(std::max(pitch, 2 * f.width)) * f.height + rowBytes + 16;
    std::vector<uint8_t> buffer(size + 32, kSentinel);
    uint8_t* base = buffer.data();
    while (reinterpret_cast<uintptr_t>(base) % 16 != static_cast<uintptr_t>(misalign)) ++base;
    convert({f.pixels(), f.width, f.height, base, pitch, format});
    return std::vector<uint8_t>(base, base + size);
}

void ExpectSse2MatchesReference(Frame& f, int format, int pitch, int misalign) {
    SCOPED_TRACE(testing::Message() << kFormatNames[format] << " " << f.width << "x" << f.height << " pitch " << pitch
                                    << " misalign " << misalign << " source offset " << f.offset);
    const std::vector<uint8_t> ref = Convert(ComposeReference, f, format, pitch, misalign);
    const std::vector<uint8_t> sse2 = Convert(ComposeSse2, f, format, pitch, misalign);
    const std::vector<bool> writable = Writable(format, f.width, f.height, pitch, ref.size());
    for (size_t i = 0; i < ref.size(); ++i) {
        ASSERT_EQ(ref[i], sse2[i]) << "byte " << i;
        if (!writable[i]) {
            ASSERT_EQ(sse2[i], kSentinel) << "byte " << i << " should be untouched";
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

void ExpectAllLayouts(Frame& f) {
    const int w = f.width;
    for (int format = kCompose32; format <= kComposeYuy2; ++format) {
        if (IsYuv(format)) {
            // One run of pairs (exact, odd by one or unset pitch), or padded rows.
            for (int pitch : {2 * w, 2 * w + 1, 0, 2 * w + 6, 2 * w + 7})
                ExpectSse2MatchesReference(f, format, pitch, 0);
            ExpectSse2MatchesReference(f, format, 2 * w, 3);
            ExpectSse2MatchesReference(f, format, 2 * w + 10, 1);
        } else {
            const int pitch = ((w + 1) * kBytesPerPixel[format] + 1) & ~1;
            for (int misalign : {0, 1, 2, 3, 8}) ExpectSse2MatchesReference(f, format, pitch, misalign);
            ExpectSse2MatchesReference(f, format, pitch + 13, 0);  // odd: rows step pitch + 12
            ExpectSse2MatchesReference(f, format, pitch + 13, 5);
            ExpectSse2MatchesReference(f, format, 6, 0);  // rows overlap: later rows win
        }
    }
}

}  // namespace

TEST(ComposeSse2, MatchesReferenceAtEveryTailLengthAndLeavesTheRestUntouched) {
    if (!HasSse2()) GTEST_SKIP() << "no SSE2";
    std::mt19937 rng(20261207);
    // Every width up to past two of the widest steps covers each loop tail.
    for (int w = 1; w <= 40; ++w) {
        for (int h : {1, 2, 3}) {
            Frame f(w, h, (w + h) % 3);
            Fill(f, rng, (w + h) % 2 == 0);
            ExpectAllLayouts(f);
        }
    }
    const int sizes[][2] = {{63, 5}, {64, 4}, {127, 3}, {641, 3}, {1920, 2}};
    for (const auto& s : sizes) {
        for (bool edges : {false, true}) {
            Frame f(s[0], s[1], 1);
            Fill(f, rng, edges);
            ExpectAllLayouts(f);
        }
    }
}

TEST(ComposeSse2, EveryChannelValueInBothPixelsOfAPair) {
    if (!HasSse2()) GTEST_SKIP() << "no SSE2";
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
        for (int format = kCompose32; format <= kComposeYuy2; ++format)
            ExpectSse2MatchesReference(f, format, IsYuv(format) ? 1024 : 513 * kBytesPerPixel[format] + 1, 0);
    }
}

TEST(ComposeSse2, KnownColoursAndTheChosenPath) {
    // The path the DLL takes, whichever the processor gets, on fixed colours.
    Frame f(4, 1);
    const uint32_t colours[] = {0xFFFFFFFF, 0x00FF0000, 0x0000FF00, 0xAB0000FF};
    std::copy(std::begin(colours), std::end(colours), f.pixels());
    const std::vector<uint8_t> uyvy = Convert(ComposeFrame, f, kComposeUyvy, 8, 0);
    EXPECT_EQ(std::vector<uint8_t>(uyvy.begin(), uyvy.begin() + 8),
              (std::vector<uint8_t>{129, 252, 219, 73, 55, 144, 111, 35}));
    const std::vector<uint8_t> rgb565 = Convert(ComposeFrame, f, kCompose565, 10, 0);
    EXPECT_EQ(std::vector<uint8_t>(rgb565.begin(), rgb565.begin() + 10),
              (std::vector<uint8_t>{0xFF, 0xFF, 0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00, kSentinel, kSentinel}));
    const std::vector<uint8_t> rgb24 = Convert(ComposeFrame, f, kCompose24, 16, 0);
    EXPECT_EQ(std::vector<uint8_t>(rgb24.begin(), rgb24.begin() + 14),
              (std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0x00, 0xAB,
                                    kSentinel}));
}

TEST(ComposeSse2, WritesNothingForEmptyFramesOrUnknownFormats) {
    if (!HasSse2()) GTEST_SKIP() << "no SSE2";
    Frame f(4, 4);
    std::fill(f.storage.begin(), f.storage.end(), 0x00FFFFFFu);
    for (int format : {-1, 6}) {
        const std::vector<uint8_t> t = Convert(ComposeSse2, f, format, 32, 0);
        EXPECT_TRUE(std::all_of(t.begin(), t.end(), [](uint8_t b) { return b == kSentinel; }));
    }
    Frame one(1, 1);  // one pixel: no whole pair, in any format
    for (int format = kCompose32; format <= kComposeYuy2; ++format) {
        const std::vector<uint8_t> t = Convert(ComposeSse2, one, format, 8, 0);
        EXPECT_TRUE(std::all_of(t.begin(), t.end(), [](uint8_t b) { return b == kSentinel; }))
            << kFormatNames[format];
    }
    std::vector<uint8_t> t(64, kSentinel);
    for (int w : {0, -3}) {
        ComposeSse2({f.pixels(), w, 4, t.data(), 16, kCompose24});
        ComposeSse2({f.pixels(), 4, w, t.data(), 16, kComposeYuy2});
    }
    ComposeSse2({nullptr, 4, 4, t.data(), 16, kCompose565});
    ComposeSse2({f.pixels(), 4, 4, nullptr, 16, kCompose565});
    EXPECT_TRUE(std::all_of(t.begin(), t.end(), [](uint8_t b) { return b == kSentinel; }));
}
