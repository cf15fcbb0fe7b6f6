// One byte shuffle swaps red and blue in four pixels at once; the unused
// fourth byte becomes an opaque alpha.
#include <wasm_simd128.h>

#include <cstddef>

#include "pixels/rgba.h"

void ConvertToRgbaSimd128(const uint32_t* frame, uint8_t* rgba, int pixelCount) {
    const v128_t opaque = wasm_i32x4_splat(static_cast<int32_t>(0xFF000000u));
    int i = 0;
    for (; i + 4 <= pixelCount; i += 4) {
        const v128_t p = wasm_v128_load(frame + i);
        const v128_t swapped = wasm_i8x16_shuffle(p, p, 2, 1, 0, 3, 6, 5, 4, 7, 10, 9, 8, 11, 14, 13, 12, 15);
        wasm_v128_store(rgba + 4 * static_cast<size_t>(i), wasm_v128_or(swapped, opaque));
    }
    ConvertToRgbaReference(frame + i, rgba + 4 * static_cast<size_t>(i), pixelCount - i);
}
