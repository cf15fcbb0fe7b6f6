// MMX displacement step. Built with -mmmx only in this translation unit so the
// compiler never mixes MMX registers into floating-point code elsewhere.
#include <mmintrin.h>

#include "pixels/displacement_mmx_pixel.h"
#include "pixels/frame_ops.h"

namespace {
template <bool kNoFade>
void Run(const DisplacementJob& job) {
    const uint8_t* base = reinterpret_cast<const uint8_t*>(job.source);
    const size_t pitch = static_cast<size_t>(job.width) * 4;
    const MmxBlendConstants c = MakeMmxBlendConstants(kNoFade);
    const int count = job.pixelCount;
    int i = 0;
    for (; i + 1 < count; i += 2)
        BlendPairMmx<kNoFade>(base, job.sourceOffsets + i, job.weights + 4 * static_cast<size_t>(i), pitch,
                              job.destination + i, c);
    if (i < count)
        BlendOneMmx<kNoFade>(base, job.sourceOffsets + i, job.weights + 4 * static_cast<size_t>(i), pitch,
                             job.destination + i, c);
    _mm_empty();
}
}  // namespace

void ApplyDisplacementMmx(const DisplacementJob& job) {
    if (job.noFade) Run<true>(job);
    else Run<false>(job);
}
