// MMX displacement step with software prefetch. Prefetch is an SSE instruction,
// so this unit is built with -msse and only called when CPUID reports SSE.
#include <mmintrin.h>
#include <xmmintrin.h>

#include "pixels/displacement_mmx_pixel.h"
#include "pixels/frame_ops.h"

namespace {
// How far ahead the mapped source rows are fetched: far enough to hide memory
// latency for scattered maps, near enough to stay in cache until used.
constexpr int kPrefetchDistance = 256;

template <bool kNoFade>
void Run(const DisplacementJob& job) {
    const uint8_t* base = reinterpret_cast<const uint8_t*>(job.source);
    const size_t pitch = static_cast<size_t>(job.width) * 4;
    const MmxBlendConstants c = MakeMmxBlendConstants(kNoFade);
    const int32_t* offsets = job.sourceOffsets;
    const int count = job.pixelCount;
    const int prefetchEnd = count - kPrefetchDistance - 1;
    int i = 0;
    for (; i < prefetchEnd; i += 2) {
        const char* ahead = reinterpret_cast<const char*>(base + offsets[i + kPrefetchDistance]);
        _mm_prefetch(ahead, _MM_HINT_T0);
        _mm_prefetch(ahead + pitch, _MM_HINT_T0);
        const char* ahead2 = reinterpret_cast<const char*>(base + offsets[i + kPrefetchDistance + 1]);
        _mm_prefetch(ahead2, _MM_HINT_T0);
        _mm_prefetch(ahead2 + pitch, _MM_HINT_T0);
        BlendPairMmx<kNoFade>(base, offsets + i, job.weights + 4 * static_cast<size_t>(i), pitch,
                              job.destination + i, c);
    }
    for (; i + 1 < count; i += 2)
        BlendPairMmx<kNoFade>(base, offsets + i, job.weights + 4 * static_cast<size_t>(i), pitch,
                              job.destination + i, c);
    if (i < count)
        BlendOneMmx<kNoFade>(base, offsets + i, job.weights + 4 * static_cast<size_t>(i), pitch,
                             job.destination + i, c);
    _mm_empty();
}
}  // namespace

void ApplyDisplacementMmxPrefetch(const DisplacementJob& job) {
    if (job.noFade) Run<true>(job);
    else Run<false>(job);
}
