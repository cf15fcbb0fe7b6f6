#include "audio/fft.h"

#include <cmath>
#include <utility>

#include "transform/fast_trig.h"

namespace audio {

bool Fft(double* re, double* im, int n) {
    if (n < 1 || (n & (n - 1)) != 0) return false;
    // Bit-reversal permutation.
    for (int i = 1, j = 0; i < n; ++i) {
        int bit = n >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j ^= bit;
        if (i < j) {
            std::swap(re[i], re[j]);
            std::swap(im[i], im[j]);
        }
    }
    for (int len = 2; len <= n; len <<= 1) {
        const double angle = -6.283185307179586 / len;
        const double wr = fasttrig::Cos(angle), wi = fasttrig::Sin(angle);
        for (int start = 0; start < n; start += len) {
            double cr = 1.0, ci = 0.0;
            for (int k = 0; k < len / 2; ++k) {
                const int a = start + k, b = a + len / 2;
                const double tr = re[b] * cr - im[b] * ci;
                const double ti = re[b] * ci + im[b] * cr;
                re[b] = re[a] - tr;
                im[b] = im[a] - ti;
                re[a] += tr;
                im[a] += ti;
                const double nr = cr * wr - ci * wi;
                ci = cr * wi + ci * wr;
                cr = nr;
            }
        }
    }
    return true;
}

}  // namespace audio
