#pragma once
// One destination pixel of the displacement step on MMX lanes; shared by the
// plain MMX loop and the prefetching one. Include only from -mmmx units.
//
// The channels are split with masks and shifts rather than byte unpacks, so
// only the weight broadcast needs shuffles (the scarcest unit on most cores):
//   top & 0x00FF..  = [B00 R00 B01 R01]   top >> 8 (per word) = [G00 A00 G01 A01]
// multiplied by [w0 w0 w1 w1] (and the bottom row by [w2 w2 w3 w3]); the two
// halves of each register are then added, which gives per channel
// min(65535, sum of products) because every add saturates.
#include <mmintrin.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

struct MmxBlendConstants {
    __m64 zero;
    __m64 bump;         // 1 in each word with noFade, else 0
    __m64 lowBytes;     // 0x00FF in each word
    __m64 greenByte;    // 0xFF00 in word 0 only
    __m64 greenBytes;   // 0xFF00 in words 0 and 2
};

static inline MmxBlendConstants MakeMmxBlendConstants(bool noFade) {
    MmxBlendConstants c;
    c.zero = _mm_setzero_si64();
    c.bump = noFade ? _mm_set1_pi16(1) : c.zero;
    c.lowBytes = _mm_set1_pi16(0x00FF);
    c.greenByte = _mm_set_pi16(0, 0, 0, static_cast<short>(0xFF00));
    c.greenBytes = _mm_set_pi16(0, static_cast<short>(0xFF00), 0, static_cast<short>(0xFF00));
    return c;
}

// The blended pixel in the low 32 bits; the high 32 bits are scratch.
template <bool kNoFade>
static inline __m64 BlendPixelMmx(const uint8_t* s, size_t pitch, uint32_t w, const MmxBlendConstants& c) {
    __m64 top, bottom;  // two unaligned 8-byte loads: a pixel and its right neighbour
    memcpy(&top, s, 8);
    memcpy(&bottom, s + pitch, 8);

    __m64 wv = _mm_unpacklo_pi8(_mm_cvtsi32_si64(static_cast<int>(w)), c.zero);
    if (kNoFade) wv = _mm_add_pi16(wv, c.bump);
    const __m64 wTop = _mm_unpacklo_pi16(wv, wv);     // [w0 w0 w1 w1]
    const __m64 wBottom = _mm_unpackhi_pi16(wv, wv);  // [w2 w2 w3 w3]

    __m64 br = _mm_adds_pu16(_mm_mullo_pi16(_mm_and_si64(top, c.lowBytes), wTop),
                             _mm_mullo_pi16(_mm_and_si64(bottom, c.lowBytes), wBottom));
    __m64 ga = _mm_adds_pu16(_mm_mullo_pi16(_mm_srli_pi16(top, 8), wTop),
                             _mm_mullo_pi16(_mm_srli_pi16(bottom, 8), wBottom));
    br = _mm_adds_pu16(br, _mm_srli_si64(br, 32));  // [B R . .]
    ga = _mm_adds_pu16(ga, _mm_srli_si64(ga, 32));  // [G A . .]
    return _mm_or_si64(_mm_srli_pi16(br, 8), _mm_and_si64(ga, c.greenByte));
}

// Column sums of one pixel before the left and right columns are added:
// br = [B_left R_left B_right R_right], ga = [G_left A_left G_right A_right].
template <bool kNoFade>
static inline void ColumnSumsMmx(const uint8_t* s, size_t pitch, uint32_t w, const MmxBlendConstants& c, __m64* br,
                                 __m64* ga) {
    __m64 top, bottom;
    memcpy(&top, s, 8);
    memcpy(&bottom, s + pitch, 8);
    __m64 wv = _mm_unpacklo_pi8(_mm_cvtsi32_si64(static_cast<int>(w)), c.zero);
    if (kNoFade) wv = _mm_add_pi16(wv, c.bump);
    const __m64 wTop = _mm_unpacklo_pi16(wv, wv);
    const __m64 wBottom = _mm_unpackhi_pi16(wv, wv);
    *br = _mm_adds_pu16(_mm_mullo_pi16(_mm_and_si64(top, c.lowBytes), wTop),
                        _mm_mullo_pi16(_mm_and_si64(bottom, c.lowBytes), wBottom));
    *ga = _mm_adds_pu16(_mm_mullo_pi16(_mm_srli_pi16(top, 8), wTop),
                        _mm_mullo_pi16(_mm_srli_pi16(bottom, 8), wBottom));
}

// Two neighbouring destination pixels: the column sums of both are regrouped
// so one add finishes both pixels, and one 8-byte store writes them.
template <bool kNoFade>
static inline void BlendPairMmx(const uint8_t* base, const int32_t* offsets, const uint8_t* weights, size_t pitch,
                                uint32_t* out, const MmxBlendConstants& c) {
    uint32_t w0, w1;
    memcpy(&w0, weights, 4);
    memcpy(&w1, weights + 4, 4);
    __m64 brA, gaA, brB, gaB;
    ColumnSumsMmx<kNoFade>(base + offsets[0], pitch, w0, c, &brA, &gaA);
    ColumnSumsMmx<kNoFade>(base + offsets[1], pitch, w1, c, &brB, &gaB);
    const __m64 br = _mm_adds_pu16(_mm_unpacklo_pi32(brA, brB), _mm_unpackhi_pi32(brA, brB));
    const __m64 ga = _mm_adds_pu16(_mm_unpacklo_pi32(gaA, gaB), _mm_unpackhi_pi32(gaA, gaB));
    const __m64 pair = _mm_or_si64(_mm_srli_pi16(br, 8), _mm_and_si64(ga, c.greenBytes));
    memcpy(out, &pair, 8);
}

template <bool kNoFade>
static inline void BlendOneMmx(const uint8_t* base, const int32_t* offsets, const uint8_t* weights, size_t pitch,
                               uint32_t* out, const MmxBlendConstants& c) {
    uint32_t w;
    memcpy(&w, weights, 4);
    *out = static_cast<uint32_t>(_mm_cvtsi64_si32(BlendPixelMmx<kNoFade>(base + offsets[0], pitch, w, c)));
}
