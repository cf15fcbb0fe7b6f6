#pragma once
// Arc tangent from a rational reduction and one polynomial (the classic
// fdlibm atan and atan2), using only +, -, x and /: the x87 build at 53-bit
// precision, SSE2 and WebAssembly give the same bits, within an ulp or two of
// the correctly rounded value. The libraries' own versions disagree in the
// last bit on about one call in six, which moving particles amplify.
#include <cstdint>
#include <cstring>

namespace fasttrig {

namespace atan_detail {

constexpr double kAtanHi[] = {4.63647609000806093515e-01, 7.85398163397448278999e-01, 9.82793723247329054082e-01,
                              1.57079632679489655800e+00};
constexpr double kAtanLo[] = {2.26987774529616870924e-17, 3.06161699786838301793e-17, 1.39033110312309984516e-17,
                              6.12323399573676603587e-17};
constexpr double kPi = 3.1415926535897931160e+00;
constexpr double kPiLo = 1.2246467991473531772e-16;
constexpr double kHalfPi = 1.5707963267948965580e+00;
constexpr double kQuarterPi = 7.8539816339744827900e-01;

// The high 32 bits of a double: sign, exponent and the top of the mantissa.
inline int32_t High(double v) {
    uint64_t bits;
    memcpy(&bits, &v, sizeof bits);
    return static_cast<int32_t>(bits >> 32);
}

inline bool IsNan(double v) { return v != v; }

}  // namespace atan_detail

template <class Isa>
inline double Atan(double x) {
    using namespace atan_detail;
    const int32_t hx = High(x);
    const int32_t ix = hx & 0x7fffffff;
    if (ix >= 0x44100000) {  // |x| >= 2^66, or not a number
        if (IsNan(x)) return x;
        return hx < 0 ? -(kAtanHi[3] + kAtanLo[3]) : kAtanHi[3] + kAtanLo[3];
    }
    int id;
    if (ix < 0x3fdc0000) {                  // |x| < 0.4375
        if (ix < 0x3e400000) return x;      // |x| < 2^-27: atan x rounds to x
        id = -1;
    } else {
        x = x < 0.0 ? -x : x;
        if (ix < 0x3ff30000) {              // |x| < 1.1875
            if (ix < 0x3fe60000) {          // 7/16 <= |x| < 11/16
                id = 0;
                x = (2.0 * x - 1.0) / (2.0 + x);
            } else {                        // 11/16 <= |x| < 19/16
                id = 1;
                x = (x - 1.0) / (x + 1.0);
            }
        } else if (ix < 0x40038000) {       // |x| < 2.4375
            id = 2;
            x = (x - 1.5) / (1.0 + 1.5 * x);
        } else {                            // 2.4375 <= |x| < 2^66
            id = 3;
            x = -1.0 / x;
        }
    }
    const double z = x * x;
    const double w = z * z;
    // Odd and even terms apart, as fdlibm evaluates them.
    const double s1 = z * (3.33333333333329318027e-01 + w * (1.42857142725034663711e-01 + w * (9.09088713343650656196e-02 +
                      w * (6.66107313738753120669e-02 + w * (4.97687799461593236017e-02 + w * 1.62858201153657823623e-02)))));
    const double s2 = w * (-1.99999999998764832476e-01 + w * (-1.11111104054623557880e-01 + w * (-7.69187620504482999495e-02 +
                      w * (-5.83357013379057348645e-02 + w * -3.65315727442169155270e-02))));
    if (id < 0) return x - x * (s1 + s2);
    const double r = kAtanHi[id] - ((x * (s1 + s2) - kAtanLo[id]) - x);
    return hx < 0 ? -r : r;
}

// The angle of (x, y) in (-pi, pi], as the C library's atan2 defines it for
// zeros, infinities and NaN.
template <class Isa>
inline double Atan2(double y, double x) {
    using namespace atan_detail;
    if (IsNan(x) || IsNan(y)) return x + y;
    if (x == 1.0) return Atan<Isa>(y);
    const int32_t hx = High(x), hy = High(y);
    const int m = ((hy >> 31) & 1) | ((hx >> 30) & 2);  // bit 0: y negative, bit 1: x negative
    if (y == 0.0) {
        if (m < 2) return y;  // +-0 keeps its sign
        return m == 2 ? kPi : -kPi;
    }
    if (x == 0.0) return hy < 0 ? -kHalfPi : kHalfPi;
    const double inf = __builtin_inf();
    const bool xInf = x == inf || x == -inf;
    const bool yInf = y == inf || y == -inf;
    if (xInf) {
        if (yInf) {
            const double q[] = {kQuarterPi, -kQuarterPi, 3.0 * kQuarterPi, -3.0 * kQuarterPi};
            return q[m];
        }
        const double q[] = {0.0, -0.0, kPi, -kPi};
        return q[m];
    }
    if (yInf) return hy < 0 ? -kHalfPi : kHalfPi;
    // Exponents so far apart that y / x would lose the angle or underflow.
    const int k = ((hy & 0x7fffffff) >> 20) - ((hx & 0x7fffffff) >> 20);
    double z;
    int quadrant = m;
    if (k > 60) {
        z = kHalfPi + 0.5 * kPiLo;
        quadrant &= 1;
    } else if (hx < 0 && k < -60) {
        z = 0.0;
    } else {
        const double ratio = y / x;
        z = Atan<Isa>(ratio < 0.0 ? -ratio : ratio);
    }
    switch (quadrant) {
        case 0: return z;
        case 1: return -z;
        case 2: return kPi - (z - kPiLo);
        default: return (z - kPiLo) - kPi;
    }
}

}  // namespace fasttrig
