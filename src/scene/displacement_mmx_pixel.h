#pragma once
// One destination pixel of the displacement step on MMX lanes; shared by the
// plain MMX loop and the prefetching one. Include only from -mmmx units.
#include <mmintrin.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

static inline uint32_t BlendPixelMmx(const uint8_t* s, size_t pitch, uint32_t w, __m64 bump,
                                     __m64 colourLanes, __m64 zero) {
    __m64 topPair, bottomPair;  // two unaligned 8-byte loads: a pixel and its right neighbour
    memcpy(&topPair, s, 8);
    memcpy(&bottomPair, s + pitch, 8);

    // Weights as 16-bit lanes [w0 w1 w2 w3] (+1 each with noFade), then each
    // broadcast over the colour lanes; the alpha lane gets 0 so the output's
    // fourth byte is always 0.
    __m64 wv = _mm_add_pi16(_mm_unpacklo_pi8(_mm_cvtsi32_si64(static_cast<int>(w)), zero), bump);
    const __m64 w0011 = _mm_unpacklo_pi16(wv, wv);
    const __m64 w2233 = _mm_unpackhi_pi16(wv, wv);
    const __m64 w0 = _mm_and_si64(_mm_unpacklo_pi32(w0011, w0011), colourLanes);
    const __m64 w1 = _mm_and_si64(_mm_unpackhi_pi32(w0011, w0011), colourLanes);
    const __m64 w2 = _mm_and_si64(_mm_unpacklo_pi32(w2233, w2233), colourLanes);
    const __m64 w3 = _mm_and_si64(_mm_unpackhi_pi32(w2233, w2233), colourLanes);

    __m64 t = _mm_mullo_pi16(_mm_unpacklo_pi8(topPair, zero), w0);
    t = _mm_adds_pu16(t, _mm_mullo_pi16(_mm_unpackhi_pi8(topPair, zero), w1));
    t = _mm_adds_pu16(t, _mm_mullo_pi16(_mm_unpacklo_pi8(bottomPair, zero), w2));
    t = _mm_adds_pu16(t, _mm_mullo_pi16(_mm_unpackhi_pi8(bottomPair, zero), w3));
    t = _mm_srli_pi16(t, 8);
    return static_cast<uint32_t>(_mm_cvtsi64_si32(_mm_packs_pu16(t, zero)));
}
