#pragma once
// x to the power y for x >= 0, from a base-2 logarithm carried in two doubles
// and an exponential of its product with y (the classic fdlibm pow kernels),
// using only +, -, x, / and exact work on the bits: splitting a double by
// clearing its low word and scaling by adding to its exponent. The x87 build
// at 53-bit precision, SSE2 and WebAssembly give the same bits, within an ulp
// of the correctly rounded value; the libraries' pow disagree in the last bit,
// which moves a platform's edge by a pixel where it lies on a boundary.
//
// None of our builds lets the compiler fuse a*b+c (no FMA in their
// instruction sets); a fused product here would change the last bits.
#include <cstdint>
#include <cstring>

namespace fasttrig {

namespace pow_detail {

inline uint64_t Bits(double v) {
    uint64_t b;
    memcpy(&b, &v, sizeof b);
    return b;
}

inline double FromBits(uint64_t b) {
    double v;
    memcpy(&v, &b, sizeof v);
    return v;
}

inline uint32_t HighWord(double v) { return static_cast<uint32_t>(Bits(v) >> 32); }

// 21 significant bits at most, so products of two such parts are exact.
inline double ClearLow(double v) { return FromBits(Bits(v) & 0xffffffff00000000ull); }

inline double WithHighWord(double v, uint32_t high) {
    return FromBits((static_cast<uint64_t>(high) << 32) | (Bits(v) & 0xffffffffull));
}

// z times 2^n where that is subnormal, rounded to nearest even on the integer
// mantissa: a multiplication would round twice on the x87 unit, whose
// registers keep the wider exponent until the store.
inline double ScaleToSubnormal(double z, int n) {
    const uint64_t b = Bits(z);
    const uint64_t m = (b & 0x000fffffffffffffull) | 0x0010000000000000ull;
    const int shift = -(static_cast<int>(b >> 52) - 1075 + n + 1074);
    if (shift >= 64) return 0.0;
    uint64_t q = m >> shift;
    const uint64_t rest = m & ((1ull << shift) - 1);
    const uint64_t half = 1ull << (shift - 1);
    if (rest > half || (rest == half && (q & 1) != 0)) ++q;
    return FromBits(q);
}

// log2(1.5) in two parts, the first with 24 significant bits.
constexpr double kLog2OneHalfHi = 5.84962487220764160156e-01;
constexpr double kLog2OneHalfLo = 1.35003920212974897128e-08;
// 2 / (3 ln 2), its first 24 bits and the rest.
constexpr double kCp = 9.61796693925975554329e-01;
constexpr double kCpHi = 9.61796700954437255859e-01;
constexpr double kCpLo = -7.02846165095275826516e-09;
// ln 2, and in two parts with 21 bits in the first.
constexpr double kLn2 = 6.93147180559945286227e-01;
constexpr double kLn2Hi = 6.93147182464599609375e-01;
constexpr double kLn2Lo = -1.90465429995776804525e-09;
// How far below 1024 a product may round up to it and still overflow.
constexpr double kOverflowTail = 8.0085662595372944372e-17;

}  // namespace pow_detail

// Negative x gives NaN; the exponent may be any double.
template <class Isa>
inline double Pow(double x, double y) {
    using namespace pow_detail;
    const double inf = __builtin_inf();
    if (y == 0.0 || x == 1.0) return 1.0;
    if (y != y) return y;
    if (x != x) return x;
    if (x < 0.0) return __builtin_nan("");
    if (x == 0.0) return y > 0.0 ? 0.0 : inf;
    if (x == inf) return y > 0.0 ? inf : 0.0;
    // Beyond 2^64 every base but 1 overflows or underflows.
    if (y >= 0x1p64) return x > 1.0 ? inf : 0.0;
    if (y <= -0x1p64) return x > 1.0 ? 0.0 : inf;

    // x = 2^n * m with m in [sqrt(2)/2, sqrt(2)), around 1 or 1.5.
    int n = 0;
    uint32_t ix = HighWord(x);
    if (ix < 0x00100000) {  // subnormal
        x *= 0x1p53;
        n -= 53;
        ix = HighWord(x);
    }
    n += static_cast<int>(ix >> 20) - 0x3ff;
    const uint32_t frac = ix & 0x000fffff;
    ix = frac | 0x3ff00000;
    int k;
    if (frac <= 0x3988e) {          // m < sqrt(3/2)
        k = 0;
    } else if (frac < 0xbb67a) {    // m < sqrt(3)
        k = 1;
    } else {
        k = 0;
        n += 1;
        ix -= 0x00100000;
    }
    const double m = WithHighWord(x, ix);
    const double centre = k ? 1.5 : 1.0;

    // s = (m - c) / (m + c) as sHi + sLo, then log(m / c) = 2 atanh s.
    const double u = m - centre;
    const double v = 1.0 / (m + centre);
    const double s = u * v;
    const double sHi = ClearLow(s);
    // m + c to 21 bits, straight from the bits of m.
    const double sumHi = FromBits(static_cast<uint64_t>(((ix >> 1) | 0x20000000) + 0x00080000 + (k << 18)) << 32);
    const double sumLo = m - (sumHi - centre);
    const double sLo = v * ((u - sHi * sumHi) - sHi * sumLo);
    double s2 = s * s;
    double r = s2 * s2 * (5.99999999999994648725e-01 + s2 * (4.28571428578550184252e-01 +
               s2 * (3.33333329818377432918e-01 + s2 * (2.72728123808534006489e-01 +
               s2 * (2.30660745775561754067e-01 + s2 * 2.06975017800338417784e-01)))));
    r += sLo * (sHi + s);
    s2 = sHi * sHi;
    const double tHi = ClearLow(3.0 + s2 + r);
    const double tLo = r - ((tHi - 3.0) - s2);
    // 3 atanh(s) = s (3 + s^2 + r), as pHi + pLo.
    const double a = sHi * tHi;
    const double b = sLo * tHi + tLo * s;
    const double pHi = ClearLow(a + b);
    const double pLo = b - (pHi - a);
    const double zHi = kCpHi * pHi;
    const double zLo = kCpLo * pHi + pLo * kCp + (k ? kLog2OneHalfLo : 0.0);
    // log2 x = lHi + lLo, lHi with 21 bits.
    const double nd = n;
    const double offset = k ? kLog2OneHalfHi : 0.0;
    const double lHi = ClearLow(((zHi + zLo) + offset) + nd);
    const double lLo = zLo - (((lHi - nd) - offset) - zHi);

    // y log2 x = eHi + eLo, eHi exact.
    const double yHi = ClearLow(y);
    const double eLo = (y - yHi) * lHi + y * lLo;
    double eHi = yHi * lHi;
    const double e = eLo + eHi;
    const uint64_t eBits = Bits(e);
    const uint32_t j = static_cast<uint32_t>(eBits >> 32);
    const uint32_t jLow = static_cast<uint32_t>(eBits);
    const bool negative = (j >> 31) != 0;
    if (!negative && j >= 0x40900000) {  // e >= 1024
        if (j != 0x40900000 || jLow != 0 || eLo + kOverflowTail > e - eHi) return inf;
    } else if (negative && (j & 0x7fffffff) >= 0x4090cc00) {  // e <= -1075
        if (j != 0xc090cc00 || jLow != 0 || eLo <= e - eHi) return 0.0;
    }

    // 2^e = 2^q 2^f with q the integer nearest e, taken from the bits.
    const uint32_t magnitude = j & 0x7fffffff;
    int q = 0;
    if (magnitude > 0x3fe00000) {  // |e| > 0.5
        const int scale = static_cast<int>(magnitude >> 20) - 0x3ff;
        const uint32_t rounded = j + (0x00100000u >> (scale + 1));
        const int roundedExp = static_cast<int>((rounded & 0x7fffffff) >> 20) - 0x3ff;
        const double whole = FromBits(static_cast<uint64_t>(rounded & ~(0x000fffffu >> roundedExp)) << 32);
        q = static_cast<int>(((rounded & 0x000fffff) | 0x00100000) >> (20 - roundedExp));
        if (negative) q = -q;
        eHi -= whole;
    }
    // f = fHi + fLo in ln 2 units, |f| <= 1/2, then the Remez form of exp.
    const double t = ClearLow(eLo + eHi);
    const double g = t * kLn2Hi;
    const double h = (eLo - (t - eHi)) * kLn2 + t * kLn2Lo;
    const double f = g + h;
    const double fLo = h - (f - g);
    const double f2 = f * f;
    const double c = f - f2 * (1.66666666666666019037e-01 + f2 * (-2.77777777770155933842e-03 +
                     f2 * (6.61375632143793436117e-05 + f2 * (-1.65339022054652515390e-06 +
                     f2 * 4.13813679705723846039e-08))));
    const double rr = (f * c) / (c - 2.0) - (fLo + f * fLo);
    const double result = 1.0 - (rr - f);
    const int biased = static_cast<int>(HighWord(result) >> 20) + q;
    if (biased <= 0) return ScaleToSubnormal(result, q);
    return WithHighWord(result, HighWord(result) + static_cast<uint32_t>(q) * 0x00100000u);
}

}  // namespace fasttrig
