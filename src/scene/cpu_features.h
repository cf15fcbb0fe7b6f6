#pragma once
#include <cstdint>

// EDX of CPUID function 1, or 0 when the processor has no CPUID.
uint32_t CpuFeatureWord();
inline bool FeatureHasMmx(uint32_t edx) { return (edx >> 23) & 1u; }
inline bool FeatureHasSse(uint32_t edx) { return (edx >> 25) & 1u; }
inline bool FeatureHasSse2(uint32_t edx) { return (edx >> 26) & 1u; }
