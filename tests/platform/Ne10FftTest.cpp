#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <complex>
#include <cstring>
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

bool SameBits(const Cpx& a, const Cpx& b) { return std::memcmp(&a, &b, sizeof(Cpx)) == 0; }

// Every size a plan is made for, both directions: 2, 4 and 8 points go one butterfly at a
// time, 16 is the first pass alone, larger sizes end in a radix-4 or (odd log2 n) a radix-2
// vector stage.
TEST_F(Ne10Fft, MatchesFftwForEverySizeAndDirection) {
  platform::ScopedFlushToZero ftz;
  for (int n = 2; n <= 65536; n *= 2) {
    SCOPED_TRACE(n);
    ne10_fft_cfg_float32_t cfg = ne10_fft_alloc_c2c_float32(n);
    ASSERT_NE(cfg, nullptr);
    const std::vector<Cpx> in = Noise(n, static_cast<unsigned>(n));
    for (int inverse : {0, 1}) {
      SCOPED_TRACE(inverse ? "inverse" : "forward");
      std::vector<Cpx> source = in;
      std::vector<Cpx> out(n);
      {
        testing_support::AllocGuard guard;
        ne10_fft_c2c_1d_float32(out.data(), source.data(), cfg, inverse);
        EXPECT_EQ(guard.Count(), 0u);
      }
      for (int k = 0; k < n; ++k) ASSERT_TRUE(SameBits(source[k], in[k])) << "input changed at " << k;
      // Forward unscaled; inverse scaled by 1/n.
      const auto ref = Reference(in, inverse ? +1 : -1);
      const double scale = inverse ? 1.0 / n : 1.0;
      // Errors of a float FFT of unit noise grow about like sqrt(n) log2(n) eps.
      const double tol = 4e-7 * std::sqrt(static_cast<double>(n)) * std::log2(n) * scale + 1e-7;
      for (int k = 0; k < n; ++k) {
        ASSERT_NEAR(out[k].r, ref[k].real() * scale, tol) << "bin " << k;
        ASSERT_NEAR(out[k].i, ref[k].imag() * scale, tol) << "bin " << k;
      }
      // In place, and at an address that is only 8-byte aligned, gives the same bits.
      std::vector<Cpx> buffer(n + 1);
      std::copy(in.begin(), in.end(), buffer.begin() + 1);
      ne10_fft_c2c_1d_float32(buffer.data() + 1, buffer.data() + 1, cfg, inverse);
      for (int k = 0; k < n; ++k) ASSERT_TRUE(SameBits(buffer[k + 1], out[k])) << "in place, bin " << k;
    }
    ne10_fft_destroy_c2c_float32(cfg);
  }
}

TEST_F(Ne10Fft, NoPlanForSizesThatAreNotPowersOfTwo) {
  for (int n : {INT_MIN, -8, 0, 1, 3, 6, 100, 1000, 8191, 8193, 12288, 131072, INT_MAX}) {
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
