#include "yuv420_convert.h"

#include <emmintrin.h>

#include <cstddef>

namespace {

inline uint8_t Luma(uint32_t p) {
    const int r = p >> 16 & 255, g = p >> 8 & 255, b = p & 255;
    return static_cast<uint8_t>(((66 * r + 129 * g + 25 * b + 128) >> 8) + 16);
}

// The 2x2 block whose top-left pixel is at `top` (next row at `bottom`).
void Chroma(const uint32_t* top, const uint32_t* bottom, uint8_t* u, uint8_t* v) {
    int mean[3];
    for (int c = 0; c < 3; ++c) {
        const int shift = 8 * c;
        mean[c] = ((top[0] >> shift & 255) + (top[1] >> shift & 255) + (bottom[0] >> shift & 255) +
                   (bottom[1] >> shift & 255) + 2) >> 2;
    }
    const int b = mean[0], g = mean[1], r = mean[2];
    *u = static_cast<uint8_t>(((-38 * r - 74 * g + 112 * b + 128) >> 8) + 128);
    *v = static_cast<uint8_t>(((112 * r - 94 * g - 18 * b + 128) >> 8) + 128);
}

void ConvertColumns(const uint32_t* top, const uint32_t* bottom, int from, int to, uint8_t* y0, uint8_t* y1,
                    uint8_t* u, uint8_t* v) {
    for (int x = from; x < to; x += 2) {
        y0[x] = Luma(top[x]);
        y0[x + 1] = Luma(top[x + 1]);
        y1[x] = Luma(bottom[x]);
        y1[x + 1] = Luma(bottom[x + 1]);
        Chroma(top + x, bottom + x, u + x / 2, v + x / 2);
    }
}

// One colour of four pixels, in the low byte of each 32-bit lane.
inline __m128i Channel(__m128i pixels, int shift) {
    return _mm_and_si128(_mm_srli_epi32(pixels, shift), _mm_set1_epi32(255));
}

// 16 pixels' luma. Every sum fits an unsigned 16-bit lane (at most 56228).
inline __m128i Luma16(const uint32_t* p) {
    __m128i y[2];
    for (int half = 0; half < 2; ++half) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 8 * half));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 8 * half + 4));
        const __m128i blue = _mm_packs_epi32(Channel(a, 0), Channel(b, 0));
        const __m128i green = _mm_packs_epi32(Channel(a, 8), Channel(b, 8));
        const __m128i red = _mm_packs_epi32(Channel(a, 16), Channel(b, 16));
        __m128i sum = _mm_add_epi16(_mm_mullo_epi16(red, _mm_set1_epi16(66)), _mm_set1_epi16(128));
        sum = _mm_add_epi16(sum, _mm_mullo_epi16(green, _mm_set1_epi16(129)));
        sum = _mm_add_epi16(sum, _mm_mullo_epi16(blue, _mm_set1_epi16(25)));
        y[half] = _mm_add_epi16(_mm_srli_epi16(sum, 8), _mm_set1_epi16(16));
    }
    return _mm_packus_epi16(y[0], y[1]);
}

// The rounded 2x2 means of one colour for four blocks (8 columns, 2 rows),
// one per 32-bit lane.
inline __m128i BlockMeans(const uint32_t* top, const uint32_t* bottom, int shift) {
    __m128i pairs[2];
    for (int half = 0; half < 2; ++half) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(top + 4 * half));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bottom + 4 * half));
        const __m128i columns = _mm_add_epi32(Channel(a, shift), Channel(b, shift));
        // Lanes 0 and 2 take their right-hand neighbour's sum.
        const __m128i sums = _mm_add_epi32(columns, _mm_srli_epi64(columns, 32));
        pairs[half] = _mm_shuffle_epi32(sums, _MM_SHUFFLE(3, 1, 2, 0));
    }
    const __m128i sums = _mm_unpacklo_epi64(pairs[0], pairs[1]);
    return _mm_srli_epi32(_mm_add_epi32(sums, _mm_set1_epi32(2)), 2);
}

// 8 chroma samples of 16 columns; the weighted sums stay within a signed
// 16-bit lane (|sum| <= 28560 + 128).
inline void Chroma8(const uint32_t* top, const uint32_t* bottom, uint8_t* u, uint8_t* v) {
    const __m128i blue = _mm_packs_epi32(BlockMeans(top, bottom, 0), BlockMeans(top + 8, bottom + 8, 0));
    const __m128i green = _mm_packs_epi32(BlockMeans(top, bottom, 8), BlockMeans(top + 8, bottom + 8, 8));
    const __m128i red = _mm_packs_epi32(BlockMeans(top, bottom, 16), BlockMeans(top + 8, bottom + 8, 16));
    const __m128i half = _mm_set1_epi16(128);
    __m128i cb = _mm_add_epi16(_mm_mullo_epi16(blue, _mm_set1_epi16(112)), half);
    cb = _mm_sub_epi16(cb, _mm_mullo_epi16(green, _mm_set1_epi16(74)));
    cb = _mm_sub_epi16(cb, _mm_mullo_epi16(red, _mm_set1_epi16(38)));
    __m128i cr = _mm_add_epi16(_mm_mullo_epi16(red, _mm_set1_epi16(112)), half);
    cr = _mm_sub_epi16(cr, _mm_mullo_epi16(green, _mm_set1_epi16(94)));
    cr = _mm_sub_epi16(cr, _mm_mullo_epi16(blue, _mm_set1_epi16(18)));
    cb = _mm_add_epi16(_mm_srai_epi16(cb, 8), half);
    cr = _mm_add_epi16(_mm_srai_epi16(cr, 8), half);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(u), _mm_packus_epi16(cb, cb));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(v), _mm_packus_epi16(cr, cr));
}

}  // namespace

void ConvertToYuv420Reference(const uint32_t* pixels, int width, int height, const Yuv420Planes& out) {
    for (int row = 0; row < height; row += 2) {
        const uint32_t* top = pixels + static_cast<size_t>(row) * width;
        ConvertColumns(top, top + width, 0, width, out.y + static_cast<std::ptrdiff_t>(row) * out.yStride,
                       out.y + static_cast<std::ptrdiff_t>(row + 1) * out.yStride,
                       out.u + static_cast<std::ptrdiff_t>(row / 2) * out.uStride,
                       out.v + static_cast<std::ptrdiff_t>(row / 2) * out.vStride);
    }
}

void ConvertToYuv420(const uint32_t* pixels, int width, int height, const Yuv420Planes& out) {
    const int wide = width / 16 * 16;
    for (int row = 0; row < height; row += 2) {
        const uint32_t* top = pixels + static_cast<size_t>(row) * width;
        const uint32_t* bottom = top + width;
        uint8_t* y0 = out.y + static_cast<std::ptrdiff_t>(row) * out.yStride;
        uint8_t* y1 = y0 + out.yStride;
        uint8_t* u = out.u + static_cast<std::ptrdiff_t>(row / 2) * out.uStride;
        uint8_t* v = out.v + static_cast<std::ptrdiff_t>(row / 2) * out.vStride;
        for (int x = 0; x < wide; x += 16) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(y0 + x), Luma16(top + x));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(y1 + x), Luma16(bottom + x));
            Chroma8(top + x, bottom + x, u + x / 2, v + x / 2);
        }
        ConvertColumns(top, bottom, wide, width, y0, y1, u, v);
    }
}
