#include "scene/cpu_features.h"
#include "scene/frame_ops.h"

void ApplyDisplacement(const DisplacementJob& job) {
    static const uint32_t features = CpuFeatureWord();
    if (FeatureHasSse(features)) {
        ApplyDisplacementMmxPrefetch(job);
    } else if (FeatureHasMmx(features)) {
        ApplyDisplacementMmx(job);
    } else {
        ApplyDisplacementReference(job);
    }
}
