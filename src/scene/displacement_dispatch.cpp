#include "scene/cpu_features.h"
#include "scene/frame_ops.h"

DisplacementStep ChooseDisplacementStep() {
    const uint32_t features = CpuFeatureWord();
    if (CpuHasAvx2()) return ApplyDisplacementAvx2;
    if (FeatureHasSse2(features)) return ApplyDisplacementSse2;
    if (FeatureHasSse(features)) return ApplyDisplacementMmxPrefetch;
    if (FeatureHasMmx(features)) return ApplyDisplacementMmx;
    return ApplyDisplacementReference;
}

void ApplyDisplacement(const DisplacementJob& job) {
    static const DisplacementStep step = ChooseDisplacementStep();
    step(job);
}
