// Plain C++ conversions: the definition the MMX path must match byte for byte.
#include "pixels/compose.h"
#include "pixels/compose_layout.h"

namespace {

inline uint8_t Blue(uint32_t p) { return static_cast<uint8_t>(p); }
inline uint8_t Green(uint32_t p) { return static_cast<uint8_t>(p >> 8); }
inline uint8_t Red(uint32_t p) { return static_cast<uint8_t>(p >> 16); }
inline uint8_t Fourth(uint32_t p) { return static_cast<uint8_t>(p >> 24); }

inline void Put16(uint8_t* d, unsigned v) {
    d[0] = static_cast<uint8_t>(v);
    d[1] = static_cast<uint8_t>(v >> 8);
}

void Row32(const uint32_t* s, uint8_t* d, ptrdiff_t pairs, bool) {
    for (ptrdiff_t i = 0; i < 2 * pairs; ++i) {
        Put16(d + 4 * i, s[i] & 0xFFFF);
        Put16(d + 4 * i + 2, s[i] >> 16);
    }
}

// Three bytes per pixel; the last pixel's fourth byte goes into the spare
// column, except when the width is odd: then the last column stays as it was.
void Row24(const uint32_t* s, uint8_t* d, ptrdiff_t pairs, bool oddWidth) {
    const ptrdiff_t n = 2 * pairs;
    for (ptrdiff_t i = 0; i < n; ++i) {
        d[3 * i] = Blue(s[i]);
        d[3 * i + 1] = Green(s[i]);
        d[3 * i + 2] = Red(s[i]);
    }
    if (!oddWidth) d[3 * n] = Fourth(s[n - 1]);
}

void Row565(const uint32_t* s, uint8_t* d, ptrdiff_t pairs, bool) {
    for (ptrdiff_t i = 0; i < 2 * pairs; ++i)
        Put16(d + 2 * i, (Red(s[i]) >> 3) << 11 | (Green(s[i]) >> 2) << 5 | Blue(s[i]) >> 3);
}

void Row555(const uint32_t* s, uint8_t* d, ptrdiff_t pairs, bool) {
    for (ptrdiff_t i = 0; i < 2 * pairs; ++i)
        Put16(d + 2 * i, (Red(s[i]) >> 3) << 10 | (Green(s[i]) >> 3) << 5 | Blue(s[i]) >> 3);
}

struct Yuv {
    uint8_t y0, u, y1, v;
};

int Luma(uint32_t p) { return kLumaBlue * Blue(p) / 256 + kLumaGreen * Green(p) / 256 + kLumaRed * Red(p) / 256; }

Yuv PairToYuv(uint32_t p0, uint32_t p1) {
    const int u = 128 + kUBlue * Blue(p0) / 256 - kUGreen * Green(p0) / 256 - kURed * Red(p0) / 256;
    const int v = 128 + kVRed * Red(p1) / 256 - kVGreen * Green(p1) / 256 - kVBlue * Blue(p1) / 256;
    return {static_cast<uint8_t>(Luma(p0)), static_cast<uint8_t>(u), static_cast<uint8_t>(Luma(p1)),
            static_cast<uint8_t>(v)};
}

void RowUyvy(const uint32_t* s, uint8_t* d, ptrdiff_t pairs, bool) {
    for (ptrdiff_t i = 0; i < pairs; ++i) {
        const Yuv c = PairToYuv(s[2 * i], s[2 * i + 1]);
        d[4 * i] = c.u;
        d[4 * i + 1] = c.y0;
        d[4 * i + 2] = c.v;
        d[4 * i + 3] = c.y1;
    }
}

void RowYuy2(const uint32_t* s, uint8_t* d, ptrdiff_t pairs, bool) {
    for (ptrdiff_t i = 0; i < pairs; ++i) {
        const Yuv c = PairToYuv(s[2 * i], s[2 * i + 1]);
        d[4 * i] = c.y0;
        d[4 * i + 1] = c.u;
        d[4 * i + 2] = c.y1;
        d[4 * i + 3] = c.v;
    }
}

using RowFunction = void (*)(const uint32_t*, uint8_t*, ptrdiff_t, bool);
constexpr RowFunction kRows[] = {Row32, Row24, Row565, Row555, RowUyvy, RowYuy2};

}  // namespace

void ComposeReference(const ComposeJob& job) {
    ComposeLayout layout;
    if (!PlanCompose(job, &layout)) return;
    const RowFunction row = kRows[job.format];
    for (ptrdiff_t y = 0; y < layout.rows; ++y)
        row(job.frame + y * layout.sourceStep, job.target + y * layout.targetStep, layout.pairsPerRow,
            layout.oddWidth);
}
