#pragma once
// In-place iterative radix-2 FFT on separate real and imaginary arrays.
namespace audio {

// n must be a power of two; returns false (and leaves the data) otherwise.
bool Fft(double* re, double* im, int n);

}  // namespace audio
