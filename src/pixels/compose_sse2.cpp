// SSE2 conversions, chosen at run time on processors that have SSE2. Same
// rows, same bytes as the reference; only the arithmetic is wider.
//
//   32-bit   whole pairs of each row copied with memcpy
//   24-bit   each pair packed to 6 bytes in a 64-bit lane and stored 8
//            bytes wide at 6-byte steps, the spare bytes overwritten by the
//            next store; the row's last pair written exact
//   16-bit   blue and red placed by one PMADDWD, green masked in beside them,
//            8 pixels packed to words and stored at once
//   YUV      eight pixels unpacked to one word per channel and pixel, so
//            each PMULHUW floors one term of eight pixels; luma and chroma
//            bytes come out as one word per pixel in pixel order
#include <emmintrin.h>

#include <cstring>

#include "pixels/compose.h"
#include "pixels/compose_layout.h"

namespace {

inline __m128i Load128(const uint32_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline __m128i Load64(const uint32_t* p) { return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)); }
inline void Store128(uint8_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
inline void Store64(uint8_t* p, __m128i v) { _mm_storel_epi64(reinterpret_cast<__m128i*>(p), v); }
// The high 64 bits, without a shuffle.
inline void Store64High(uint8_t* p, __m128i v) { _mm_storeh_pi(reinterpret_cast<__m64*>(p), _mm_castsi128_ps(v)); }
inline void Store32(uint8_t* p, __m128i v) {
    const int low = _mm_cvtsi128_si32(v);
    memcpy(p, &low, 4);
}

void Rows32(const ComposeLayout& l, const uint32_t* frame, uint8_t* target) {
    const size_t rowBytes = static_cast<size_t>(l.pairsPerRow) * 8;
    for (ptrdiff_t y = 0; y < l.rows; ++y) memcpy(target + y * l.targetStep, frame + y * l.sourceStep, rowBytes);
}

// Each 64-bit lane holds one pair as B0 G0 R0 B1 G1 R1 0 0, stored 8 bytes
// wide at 6-byte steps: the two bytes past each pair are overwritten by the
// next store, so the rows end exact. (Packing two pairs to 12 bytes for one
// 16-byte store costs more than the stores it saves.)
struct Pack24 {
    __m128i first = _mm_set1_epi64x(0x0000000000FFFFFFLL);
    __m128i second = _mm_set1_epi64x(0x0000FFFFFF000000LL);
    __m128i Pairs(__m128i v) const {
        return _mm_or_si128(_mm_and_si128(v, first), _mm_and_si128(_mm_srli_epi64(v, 8), second));
    }
};

void Rows24(const ComposeLayout& l, const uint32_t* frame, uint8_t* target) {
    const Pack24 pack;
    for (ptrdiff_t y = 0; y < l.rows; ++y) {
        const uint32_t* s = frame + y * l.sourceStep;
        uint8_t* d = target + y * l.targetStep;
        // The last pair is written on its own, so every store before it
        // may spill.
        ptrdiff_t n = l.pairsPerRow - 1;
        for (; n >= 4; n -= 4, s += 8, d += 24) {
            const __m128i a = pack.Pairs(Load128(s)), b = pack.Pairs(Load128(s + 4));
            Store64(d, a);
            Store64High(d + 6, a);
            Store64(d + 12, b);
            Store64High(d + 18, b);
        }
        for (; n > 0; --n, s += 2, d += 6) Store64(d, pack.Pairs(Load64(s)));
        // Each pixel's whole value at its 3-byte place: the first one's
        // fourth byte is overwritten, the second one's lands in the spare
        // column, unless the width is odd: that last column stays as it was.
        const uint32_t first = s[0], second = s[1];
        memcpy(d, &first, 4);
        memcpy(d + 3, &second, l.oddWidth ? 3 : 4);
    }
}

// Words of a pixel: [B|G, R|A]. AND 0x00F8 keeps blue's and red's top five
// bits; PMADDWD with (blue multiplier, 0x2000) puts both in place in the
// pixel's 32-bit lane and green's top bits are masked in from the original:
// the lane holds the 16-bit value at bit kShift. A 5-6-5 value may have bit
// 15 set: shifting it to the top and back arithmetically makes the signed
// pack keep all 16 bits. A 5-5-5 value packs as it is.
template <int kBlueMultiplier, int kGreenMask, int kShift>
struct Pack16 {
    __m128i blueRed = _mm_set1_epi32(0x00F800F8);
    __m128i multipliers = _mm_set1_epi32(0x2000 << 16 | kBlueMultiplier);
    __m128i green = _mm_set1_epi32(kGreenMask);

    __m128i Lanes(__m128i pixels) const {
        const __m128i lanes = _mm_or_si128(_mm_madd_epi16(_mm_and_si128(pixels, blueRed), multipliers),
                                           _mm_and_si128(pixels, green));
        if (kGreenMask == 0xF800) return _mm_srli_epi32(lanes, kShift);
        return _mm_srai_epi32(_mm_slli_epi32(lanes, 16 - kShift), 16);
    }
    // Eight pixels' values in pixel order.
    __m128i Eight(__m128i first, __m128i second) const { return _mm_packs_epi32(Lanes(first), Lanes(second)); }
    // Four (or two) pixels' values in the low 64 (or 32) bits.
    __m128i Four(__m128i pixels) const {
        const __m128i lanes = Lanes(pixels);
        return _mm_packs_epi32(lanes, lanes);
    }
};

template <int kBlueMultiplier, int kGreenMask, int kShift>
void Rows16(const ComposeLayout& l, const uint32_t* frame, uint8_t* target) {
    const Pack16<kBlueMultiplier, kGreenMask, kShift> pack;
    for (ptrdiff_t y = 0; y < l.rows; ++y) {
        const uint32_t* s = frame + y * l.sourceStep;
        uint8_t* d = target + y * l.targetStep;
        ptrdiff_t n = l.pairsPerRow;
        for (; n >= 8; n -= 8, s += 16, d += 32) {
            Store128(d, pack.Eight(Load128(s), Load128(s + 4)));
            Store128(d + 16, pack.Eight(Load128(s + 8), Load128(s + 12)));
        }
        if (n >= 4) {
            Store128(d, pack.Eight(Load128(s), Load128(s + 4)));
            n -= 4;
            s += 8;
            d += 16;
        }
        if (n >= 2) {
            Store64(d, pack.Four(Load128(s)));
            n -= 2;
            s += 4;
            d += 8;
        }
        if (n > 0) Store32(d, pack.Four(Load64(s)));
    }
}

// Eight pixels become words in pixel order: even lanes are first pixels of
// pairs (U), odd lanes second ones (V). PMULHUW of a channel in a word's low
// byte with coefficient x 256, or in its high byte with the plain
// coefficient, is that term floored. The words R|B of each pixel are split
// so that U's added channel (blue) and V's (red) share one vector, and the
// subtracted ones the other: chroma = 128 + added - subtracted - green term
// in every lane, and luma takes its blue and red terms from the same two.
struct YuvConstants {
    __m128i blueRed = _mm_set1_epi32(0x00FF00FF);
    __m128i lowByte = _mm_set1_epi16(0x00FF);
    __m128i added = Alternate(0x00FF, 0xFF00);       // B (U lanes), R << 8 (V lanes)
    __m128i subtracted = Alternate(0xFF00, 0x00FF);  // R << 8 (U lanes), B (V lanes)
    __m128i lumaAdded = Alternate(kLumaBlue << 8, kLumaRed);
    __m128i lumaSubtracted = Alternate(kLumaRed, kLumaBlue << 8);
    __m128i lumaGreen = _mm_set1_epi16(static_cast<short>(kLumaGreen << 8));
    __m128i chromaAdded = Alternate(kUBlue << 8, kVRed);
    __m128i chromaSubtracted = Alternate(kURed, kVBlue << 8);
    __m128i chromaGreen = _mm_set1_epi16(kUGreen << 8);  // kVGreen is the same
    __m128i half = _mm_set1_epi16(128);

    static __m128i Alternate(int even, int odd) {
        return _mm_set1_epi32(static_cast<int>(static_cast<uint32_t>(odd) << 16 | static_cast<uint32_t>(even)));
    }
};
static_assert(kUGreen == kVGreen, "one green multiplier serves U and V");

template <bool kUyvy>
inline __m128i EightPixels(const YuvConstants& k, __m128i first, __m128i second) {
    // Words R|B and A|G of each pixel.
    const __m128i redBlue = _mm_packus_epi16(_mm_and_si128(first, k.blueRed), _mm_and_si128(second, k.blueRed));
    const __m128i fourthGreen = _mm_packus_epi16(_mm_srli_epi16(first, 8), _mm_srli_epi16(second, 8));
    const __m128i plus = _mm_and_si128(redBlue, k.added);
    const __m128i minus = _mm_and_si128(redBlue, k.subtracted);
    const __m128i g = _mm_and_si128(fourthGreen, k.lowByte);

    const __m128i luma =
        _mm_add_epi16(_mm_add_epi16(_mm_mulhi_epu16(plus, k.lumaAdded), _mm_mulhi_epu16(minus, k.lumaSubtracted)),
                      _mm_mulhi_epu16(g, k.lumaGreen));
    const __m128i chroma =
        _mm_sub_epi16(_mm_sub_epi16(_mm_mulhi_epu16(plus, k.chromaAdded), _mm_mulhi_epu16(minus, k.chromaSubtracted)),
                      _mm_mulhi_epu16(g, k.chromaGreen));
    // UYVY puts chroma in each pixel's low byte and luma in its high byte;
    // YUY2 the other way round.
    if (kUyvy) return _mm_or_si128(_mm_slli_epi16(luma, 8), _mm_add_epi16(chroma, k.half));
    return _mm_or_si128(luma, _mm_slli_epi16(_mm_add_epi16(chroma, k.half), 8));
}

template <bool kUyvy>
void RowsYuv(const ComposeLayout& l, const uint32_t* frame, uint8_t* target) {
    const YuvConstants k;
    for (ptrdiff_t row = 0; row < l.rows; ++row) {
        const uint32_t* s = frame + row * l.sourceStep;
        uint8_t* d = target + row * l.targetStep;
        ptrdiff_t n = l.pairsPerRow;
        for (; n >= 8; n -= 8, s += 16, d += 32) {
            Store128(d, EightPixels<kUyvy>(k, Load128(s), Load128(s + 4)));
            Store128(d + 16, EightPixels<kUyvy>(k, Load128(s + 8), Load128(s + 12)));
        }
        if (n >= 4) {
            Store128(d, EightPixels<kUyvy>(k, Load128(s), Load128(s + 4)));
            n -= 4;
            s += 8;
            d += 16;
        }
        if (n >= 2) {
            Store64(d, EightPixels<kUyvy>(k, Load128(s), _mm_setzero_si128()));
            n -= 2;
            s += 4;
            d += 8;
        }
        if (n > 0) Store32(d, EightPixels<kUyvy>(k, Load64(s), _mm_setzero_si128()));
    }
}

}  // namespace

// The DLL's caller may hand over a stack aligned to 4 bytes only; realign it
// once here so the SSE2 loops can keep 16-byte values on it.
#if defined(__i386__)
__attribute__((force_align_arg_pointer))
#endif
void ComposeSse2(const ComposeJob& job) {
    ComposeLayout layout;
    if (!PlanCompose(job, &layout)) return;
    switch (job.format) {
        case kCompose32: Rows32(layout, job.frame, job.target); break;
        case kCompose24: Rows24(layout, job.frame, job.target); break;
        case kCompose565: Rows16<4, 0xFC00, 5>(layout, job.frame, job.target); break;
        case kCompose555: Rows16<8, 0xF800, 6>(layout, job.frame, job.target); break;
        case kComposeUyvy: RowsYuv<true>(layout, job.frame, job.target); break;
        case kComposeYuy2: RowsYuv<false>(layout, job.frame, job.target); break;
        default: break;
    }
}
