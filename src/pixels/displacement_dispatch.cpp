#include "pixels/cpu_features.h"
#include "pixels/frame_ops.h"

DisplacementStep ChooseDisplacementStep() {
#if defined(__wasm_simd128__)
    return ApplyDisplacementSimd128;
#elif defined(__wasm__)
    return ApplyDisplacementReference;
#else
    const uint32_t features = CpuFeatureWord();
    if (CpuHasAvx2()) return ApplyDisplacementAvx2;
    if (FeatureHasSse2(features)) return ApplyDisplacementSse2;
    if (FeatureHasSse(features)) return ApplyDisplacementMmxPrefetch;
    if (FeatureHasMmx(features)) return ApplyDisplacementMmx;
    return ApplyDisplacementReference;
#endif
}

void ApplyDisplacement(const DisplacementJob& job) {
    static const DisplacementStep step = ChooseDisplacementStep();
    step(job);
}
