#pragma once
// The finished frame as a canvas wants it: bytes red, green, blue, alpha 255
// per pixel, from the engine's 0x00RRGGBB (bytes blue, green, red, unused).
#include <cstdint>

void ConvertToRgbaReference(const uint32_t* frame, uint8_t* rgba, int pixelCount);
// Four pixels per WebAssembly simd128 register; only in the browser build.
void ConvertToRgbaSimd128(const uint32_t* frame, uint8_t* rgba, int pixelCount);

inline void ConvertToRgba(const uint32_t* frame, uint8_t* rgba, int pixelCount) {
#if defined(__wasm_simd128__)
    ConvertToRgbaSimd128(frame, rgba, pixelCount);
#else
    ConvertToRgbaReference(frame, rgba, pixelCount);
#endif
}
