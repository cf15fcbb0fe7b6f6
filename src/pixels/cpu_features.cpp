#include "pixels/cpu_features.h"

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>

uint32_t CpuFeatureWord() {
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return 0;
    return edx;
}

bool CpuHasAvx2() {
    unsigned eax = 0, ebx = 0, ecx1 = 0, edx = 0;
    if (!__get_cpuid(1, &eax, &ebx, &ecx1, &edx)) return false;
    if (__get_cpuid_max(0, nullptr) < 7) return false;
    unsigned ebx7 = 0, ecx = 0;
    __cpuid_count(7, 0, eax, ebx7, ecx, edx);
    uint32_t xcr0 = 0;
    // XGETBV exists only when OSXSAVE is set; asked only then.
    if ((ecx1 >> 27) & 1u) {
        uint32_t high = 0;
        __asm__ __volatile__("xgetbv" : "=a"(xcr0), "=d"(high) : "c"(0));
    }
    return Avx2Usable(ecx1, ebx7, xcr0);
}
#else
// WebAssembly: no x86 features; the build itself decides on simd128.
uint32_t CpuFeatureWord() { return 0; }
bool CpuHasAvx2() { return false; }
#endif
