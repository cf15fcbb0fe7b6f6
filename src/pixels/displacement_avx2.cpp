// AVX2 displacement step: four destination pixels per 256-bit register, each
// 64-bit lane holding one pixel's two source pixels of a row (plain 8-byte
// loads; gathers were slower). The lane arithmetic is the MMX loop's, so the
// result is the reference's bit for bit. Built with -mavx2 in this unit only
// (no floating point here); chosen at run time when the processor has AVX2
// and the operating system saves the AVX state.
#include <immintrin.h>

#include <cstddef>
#include <cstdint>

#include "pixels/frame_ops.h"

namespace {

// Far enough ahead to hide memory latency at 1920x1080; neighbouring pixels
// mostly read the same lines, so every second pixel's rows are fetched.
constexpr int kPrefetchDistance = 512;

inline __m128i LoadTwo(const uint8_t* a, const uint8_t* b) {
    const __m128i lo = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(a));
    return _mm_castpd_si128(_mm_loadh_pd(_mm_castsi128_pd(lo), reinterpret_cast<const double*>(b)));
}

inline __m256i LoadFour(const uint8_t* a, const uint8_t* b, const uint8_t* c, const uint8_t* d) {
    return _mm256_inserti128_si256(_mm256_castsi128_si256(LoadTwo(a, b)), LoadTwo(c, d), 1);
}

struct Constants {
    __m256i bump, lowBytes, greenBytes, gather;
};

// Four pixels from their offsets and 16 weight bytes, packed into 16 bytes.
template <bool kNoFade>
inline __m128i BlendFour(const uint8_t* base, size_t pitch, const int32_t* offsets, const uint8_t* weights,
                         const Constants& k) {
    const uint8_t* a = base + offsets[0];
    const uint8_t* b = base + offsets[1];
    const uint8_t* c = base + offsets[2];
    const uint8_t* d = base + offsets[3];
    const __m256i top = LoadFour(a, b, c, d);
    const __m256i bottom = LoadFour(a + pitch, b + pitch, c + pitch, d + pitch);

    __m256i w = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(weights)));
    if (kNoFade) w = _mm256_add_epi16(w, k.bump);
    const __m256i wTop = _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(w, 0x50), 0x50);
    const __m256i wBottom = _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(w, 0xFA), 0xFA);

    __m256i br = _mm256_adds_epu16(_mm256_mullo_epi16(_mm256_and_si256(top, k.lowBytes), wTop),
                                   _mm256_mullo_epi16(_mm256_and_si256(bottom, k.lowBytes), wBottom));
    __m256i ga = _mm256_adds_epu16(_mm256_mullo_epi16(_mm256_srli_epi16(top, 8), wTop),
                                   _mm256_mullo_epi16(_mm256_srli_epi16(bottom, 8), wBottom));
    br = _mm256_adds_epu16(br, _mm256_srli_epi64(br, 32));
    ga = _mm256_adds_epu16(ga, _mm256_srli_epi64(ga, 32));
    const __m256i pixels = _mm256_or_si256(_mm256_srli_epi16(br, 8), _mm256_and_si256(ga, k.greenBytes));
    return _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(pixels, k.gather));
}

template <bool kNoFade>
void Run(const DisplacementJob& job) {
    const uint8_t* base = reinterpret_cast<const uint8_t*>(job.source);
    const size_t pitch = static_cast<size_t>(job.width) * 4;
    const int32_t* offsets = job.sourceOffsets;
    const uint8_t* weights = job.weights;
    Constants k;
    k.bump = _mm256_set1_epi16(1);
    k.lowBytes = _mm256_set1_epi16(0x00FF);
    k.greenBytes = _mm256_set1_epi64x(0xFF00);
    k.gather = _mm256_setr_epi32(0, 2, 4, 6, 0, 2, 4, 6);
    const int count = job.pixelCount;
    const int prefetchEnd = count - kPrefetchDistance - 3;
    int i = 0;
    for (; i < prefetchEnd; i += 4) {
        for (int j = 0; j < 4; j += 2) {
            const char* ahead = reinterpret_cast<const char*>(base + offsets[i + kPrefetchDistance + j]);
            _mm_prefetch(ahead, _MM_HINT_T0);
            _mm_prefetch(ahead + pitch, _MM_HINT_T0);
        }
        const __m128i four = BlendFour<kNoFade>(base, pitch, offsets + i, weights + 4 * static_cast<size_t>(i), k);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(job.destination + i), four);
    }
    for (; i + 3 < count; i += 4) {
        const __m128i four = BlendFour<kNoFade>(base, pitch, offsets + i, weights + 4 * static_cast<size_t>(i), k);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(job.destination + i), four);
    }
    // The last one to three pixels: padded copies of the last entry, only the
    // real ones stored.
    if (i < count) {
        int32_t padOffsets[4];
        alignas(16) uint8_t padWeights[16];
        for (int j = 0; j < 4; ++j) {
            const int src = (i + j < count) ? i + j : count - 1;
            padOffsets[j] = offsets[src];
            for (int b = 0; b < 4; ++b) padWeights[4 * j + b] = weights[4 * static_cast<size_t>(src) + b];
        }
        alignas(16) uint32_t out[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(out), BlendFour<kNoFade>(base, pitch, padOffsets, padWeights, k));
        for (int j = 0; i + j < count; ++j) job.destination[i + j] = out[j];
    }
    _mm256_zeroupper();
}

}  // namespace

// The DLL's caller may hand over a stack aligned to 4 bytes only; realign it
// once here so the vector loops can keep their constants on it.
#if defined(__i386__)
__attribute__((force_align_arg_pointer))
#endif
void ApplyDisplacementAvx2(const DisplacementJob& job) {
    if (job.noFade) Run<true>(job);
    else Run<false>(job);
}
