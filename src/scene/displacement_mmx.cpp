// MMX displacement step. Built with -mmmx only in this translation unit so the
// compiler never mixes MMX registers into floating-point code elsewhere.
#include <mmintrin.h>

#include <cstring>

#include "scene/displacement_mmx_pixel.h"
#include "scene/frame_ops.h"

void ApplyDisplacementMmx(const DisplacementJob& job) {
    const uint8_t* base = reinterpret_cast<const uint8_t*>(job.source);
    const size_t pitch = static_cast<size_t>(job.width) * 4;
    const __m64 zero = _mm_setzero_si64();
    const __m64 bump = job.noFade ? _mm_set1_pi16(1) : zero;
    const __m64 colourLanes = _mm_set_pi16(0, -1, -1, -1);
    const int32_t* offsets = job.sourceOffsets;
    const uint8_t* weights = job.weights;
    uint32_t* out = job.destination;
    const int count = job.pixelCount;
    if (count <= 0) return;

    uint32_t nextWeights;
    memcpy(&nextWeights, weights, 4);
    for (int i = 0; i < count; ++i) {
        const uint32_t w = nextWeights;
        const uint8_t* s = base + offsets[i];
        if (i + 1 < count) memcpy(&nextWeights, weights + 4 * static_cast<size_t>(i + 1), 4);
        out[i] = BlendPixelMmx(s, pitch, w, bump, colourLanes, zero);
    }
    _mm_empty();
}
