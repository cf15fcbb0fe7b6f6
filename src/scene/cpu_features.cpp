#include "scene/cpu_features.h"

#include <cpuid.h>

uint32_t CpuFeatureWord() {
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return 0;
    return edx;
}
