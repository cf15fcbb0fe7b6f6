// MMX displacement step with software prefetch. Prefetch is an SSE instruction,
// so this unit is built with -msse and only called when CPUID reports SSE.
#include <mmintrin.h>
#include <xmmintrin.h>

#include <cstring>

#include "scene/displacement_mmx_pixel.h"
#include "scene/frame_ops.h"

namespace {
// How far ahead the mapped source rows are fetched: far enough to hide memory
// latency for scattered maps, near enough to stay in cache until used.
constexpr int kPrefetchDistance = 128;
}  // namespace

void ApplyDisplacementMmxPrefetch(const DisplacementJob& job) {
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

    const int prefetchEnd = count - kPrefetchDistance;
    uint32_t nextWeights;
    memcpy(&nextWeights, weights, 4);
    int i = 0;
    for (; i < prefetchEnd; ++i) {
        const char* ahead = reinterpret_cast<const char*>(base + offsets[i + kPrefetchDistance]);
        _mm_prefetch(ahead, _MM_HINT_T0);
        _mm_prefetch(ahead + pitch, _MM_HINT_T0);
        const uint32_t w = nextWeights;
        const uint8_t* s = base + offsets[i];
        memcpy(&nextWeights, weights + 4 * static_cast<size_t>(i + 1), 4);
        out[i] = BlendPixelMmx(s, pitch, w, bump, colourLanes, zero);
    }
    for (; i < count; ++i) {
        const uint32_t w = nextWeights;
        const uint8_t* s = base + offsets[i];
        if (i + 1 < count) memcpy(&nextWeights, weights + 4 * static_cast<size_t>(i + 1), 4);
        out[i] = BlendPixelMmx(s, pitch, w, bump, colourLanes, zero);
    }
    _mm_empty();
}
