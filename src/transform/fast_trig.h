#pragma once
// Sine and cosine from polynomials, for map generation and drawing. The
// library's x87 versions cost 40-50 ns a call in the DLL, and the three
// libraries (glibc, emscripten's, msvcrt) differ in last bits; these use only
// +, -, x, one rounding and the exact fmod and floor, so the x87 build (at
// 53-bit precision), SSE2 and WebAssembly give the same bits, within an ulp
// or two of the correctly rounded value.
#include <cmath>

#include "transform/fast_atan.h"
#include "transform/fast_pow.h"
#include "transform/map_job.h"

#if defined(__i386__) && !defined(__SSE2__)
#define VELUNE_X87_ROUNDING 1
#elif defined(__wasm__)
#define VELUNE_WASM_ROUNDING 1
#else
#include <emmintrin.h>
#endif

// Every function is a template on the instruction set it is compiled for
// (see map_job.h): the SSE2 build of the generators instantiates its own
// copies, so the x87 code never links against an SSE2 copy or back.
namespace fasttrig {

// Nearest integer, ties to even, in the current rounding mode (never switched).
template <class Isa>
inline int RoundToInt(double v) {
#if defined(VELUNE_X87_ROUNDING)
    int i;
    __asm__("fistl %0" : "=m"(i) : "t"(v));
    return i;
#elif defined(VELUNE_WASM_ROUNDING)
    return static_cast<int>(__builtin_rint(v));  // f64.nearest: ties to even
#else
    return _mm_cvtsd_si32(_mm_set_sd(v));
#endif
}

// pi/2 in three parts; the first two have 33 significant bits, so k times
// either is exact for |k| < 2^20 and the reduction loses nothing.
constexpr double kHalfPi1 = 1.5707963267341256;
constexpr double kHalfPi2 = 6.077100506303966e-11;
constexpr double kHalfPi3 = 2.0222662487959506e-21;
constexpr double kTwoOverPi = 0.6366197723675814;
// Beyond this the three-part reduction loses bits: ReduceLarge takes over.
constexpr double kReducedLimit = 1.0e5;
// pi/2 as the double nearest it and what that double misses.
constexpr double kHalfPiHi = 1.5707963267948966;
constexpr double kHalfPiLo = 6.123233995736766e-17;

// Minimax polynomials on |y| <= pi/4 (the classic fdlibm kernels), within an
// ulp of the true values.
template <class Isa>
inline double SinKernel(double y) {
    const double z = y * y;
    const double r = 8.33333333332248946124e-03 + z * (-1.98412698298579493134e-04 + z * (2.75573137070700676789e-06 +
                     z * (-2.50507602534068634195e-08 + z * 1.58969099521155010221e-10)));
    return y + (z * y) * (-1.66666666666666324348e-01 + z * r);
}

template <class Isa>
inline double CosKernel(double y) {
    const double z = y * y;
    const double r = z * (4.16666666666666019037e-02 + z * (-1.38888888888741095749e-03 + z * (2.48015872894767294178e-05 +
                     z * (-2.75573143513906633035e-07 + z * (2.08757232129817482790e-09 + z * -1.13596475577881948265e-11)))));
    const double half = 0.5 * z;
    const double w = 1.0 - half;
    // 1 - z/2 rounded, plus what that rounding lost, plus the tail.
    return w + (((1.0 - w) - half) + z * r);
}

// Short Taylor series for |y| <= 1/32, the small turns most pixels get: the
// first omitted terms are below 1e-19 of the result.
template <class Isa>
inline void SinCosSmall(double y, double* s, double* c) {
    const double z = y * y;
    *s = y + (z * y) * (-1.0 / 6 + z * (1.0 / 120 + z * (-1.0 / 5040)));
    *c = 1.0 - 0.5 * z + (z * z) * (1.0 / 24 + z * (-1.0 / 720 + z * (1.0 / 40320)));
}

// Phases that grow frame after frame leave the three-part range within
// minutes. fmod is exact in every library, so x = n (pi/2)_hi + r holds
// exactly, and the part of pi/2 beyond its double then comes off r: the
// reduced argument stays within about an ulp. Puts x
// reduced to about [-pi/4, pi/4] into *y and its quadrant into *k; false for
// an infinite or not-a-number x.
template <class Isa>
inline bool ReduceLarge(double x, int* k, double* y) {
    const double ax = std::fabs(x);
    if (!(ax <= 1.7976931348623157e308)) return false;
    const double r = std::fmod(ax, kHalfPiHi);
    const double n = std::floor((ax - r) / kHalfPiHi + 0.5);
    // Beyond 2^50 not even the integer part of x / (pi/2) is exact: the
    // result is then the sine of r, still the same bits everywhere.
    const double rest = n < 0x1p50 ? r - n * kHalfPiLo : r;  // in (-2^-50, pi/2)
    // One more quarter when rest passed pi/4, then the sign of x.
    const int step = rest > 0.7853981633974483 ? 1 : 0;
    const double reduced = step ? (rest - kHalfPiHi) - kHalfPiLo : rest;
    const int quadrant = static_cast<int>(std::fmod(n, 4.0)) + step;
    *y = x < 0.0 ? -reduced : reduced;
    *k = x < 0.0 ? -quadrant : quadrant;
    return true;
}

template <class Isa>
inline void SinCos(double x, double* s, double* c) {
    if (std::fabs(x) <= 0.03125) {
        SinCosSmall<Isa>(x, s, c);
        return;
    }
    if (std::fabs(x) <= 0.7853981633974483) {
        *s = SinKernel<Isa>(x);
        *c = CosKernel<Isa>(x);
        return;
    }
    int k;
    double y;
    if (std::fabs(x) < kReducedLimit) {
        k = RoundToInt<Isa>(x * kTwoOverPi);
        const double kd = k;
        y = ((x - kd * kHalfPi1) - kd * kHalfPi2) - kd * kHalfPi3;
    } else if (!ReduceLarge<Isa>(x, &k, &y)) {  // infinite or not a number
        *s = *c = x - x;
        return;
    }
    const double sy = SinKernel<Isa>(y);
    const double cy = CosKernel<Isa>(y);
    switch (k & 3) {
        case 0: *s = sy; *c = cy; break;
        case 1: *s = cy; *c = -sy; break;
        case 2: *s = -sy; *c = -cy; break;
        default: *s = -cy; *c = sy; break;
    }
}

template <class Isa>
inline double Sin(double x) {
    double s, c;
    SinCos<Isa>(x, &s, &c);
    return s;
}

template <class Isa>
inline double Cos(double x) {
    double s, c;
    SinCos<Isa>(x, &s, &c);
    return c;
}

// For code built once, in its file's own instruction set: the renderers, the
// particles and the primitives draw with these, never with the library's.
inline double Sin(double x) { return Sin<IsaX87>(x); }
inline double Cos(double x) { return Cos<IsaX87>(x); }
inline double Atan2(double y, double x) { return Atan2<IsaX87>(y, x); }
inline double Pow(double x, double y) { return Pow<IsaX87>(x, y); }

}  // namespace fasttrig
