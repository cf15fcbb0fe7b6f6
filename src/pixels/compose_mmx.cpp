// MMX conversions. Built with -mmmx only in this translation unit; every
// format's loop ends with EMMS before any floating-point code can run.
//
//   32-bit   whole pairs of each row copied with memcpy
//   24-bit   each pixel's whole 32-bit value stored at its 3-byte position
//   16-bit   blue and red placed by one PMADDWD, green masked in beside them
//   YUV      four pixels transposed to channel words, so each PMULLW serves
//            four pixels; terms combined bytewise (high bytes never see a
//            carry from the low ones, which floors every term on its own)
#include <mmintrin.h>

#include <cstring>

#include "pixels/compose.h"
#include "pixels/compose_layout.h"

namespace {

// Unaligned-safe moves: source rows of odd widths and 24-bit targets sit at
// any address.
inline __m64 Load64(const uint32_t* p) {
    __m64 v;
    memcpy(&v, p, 8);
    return v;
}
inline void Store64(uint8_t* p, __m64 v) { memcpy(p, &v, 8); }
inline void Store32(uint8_t* p, __m64 v) {
    const int low = _mm_cvtsi64_si32(v);
    memcpy(p, &low, 4);
}

// A plain copy of whole pairs: the C library's memcpy moves it faster than
// MMX could (and the compiler turns an __m64 copy into integer moves anyway).
void Rows32(const ComposeLayout& l, const uint32_t* frame, uint8_t* target) {
    const size_t rowBytes = static_cast<size_t>(l.pairsPerRow) * 8;
    for (ptrdiff_t y = 0; y < l.rows; ++y) memcpy(target + y * l.targetStep, frame + y * l.sourceStep, rowBytes);
}

// Each store's fourth byte is overwritten by the next pixel's; the last one
// lands in the spare column. With an odd width the last pair's second pixel
// is written as 2 + 1 bytes so the unconverted last column stays untouched.
void Rows24(const ComposeLayout& l, const uint32_t* frame, uint8_t* target) {
    const ptrdiff_t fullPairs = l.pairsPerRow - (l.oddWidth ? 1 : 0);
    for (ptrdiff_t y = 0; y < l.rows; ++y) {
        const uint32_t* s = frame + y * l.sourceStep;
        uint8_t* d = target + y * l.targetStep;
        ptrdiff_t n = fullPairs;
        for (; n >= 2; n -= 2, s += 4, d += 12) {
            const __m64 a = Load64(s), b = Load64(s + 2);
            Store32(d, a);
            Store32(d + 3, _mm_srli_si64(a, 32));
            Store32(d + 6, b);
            Store32(d + 9, _mm_srli_si64(b, 32));
        }
        if (n > 0) {
            const __m64 a = Load64(s);
            Store32(d, a);
            Store32(d + 3, _mm_srli_si64(a, 32));
            s += 2;
            d += 6;
        }
        if (l.oddWidth) {
            const __m64 a = Load64(s);
            Store32(d, a);
            const uint32_t second = static_cast<uint32_t>(_mm_cvtsi64_si32(_mm_srli_si64(a, 32)));
            d[3] = static_cast<uint8_t>(second);
            d[4] = static_cast<uint8_t>(second >> 8);
            d[5] = static_cast<uint8_t>(second >> 16);
        }
    }
    _mm_empty();
}

// Words of a pair: [B0|G0, R0|A0, B1|G1, R1|A1]. AND 0x00F8 keeps blue and
// red's top five bits; PMADDWD with (blue multiplier, 0x2000) puts both in
// place in each pixel's 32-bit lane; green's top bits are masked in from the
// original. Each lane then holds its 16-bit value at bit kShift with zeros
// around it, so two pairs fold into one register with one shift each way.
template <int kBlueMultiplier, int kGreenMask, int kShift>
struct Pack16 {
    __m64 blueRed = _mm_set1_pi16(0x00F8);
    __m64 multipliers = _mm_set_pi16(0x2000, kBlueMultiplier, 0x2000, kBlueMultiplier);
    __m64 green = _mm_set1_pi32(kGreenMask);

    // Both pixels of a pair in their 32-bit lanes, unshifted.
    __m64 Lanes(__m64 pair) const {
        return _mm_or_si64(_mm_madd_pi16(_mm_and_si64(pair, blueRed), multipliers), _mm_and_si64(pair, green));
    }
    // One pair's two values in the low 32 bits, first pixel low.
    __m64 One(__m64 pair) const {
        const __m64 lanes = _mm_srli_pi32(Lanes(pair), kShift);
        return _mm_or_si64(lanes, _mm_srli_si64(lanes, 16));
    }
    // Two pairs' four values, in pixel order.
    __m64 Two(__m64 first, __m64 second) const {
        const __m64 a = Lanes(first), b = Lanes(second);
        const __m64 even = _mm_unpacklo_pi32(a, b), odd = _mm_unpackhi_pi32(a, b);
        return _mm_or_si64(_mm_srli_pi32(even, kShift), _mm_slli_pi32(odd, 16 - kShift));
    }
};

template <int kBlueMultiplier, int kGreenMask, int kShift>
void Rows16(const ComposeLayout& l, const uint32_t* frame, uint8_t* target) {
    const Pack16<kBlueMultiplier, kGreenMask, kShift> pack;
    for (ptrdiff_t y = 0; y < l.rows; ++y) {
        const uint32_t* s = frame + y * l.sourceStep;
        uint8_t* d = target + y * l.targetStep;
        ptrdiff_t n = l.pairsPerRow;
        for (; n >= 4; n -= 4, s += 8, d += 16) {
            Store64(d, pack.Two(Load64(s), Load64(s + 2)));
            Store64(d + 8, pack.Two(Load64(s + 4), Load64(s + 6)));
        }
        for (; n > 0; --n, s += 2, d += 4) Store32(d, pack.One(Load64(s)));
    }
    _mm_empty();
}

// Two pairs at a time. Lanes 0 and 2 are first pixels (U), lanes 1 and 3
// second pixels (V): the chroma coefficients alternate per lane, and V's
// blue-minus-red difference is negated (x ^ m - m) so both come out of one
// formula: 128 + sign * (hi(cB * B) - hi(cR * R)) - hi(74 * G). The 128 rides
// on the negation's m: (x ^ m) - (m - 0x80 in the high byte).
struct YuvConstants {
    __m64 zero = _mm_setzero_si64();
    __m64 lumaBlue = _mm_set1_pi16(kLumaBlue);
    __m64 lumaGreen = _mm_set1_pi16(kLumaGreen);
    __m64 lumaRed = _mm_set1_pi16(kLumaRed);
    __m64 chromaBlue = _mm_set_pi16(kVBlue, kUBlue, kVBlue, kUBlue);
    __m64 chromaGreen = _mm_set1_pi16(kUGreen);  // kVGreen is the same
    __m64 chromaRed = _mm_set_pi16(kVRed, kURed, kVRed, kURed);
    __m64 negateV = _mm_set_pi16(-1, 0, -1, 0);
    __m64 negateVLessHalf = _mm_set_pi16(0x7FFF, static_cast<short>(0x8000), 0x7FFF, static_cast<short>(0x8000));
    __m64 highBytes = _mm_set1_pi16(static_cast<short>(0xFF00));
};
static_assert(kUGreen == kVGreen, "one green multiplier serves U and V");

// Returns words whose high bytes are Y (yLanes) and U, V, U, V (cLanes).
inline void TwoPairs(const YuvConstants& k, __m64 first, __m64 second, __m64* yLanes, __m64* cLanes) {
    const __m64 t0 = _mm_unpacklo_pi8(first, second);  // B0 B2 G0 G2 R0 R2 A0 A2
    const __m64 t1 = _mm_unpackhi_pi8(first, second);  // B1 B3 G1 G3 R1 R3 A1 A3
    const __m64 bg = _mm_unpacklo_pi8(t0, t1);         // B0 B1 B2 B3 G0 G1 G2 G3
    const __m64 ra = _mm_unpackhi_pi8(t0, t1);         // R0 R1 R2 R3 A0..A3
    const __m64 b = _mm_unpacklo_pi8(bg, k.zero);
    const __m64 g = _mm_unpackhi_pi8(bg, k.zero);
    const __m64 r = _mm_unpacklo_pi8(ra, k.zero);

    *yLanes = _mm_add_pi8(_mm_add_pi8(_mm_mullo_pi16(b, k.lumaBlue), _mm_mullo_pi16(g, k.lumaGreen)),
                          _mm_mullo_pi16(r, k.lumaRed));
    __m64 c = _mm_sub_pi8(_mm_mullo_pi16(b, k.chromaBlue), _mm_mullo_pi16(r, k.chromaRed));
    c = _mm_sub_pi8(_mm_xor_si64(c, k.negateV), k.negateVLessHalf);
    *cLanes = _mm_sub_pi8(c, _mm_mullo_pi16(g, k.chromaGreen));
}

// UYVY puts chroma in each word's low byte and luma in its high byte; YUY2
// the other way round.
template <bool kUyvy>
inline __m64 Interleave(const YuvConstants& k, __m64 yLanes, __m64 cLanes) {
    if (kUyvy) return _mm_or_si64(_mm_srli_pi16(cLanes, 8), _mm_and_si64(yLanes, k.highBytes));
    return _mm_or_si64(_mm_srli_pi16(yLanes, 8), _mm_and_si64(cLanes, k.highBytes));
}

template <bool kUyvy>
void RowsYuv(const ComposeLayout& l, const uint32_t* frame, uint8_t* target) {
    const YuvConstants k;
    __m64 y, c;
    for (ptrdiff_t row = 0; row < l.rows; ++row) {
        const uint32_t* s = frame + row * l.sourceStep;
        uint8_t* d = target + row * l.targetStep;
        ptrdiff_t n = l.pairsPerRow;
        for (; n >= 2; n -= 2, s += 4, d += 8) {
            TwoPairs(k, Load64(s), Load64(s + 2), &y, &c);
            Store64(d, Interleave<kUyvy>(k, y, c));
        }
        if (n > 0) {
            TwoPairs(k, Load64(s), k.zero, &y, &c);
            Store32(d, Interleave<kUyvy>(k, y, c));
        }
    }
    _mm_empty();
}

}  // namespace

void ComposeMmx(const ComposeJob& job) {
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
