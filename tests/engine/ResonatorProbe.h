#pragma once
// Measuring the resonator from its output: the Hann-windowed magnitude spectrum of a rendered
// signal (FFTW as the transform).
#include <cmath>
#include <complex>
#include <vector>

#include "tests/support/ReferenceDft.h"

namespace resonator_test {

// |X[k]| for k = 0 .. size/2 of the Hann-windowed signal.
inline std::vector<double> Magnitudes(const std::vector<float>& signal) {
  const std::size_t n = signal.size();
  std::vector<std::complex<double>> in(n);
  for (std::size_t i = 0; i < n; ++i) {
    const double w = 0.5 - 0.5 * std::cos(2.0 * M_PI * static_cast<double>(i) / static_cast<double>(n));
    in[i] = w * static_cast<double>(signal[i]);
  }
  const std::vector<std::complex<double>> out = testing_support::ReferenceDft(in, -1);
  std::vector<double> mag(n / 2 + 1);
  for (std::size_t k = 0; k < mag.size(); ++k) mag[k] = std::abs(out[k]);
  return mag;
}

inline std::size_t PeakBin(const std::vector<double>& mag) {
  std::size_t best = 1;
  for (std::size_t k = 1; k < mag.size(); ++k) {
    if (mag[k] > mag[best]) best = k;
  }
  return best;
}

}  // namespace resonator_test
