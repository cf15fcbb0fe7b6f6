// AVX2 conversions, chosen at run time where the processor and the system
// allow AVX2. Only YUV has arithmetic enough to gain from sixteen pixels a
// step; the other formats already run at memory speed on SSE2 and go there.
//
//   YUV   the SSE2 arithmetic on sixteen pixels: one word per channel and
//         pixel, one PMULHUW per floored term; packing works within each
//         128-bit half, so a final VPERMQ puts the pixels back in order.
//         Fewer than eight pairs at a row's end are converted one pair at
//         a time.
#include <immintrin.h>

#include "pixels/compose.h"
#include "pixels/compose_layout.h"

namespace {

inline __m256i Load256(const uint32_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
inline void Store256(uint8_t* p, __m256i v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }

__m256i Alternate(int even, int odd) {
    return _mm256_set1_epi32(static_cast<int>(static_cast<uint32_t>(odd) << 16 | static_cast<uint32_t>(even)));
}

struct YuvConstants {
    __m256i blueRed = _mm256_set1_epi32(0x00FF00FF);
    __m256i lowByte = _mm256_set1_epi16(0x00FF);
    __m256i added = Alternate(0x00FF, 0xFF00);       // B (U lanes), R << 8 (V lanes)
    __m256i subtracted = Alternate(0xFF00, 0x00FF);  // R << 8 (U lanes), B (V lanes)
    __m256i lumaAdded = Alternate(kLumaBlue << 8, kLumaRed);
    __m256i lumaSubtracted = Alternate(kLumaRed, kLumaBlue << 8);
    __m256i lumaGreen = _mm256_set1_epi16(static_cast<short>(kLumaGreen << 8));
    __m256i chromaAdded = Alternate(kUBlue << 8, kVRed);
    __m256i chromaSubtracted = Alternate(kURed, kVBlue << 8);
    __m256i chromaGreen = _mm256_set1_epi16(kUGreen << 8);  // kVGreen is the same
    __m256i half = _mm256_set1_epi16(128);
};
static_assert(kUGreen == kVGreen, "one green multiplier serves U and V");

template <bool kUyvy>
inline __m256i SixteenPixels(const YuvConstants& k, __m256i first, __m256i second) {
    const __m256i redBlue =
        _mm256_packus_epi16(_mm256_and_si256(first, k.blueRed), _mm256_and_si256(second, k.blueRed));
    const __m256i fourthGreen = _mm256_packus_epi16(_mm256_srli_epi16(first, 8), _mm256_srli_epi16(second, 8));
    const __m256i plus = _mm256_and_si256(redBlue, k.added);
    const __m256i minus = _mm256_and_si256(redBlue, k.subtracted);
    const __m256i g = _mm256_and_si256(fourthGreen, k.lowByte);

    const __m256i luma = _mm256_add_epi16(
        _mm256_add_epi16(_mm256_mulhi_epu16(plus, k.lumaAdded), _mm256_mulhi_epu16(minus, k.lumaSubtracted)),
        _mm256_mulhi_epu16(g, k.lumaGreen));
    const __m256i chroma = _mm256_sub_epi16(
        _mm256_sub_epi16(_mm256_mulhi_epu16(plus, k.chromaAdded), _mm256_mulhi_epu16(minus, k.chromaSubtracted)),
        _mm256_mulhi_epu16(g, k.chromaGreen));
    const __m256i words = kUyvy ? _mm256_or_si256(_mm256_slli_epi16(luma, 8), _mm256_add_epi16(chroma, k.half))
                                : _mm256_or_si256(luma, _mm256_slli_epi16(_mm256_add_epi16(chroma, k.half), 8));
    // Pixels 0-3, 8-11, 4-7, 12-15 after packing: quarters 0, 2, 1, 3.
    return _mm256_permute4x64_epi64(words, 0xD8);
}

inline int Luma(uint32_t p) {
    return kLumaBlue * (p & 255) / 256 + kLumaGreen * (p >> 8 & 255) / 256 + kLumaRed * (p >> 16 & 255) / 256;
}

template <bool kUyvy>
void OnePair(const uint32_t* s, uint8_t* d) {
    const uint32_t p0 = s[0], p1 = s[1];
    const int u = 128 + kUBlue * (p0 & 255) / 256 - kUGreen * (p0 >> 8 & 255) / 256 - kURed * (p0 >> 16 & 255) / 256;
    const int v = 128 + kVRed * (p1 >> 16 & 255) / 256 - kVGreen * (p1 >> 8 & 255) / 256 - kVBlue * (p1 & 255) / 256;
    const uint8_t y0 = static_cast<uint8_t>(Luma(p0)), y1 = static_cast<uint8_t>(Luma(p1));
    d[0] = kUyvy ? static_cast<uint8_t>(u) : y0;
    d[1] = kUyvy ? y0 : static_cast<uint8_t>(u);
    d[2] = kUyvy ? static_cast<uint8_t>(v) : y1;
    d[3] = kUyvy ? y1 : static_cast<uint8_t>(v);
}

template <bool kUyvy>
void RowsYuv(const ComposeLayout& l, const uint32_t* frame, uint8_t* target) {
    const YuvConstants k;
    for (ptrdiff_t row = 0; row < l.rows; ++row) {
        const uint32_t* s = frame + row * l.sourceStep;
        uint8_t* d = target + row * l.targetStep;
        ptrdiff_t n = l.pairsPerRow;
        for (; n >= 8; n -= 8, s += 16, d += 32) Store256(d, SixteenPixels<kUyvy>(k, Load256(s), Load256(s + 8)));
        for (; n > 0; --n, s += 2, d += 4) OnePair<kUyvy>(s, d);
    }
}

}  // namespace

// The DLL's caller may hand over a stack aligned to 4 bytes only.
#if defined(__i386__)
__attribute__((force_align_arg_pointer))
#endif
void ComposeAvx2(const ComposeJob& job) {
    ComposeLayout layout;
    switch (job.format) {
        case kComposeUyvy:
            if (PlanCompose(job, &layout)) RowsYuv<true>(layout, job.frame, job.target);
            break;
        case kComposeYuy2:
            if (PlanCompose(job, &layout)) RowsYuv<false>(layout, job.frame, job.target);
            break;
        default:
            ComposeSse2(job);
            break;
    }
    _mm256_zeroupper();
}
