#pragma once
// Helpers for measuring filters from their output: impulse responses and their spectrum at
// chosen frequencies (a direct DFT in double), and the analytic bilinear prototypes.
#include <cmath>
#include <complex>
#include <functional>
#include <vector>

namespace filter_test {

using Complex = std::complex<double>;
constexpr double kFs = 48000.0;

// Runs `process(in, out, n)` over an impulse of `length` samples in blocks of `block`.
inline std::vector<float> ImpulseResponse(
    const std::function<void(const float*, float*, int)>& process, int length, int block = 128) {
  std::vector<float> in(length, 0.0f), out(length, 0.0f);
  in[0] = 1.0f;
  for (int i = 0; i < length; i += block) process(in.data() + i, out.data() + i, block);
  return out;
}

// Spectrum of h at frequency f (Hz).
inline Complex Dft(const std::vector<float>& h, double f, double fs = kFs) {
  const double w = 2.0 * M_PI * f / fs;
  Complex sum = 0.0;
  for (std::size_t n = 0; n < h.size(); ++n) sum += static_cast<double>(h[n]) * std::polar(1.0, -w * n);
  return sum;
}

// The analogue frequency variable s / wc that the bilinear transform with prewarping at fc
// maps the digital frequency f to: j tan(pi f / fs) / tan(pi fc / fs).
inline Complex Sigma(double f, double fc, double fs = kFs) {
  return {0.0, std::tan(M_PI * f / fs) / std::tan(M_PI * fc / fs)};
}

inline double Db(double v) { return 20.0 * std::log10(v); }

}  // namespace filter_test
