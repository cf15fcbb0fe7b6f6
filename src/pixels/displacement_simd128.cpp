// WebAssembly simd128 displacement step: two destination pixels per register,
// the lane arithmetic of the SSE2 loop (masks and shifts split the channels,
// every add saturates), so the result is the reference's bit for bit.
// Built only for the browser, with -msimd128.
#include <wasm_simd128.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "pixels/frame_ops.h"

namespace {

// Pixel and right neighbour at a, then the same at b.
inline v128_t LoadPairOfRows(const uint8_t* a, const uint8_t* b) {
    return wasm_v128_load64_lane(b, wasm_v128_load64_zero(a), 1);
}

// Two pixels A and B from their offsets and their 8 weight bytes; the result
// holds A in bytes 0..3 and B in bytes 8..11.
template <bool kNoFade>
inline v128_t BlendTwo(const uint8_t* base, size_t pitch, int32_t offsetA, int32_t offsetB, const uint8_t* weights) {
    const uint8_t* a = base + offsetA;
    const uint8_t* b = base + offsetB;
    const v128_t top = LoadPairOfRows(a, b);                    // [A00 A01 | B00 B01]
    const v128_t bottom = LoadPairOfRows(a + pitch, b + pitch);  // [A10 A11 | B10 B11]

    v128_t w = wasm_u16x8_load8x8(weights);  // [a0 a1 a2 a3 | b0 b1 b2 b3]
    if (kNoFade) w = wasm_i16x8_add(w, wasm_i16x8_splat(1));
    const v128_t wTop = wasm_i16x8_shuffle(w, w, 0, 0, 1, 1, 4, 4, 5, 5);
    const v128_t wBottom = wasm_i16x8_shuffle(w, w, 2, 2, 3, 3, 6, 6, 7, 7);

    const v128_t lowBytes = wasm_i16x8_splat(0x00FF);
    v128_t br = wasm_u16x8_add_sat(wasm_i16x8_mul(wasm_v128_and(top, lowBytes), wTop),
                                   wasm_i16x8_mul(wasm_v128_and(bottom, lowBytes), wBottom));
    v128_t ga = wasm_u16x8_add_sat(wasm_i16x8_mul(wasm_u16x8_shr(top, 8), wTop),
                                   wasm_i16x8_mul(wasm_u16x8_shr(bottom, 8), wBottom));
    br = wasm_u16x8_add_sat(br, wasm_u64x2_shr(br, 32));  // [B R . . | B R . .]
    ga = wasm_u16x8_add_sat(ga, wasm_u64x2_shr(ga, 32));  // [G A . . | G A . .]
    const v128_t greenBytes = wasm_i32x4_make(0xFF00, 0, 0xFF00, 0);
    return wasm_v128_or(wasm_u16x8_shr(br, 8), wasm_v128_and(ga, greenBytes));
}

template <bool kNoFade>
void Run(const DisplacementJob& job) {
    const uint8_t* base = reinterpret_cast<const uint8_t*>(job.source);
    const size_t pitch = static_cast<size_t>(job.width) * 4;
    const int32_t* offsets = job.sourceOffsets;
    const uint8_t* weights = job.weights;
    const int count = job.pixelCount;
    int i = 0;
    for (; i + 1 < count; i += 2) {
        const v128_t two = BlendTwo<kNoFade>(base, pitch, offsets[i], offsets[i + 1], weights + 4 * static_cast<size_t>(i));
        wasm_v128_store64_lane(job.destination + i, wasm_i32x4_shuffle(two, two, 0, 2, 0, 2), 0);
    }
    if (i < count) {
        // The last odd pixel: its weights padded with a copy, its result alone stored.
        uint8_t w[8];
        memcpy(w, weights + 4 * static_cast<size_t>(i), 4);
        memcpy(w + 4, w, 4);
        const v128_t one = BlendTwo<kNoFade>(base, pitch, offsets[i], offsets[i], w);
        job.destination[i] = static_cast<uint32_t>(wasm_i32x4_extract_lane(one, 0));
    }
}

}  // namespace

void ApplyDisplacementSimd128(const DisplacementJob& job) {
    if (job.noFade) Run<true>(job);
    else Run<false>(job);
}
