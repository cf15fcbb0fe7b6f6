#include <cstring>

#include "pixels/frame_ops.h"

void ApplyDisplacementReference(const DisplacementJob& job) {
    const uint8_t* base = reinterpret_cast<const uint8_t*>(job.source);
    const unsigned k = job.noFade ? 1u : 0u;
    const size_t pitch = static_cast<size_t>(job.width) * 4;
    for (int i = 0; i < job.pixelCount; ++i) {
        const uint8_t* p00 = base + job.sourceOffsets[i];
        const uint8_t* p01 = p00 + 4;
        const uint8_t* p10 = p00 + pitch;
        const uint8_t* p11 = p10 + 4;
        const uint8_t* w = job.weights + 4 * static_cast<size_t>(i);
        uint32_t out = 0;
        for (int c = 0; c < 3; ++c) {
            unsigned t = p00[c] * (w[0] + k) + p01[c] * (w[1] + k) + p10[c] * (w[2] + k) +
                         p11[c] * (w[3] + k);
            if (t > 65535) t = 65535;
            out |= (t >> 8) << (8 * c);
        }
        job.destination[i] = out;
    }
}

void ClearPixelsReference(uint32_t* pixels, int count) {
    memset(pixels, 0, static_cast<size_t>(count) * 4);
}

void ClearPixels(uint32_t* pixels, int count) {
    if (count <= 0) return;
    const uint64_t zero = 0;
    const int steps = count / 2;
    for (int i = 0; i < steps; ++i) memcpy(pixels + 2 * i, &zero, 8);
    if (count & 1) pixels[count - 1] = 0;
}
