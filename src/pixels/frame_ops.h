#pragma once
#include <cstdint>

// Per-frame pixel loops: the displacement step and the frame clear. Every SIMD
// variant has the plain reference beside it and must match it bit for bit.

struct DisplacementJob {
    uint32_t* destination;       // pixelCount pixels
    const uint32_t* source;      // (height + 1) x width + 1 pixels
    const int32_t* sourceOffsets;  // byte offsets into source
    const uint8_t* weights;      // 4 per pixel: top-left, top-right, bottom-left, bottom-right
    int pixelCount;
    int width;                   // row pitch of source, in pixels
    bool noFade;                 // each weight gains 1, which keeps brightness
};

void ApplyDisplacementReference(const DisplacementJob& job);
void ApplyDisplacementMmx(const DisplacementJob& job);
// MMX with software prefetch of the mapped source rows; needs SSE's prefetch.
void ApplyDisplacementMmxPrefetch(const DisplacementJob& job);
// Two pixels per SSE2 register, with the same prefetch.
void ApplyDisplacementSse2(const DisplacementJob& job);
// Four pixels per AVX2 register; only where CpuHasAvx2().
void ApplyDisplacementAvx2(const DisplacementJob& job);
// Two pixels per WebAssembly simd128 register; only in the browser build.
void ApplyDisplacementSimd128(const DisplacementJob& job);
using DisplacementStep = void (*)(const DisplacementJob& job);
// The fastest variant this processor runs, and the step that applies it.
DisplacementStep ChooseDisplacementStep();
void ApplyDisplacement(const DisplacementJob& job);

void ClearPixelsReference(uint32_t* pixels, int count);
// Two pixels per 8-byte store; an odd last pixel is cleared too.
void ClearPixels(uint32_t* pixels, int count);
