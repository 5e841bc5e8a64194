#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <complex>
#include <random>
#include <utility>
#include <vector>

#include "NE10.h"
#include "platform/Denormals.h"
#include "tests/support/AllocCounter.h"
#include "tests/support/ReferenceDft.h"

namespace {

using Cpx = ne10_fft_cpx_float32_t;

std::vector<std::complex<double>> Reference(const std::vector<Cpx>& in, int sign) {
  std::vector<std::complex<double>> a(in.size());
  for (std::size_t i = 0; i < a.size(); ++i) a[i] = {in[i].r, in[i].i};
  return testing_support::ReferenceDft(std::move(a), sign);
}

std::vector<Cpx> Noise(int n, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> d(-1.0f, 1.0f);
  std::vector<Cpx> v(n);
  for (Cpx& x : v) x = {d(rng), d(rng)};
  return v;
}

// The FFT works once the start-up has initialised the library.
class Ne10Fft : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(ne10_init(), NE10_OK); }
};

TEST_F(Ne10Fft, MatchesFftwForEveryPowerOfTwoUpTo8192) {
  platform::ScopedFlushToZero ftz;
  for (int n = 2; n <= 8192; n *= 2) {
    SCOPED_TRACE(n);
    ne10_fft_cfg_float32_t cfg = ne10_fft_alloc_c2c_float32(n);
    ASSERT_NE(cfg, nullptr);
    std::vector<Cpx> in = Noise(n, static_cast<unsigned>(n));
    std::vector<Cpx> out(n);
    for (int inverse : {0, 1}) {
      {
        testing_support::AllocGuard guard;
        ne10_fft_c2c_1d_float32(out.data(), in.data(), cfg, inverse);
        EXPECT_EQ(guard.Count(), 0u);
      }
      // Forward unscaled; inverse scaled by 1/n.
      const auto ref = Reference(in, inverse ? +1 : -1);
      const double scale = inverse ? 1.0 / n : 1.0;
      // Errors of a float FFT of unit noise grow about like sqrt(n) log2(n) eps.
      const double tol = 4e-7 * std::sqrt(static_cast<double>(n)) * std::log2(n) * scale + 1e-7;
      for (int k = 0; k < n; ++k) {
        ASSERT_NEAR(out[k].r, ref[k].real() * scale, tol) << "bin " << k << (inverse ? " inverse" : " forward");
        ASSERT_NEAR(out[k].i, ref[k].imag() * scale, tol) << "bin " << k << (inverse ? " inverse" : " forward");
      }
    }
    // In place gives the same result as out of place.
    std::vector<Cpx> inPlace = in;
    ne10_fft_c2c_1d_float32(out.data(), in.data(), cfg, 0);
    ne10_fft_c2c_1d_float32(inPlace.data(), inPlace.data(), cfg, 0);
    for (int k = 0; k < n; ++k) ASSERT_TRUE(inPlace[k].r == out[k].r && inPlace[k].i == out[k].i) << k;
    ne10_fft_destroy_c2c_float32(cfg);
  }
}

TEST_F(Ne10Fft, NoPlanForSizesThatAreNotPowersOfTwo) {
  for (int n : {INT_MIN, -8, 0, 1, 3, 6, 100, 1000, 8191, 8193, 12288}) {
    EXPECT_EQ(ne10_fft_alloc_c2c_float32(n), nullptr) << n;
  }
  ne10_fft_destroy_c2c_float32(nullptr);  // harmless
}

TEST_F(Ne10Fft, InitialisationReportsSuccess) {
  EXPECT_EQ(ne10_init(), NE10_OK);
  EXPECT_EQ(ne10_init_math(ne10_HasNEON() == NE10_OK), NE10_OK);
}

// A start-up that prepares an FFT before initialising the library must not pass unnoticed.
// (GoogleTest runs death-test suites before the others, so the library is not yet
// initialised here even when the whole binary runs in one process.)
TEST(Ne10DeathTest, APlanAskedForBeforeInitialisationEndsTheProcess) {
  EXPECT_DEATH(ne10_fft_alloc_c2c_float32(64), "ne10_fft_alloc_c2c_float32 called before ne10_init");
}

}  // namespace
