#pragma once
#include <cstdint>

// EDX of CPUID function 1, or 0 when the processor has no CPUID.
uint32_t CpuFeatureWord();
inline bool FeatureHasMmx(uint32_t edx) { return (edx >> 23) & 1u; }
inline bool FeatureHasSse(uint32_t edx) { return (edx >> 25) & 1u; }
inline bool FeatureHasSse2(uint32_t edx) { return (edx >> 26) & 1u; }

// AVX2 usable: the processor has it (CPUID 7, EBX bit 5, and AVX) and the
// operating system saves the AVX registers on a task switch (OSXSAVE set and
// XGETBV reporting the SSE and AVX state enabled). Without the second half an
// AVX2 instruction faults on an old system even on a new processor.
bool CpuHasAvx2();
// The decision itself, from the raw words: ECX of function 1, EBX of function
// 7 (sub-leaf 0) and the low word of XGETBV(0), or 0 where unavailable.
inline bool Avx2Usable(uint32_t ecx1, uint32_t ebx7, uint32_t xcr0) {
    const bool osxsave = (ecx1 >> 27) & 1u;
    const bool avx = (ecx1 >> 28) & 1u;
    const bool avx2 = (ebx7 >> 5) & 1u;
    return osxsave && avx && avx2 && (xcr0 & 6u) == 6u;
}
