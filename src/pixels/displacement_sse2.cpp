// SSE2 displacement step: two destination pixels per 128-bit register, the
// same lane arithmetic as the MMX loop (masks and shifts split the channels,
// every add saturates), so the result is the reference's bit for bit.
// Built with -msse2 in this unit only; chosen at run time by CPUID.
#include <emmintrin.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "pixels/frame_ops.h"

namespace {

// How far ahead the mapped source rows are fetched, in pixels.
constexpr int kPrefetchDistance = 256;

inline __m128i LoadPairOfRows(const uint8_t* a, const uint8_t* b) {
    // Two unaligned 8-byte loads: pixel and right neighbour, for each of a and b.
    const __m128i lo = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(a));
    const __m128i hi = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(b));
    return _mm_unpacklo_epi64(lo, hi);
}

struct Constants {
    __m128i zero, bump, lowBytes, greenBytes;
};

// Two pixels A and B from their offsets and their 8 weight bytes; the result
// holds A in bytes 0..3 and B in bytes 8..11.
template <bool kNoFade>
inline __m128i BlendTwo(const uint8_t* base, size_t pitch, int32_t offsetA, int32_t offsetB,
                        const uint8_t* weights, const Constants& c) {
    const uint8_t* a = base + offsetA;
    const uint8_t* b = base + offsetB;
    const __m128i top = LoadPairOfRows(a, b);                   // [A00 A01 | B00 B01]
    const __m128i bottom = LoadPairOfRows(a + pitch, b + pitch);  // [A10 A11 | B10 B11]

    __m128i w = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(weights)), c.zero);
    if (kNoFade) w = _mm_add_epi16(w, c.bump);  // [a0 a1 a2 a3 | b0 b1 b2 b3]
    const __m128i wTop = _mm_shufflehi_epi16(_mm_shufflelo_epi16(w, 0x50), 0x50);     // [a0 a0 a1 a1 | b0 b0 b1 b1]
    const __m128i wBottom = _mm_shufflehi_epi16(_mm_shufflelo_epi16(w, 0xFA), 0xFA);  // [a2 a2 a3 a3 | b2 b2 b3 b3]

    __m128i br = _mm_adds_epu16(_mm_mullo_epi16(_mm_and_si128(top, c.lowBytes), wTop),
                                _mm_mullo_epi16(_mm_and_si128(bottom, c.lowBytes), wBottom));
    __m128i ga = _mm_adds_epu16(_mm_mullo_epi16(_mm_srli_epi16(top, 8), wTop),
                                _mm_mullo_epi16(_mm_srli_epi16(bottom, 8), wBottom));
    br = _mm_adds_epu16(br, _mm_srli_epi64(br, 32));  // [B R . . | B R . .]
    ga = _mm_adds_epu16(ga, _mm_srli_epi64(ga, 32));  // [G A . . | G A . .]
    return _mm_or_si128(_mm_srli_epi16(br, 8), _mm_and_si128(ga, c.greenBytes));
}

template <bool kNoFade>
void Run(const DisplacementJob& job) {
    const uint8_t* base = reinterpret_cast<const uint8_t*>(job.source);
    const size_t pitch = static_cast<size_t>(job.width) * 4;
    const int32_t* offsets = job.sourceOffsets;
    const uint8_t* weights = job.weights;
    Constants c;
    c.zero = _mm_setzero_si128();
    c.bump = kNoFade ? _mm_set1_epi16(1) : c.zero;
    c.lowBytes = _mm_set1_epi16(0x00FF);
    c.greenBytes = _mm_set_epi16(0, 0, 0, static_cast<short>(0xFF00), 0, 0, 0, static_cast<short>(0xFF00));
    const int count = job.pixelCount;
    const int prefetchEnd = count - kPrefetchDistance - 1;
    int i = 0;
    for (; i < prefetchEnd; i += 2) {
        const char* ahead = reinterpret_cast<const char*>(base + offsets[i + kPrefetchDistance]);
        _mm_prefetch(ahead, _MM_HINT_T0);
        _mm_prefetch(ahead + pitch, _MM_HINT_T0);
        const char* ahead2 = reinterpret_cast<const char*>(base + offsets[i + kPrefetchDistance + 1]);
        _mm_prefetch(ahead2, _MM_HINT_T0);
        _mm_prefetch(ahead2 + pitch, _MM_HINT_T0);
        const __m128i two = BlendTwo<kNoFade>(base, pitch, offsets[i], offsets[i + 1], weights + 4 * static_cast<size_t>(i), c);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(job.destination + i), _mm_shuffle_epi32(two, 0x08));
    }
    for (; i + 1 < count; i += 2) {
        const __m128i two = BlendTwo<kNoFade>(base, pitch, offsets[i], offsets[i + 1], weights + 4 * static_cast<size_t>(i), c);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(job.destination + i), _mm_shuffle_epi32(two, 0x08));
    }
    if (i < count) {
        // The last odd pixel: its weights padded with a copy, its result alone stored.
        uint8_t w[8];
        memcpy(w, weights + 4 * static_cast<size_t>(i), 4);
        memcpy(w + 4, w, 4);
        const __m128i one = BlendTwo<kNoFade>(base, pitch, offsets[i], offsets[i], w, c);
        job.destination[i] = static_cast<uint32_t>(_mm_cvtsi128_si32(one));
    }
}

}  // namespace

// The DLL's caller may hand over a stack aligned to 4 bytes only; realign it
// once here so the vector loops can keep their constants on it.
#if defined(__i386__)
__attribute__((force_align_arg_pointer))
#endif
void ApplyDisplacementSse2(const DisplacementJob& job) {
    if (job.noFade) Run<true>(job);
    else Run<false>(job);
}
