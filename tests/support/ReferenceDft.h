#pragma once
// The oracle of the FFT tests: an unscaled double-precision DFT by FFTW (linked into the
// tests only), negative exponent for sign -1, positive for +1.
#include <fftw3.h>

#include <complex>
#include <vector>

namespace testing_support {

inline std::vector<std::complex<double>> ReferenceDft(std::vector<std::complex<double>> in, int sign) {
  const int n = static_cast<int>(in.size());
  std::vector<std::complex<double>> out(in.size());
  fftw_plan plan = fftw_plan_dft_1d(n, reinterpret_cast<fftw_complex*>(in.data()),
                                    reinterpret_cast<fftw_complex*>(out.data()),
                                    sign < 0 ? FFTW_FORWARD : FFTW_BACKWARD, FFTW_ESTIMATE);
  fftw_execute(plan);
  fftw_destroy_plan(plan);
  return out;
}

}  // namespace testing_support
