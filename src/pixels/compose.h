#pragma once
// Conversion of the finished 32-bit frame into the display's pixel format.
// Pure pixel work, no DirectDraw: the DLL's Video::Compose locks the surface
// and calls ComposeFrame; tests compare the SIMD paths with the reference.
#include <cstdint>

#include "pixels/cpu_features.h"

enum ComposeFormat {
    kCompose32 = 0,    // 32-bit RGB
    kCompose24 = 1,    // 24-bit RGB
    kCompose565 = 2,   // 16-bit RGB 5-6-5
    kCompose555 = 3,   // 16-bit RGB 5-5-5
    kComposeUyvy = 4,  // YUV 4:2:2 U Y0 V Y1
    kComposeYuy2 = 5,  // YUV 4:2:2 Y0 U Y1 V
};

struct ComposeJob {
    const uint32_t* frame;  // width x height pixels 0x00RRGGBB
    int width;
    int height;
    uint8_t* target;        // locked surface memory
    int pitch;              // bytes between target rows (YUV: only if padded)
    int format;             // ComposeFormat; others convert nothing
};

void ComposeReference(const ComposeJob& job);
void ComposeMmx(const ComposeJob& job);
void ComposeSse2(const ComposeJob& job);  // only where CPUID reports SSE2
void ComposeAvx2(const ComposeJob& job);  // only where CpuHasAvx2
// The path the DLL uses: AVX2 where the processor and system allow it, then
// SSE2, then MMX.
inline void ComposeFrame(const ComposeJob& job) {
    static const bool avx2 = CpuHasAvx2();
    static const bool sse2 = FeatureHasSse2(CpuFeatureWord());
    if (avx2) {
        ComposeAvx2(job);
    } else if (sse2) {
        ComposeSse2(job);
    } else {
        ComposeMmx(job);
    }
}
