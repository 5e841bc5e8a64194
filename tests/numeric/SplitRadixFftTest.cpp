#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <random>
#include <utility>
#include <vector>

#include "numeric/SplitRadixFft.h"
#include "platform/Denormals.h"
#include "tests/support/AllocCounter.h"
#include "tests/support/ReferenceDft.h"

namespace {

// n complex values as interleaved (re, im) floats.
std::vector<float> Noise(int n, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> d(-1.0f, 1.0f);
  std::vector<float> v(2 * n);
  for (float& x : v) x = d(rng);
  return v;
}

// The reference DFT of n complex values given as interleaved (re, im) floats.
std::vector<std::complex<double>> ReferenceDft(const std::vector<float>& data, int sign = -1) {
  std::vector<std::complex<double>> a(data.size() / 2);
  for (std::size_t i = 0; i < a.size(); ++i) a[i] = {data[2 * i], data[2 * i + 1]};
  return testing_support::ReferenceDft(std::move(a), sign);
}

class SplitRadixFftTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { SplitRadixFft::InitTables(); }
  platform::ScopedFlushToZero ftz_;
};

TEST_F(SplitRadixFftTest, EveryBinMatchesTheReferenceAtItsOutputIndex) {
  for (int n = 2; n <= 8192; n *= 2) {
    SCOPED_TRACE(n);
    const std::vector<float> in = Noise(n, static_cast<unsigned>(n) + 7);
    const auto ref = ReferenceDft(in);
    std::vector<float> data = in;
    {
      testing_support::AllocGuard guard;
      SplitRadixFft::Transform(data.data(), n, SplitRadixFft::kForward);
      EXPECT_EQ(guard.Count(), 0u);
    }
    const double tol = 4e-7 * std::sqrt(static_cast<double>(n)) * std::log2(n) + 1e-6;
    std::vector<bool> seen(n, false);
    for (int k = 0; k < n; ++k) {
      const int p = SplitRadixFft::OutputIndex(n, k);
      ASSERT_TRUE(p >= 0 && p < n && !seen[p]) << "k " << k << " -> " << p;
      seen[p] = true;
      ASSERT_NEAR(data[2 * p], ref[k].real(), tol) << "bin " << k;
      ASSERT_NEAR(data[2 * p + 1], ref[k].imag(), tol) << "bin " << k;
    }
  }
}

TEST_F(SplitRadixFftTest, InverseReadsScrambledOrderAndReturnsNaturalOrder) {
  for (int n = 2; n <= 8192; n *= 2) {
    SCOPED_TRACE(n);
    const std::vector<float> spectrum = Noise(n, static_cast<unsigned>(n));
    const auto ref = ReferenceDft(spectrum, +1);
    std::vector<float> data(2 * n);
    for (int k = 0; k < n; ++k) {
      const int p = SplitRadixFft::OutputIndex(n, k);
      data[2 * p] = spectrum[2 * k];
      data[2 * p + 1] = spectrum[2 * k + 1];
    }
    SplitRadixFft::Transform(data.data(), n, SplitRadixFft::kInverse);
    const double tol = 4e-7 * std::sqrt(static_cast<double>(n)) * std::log2(n) + 1e-6;
    for (int m = 0; m < n; ++m) {
      ASSERT_NEAR(data[2 * m], ref[m].real(), tol) << m;
      ASSERT_NEAR(data[2 * m + 1], ref[m].imag(), tol) << m;
    }
  }
}

TEST_F(SplitRadixFftTest, ForwardThenInverseGivesNTimesTheInput) {
  constexpr int n = 1024;
  const std::vector<float> in = Noise(n, 11);
  std::vector<float> data = in;
  SplitRadixFft::Transform(data.data(), n, SplitRadixFft::kForward);
  SplitRadixFft::Transform(data.data(), n, SplitRadixFft::kInverse);
  for (int i = 0; i < 2 * n; ++i) ASSERT_NEAR(data[i], n * in[i], 2e-3) << i;
}

TEST_F(SplitRadixFftTest, ScrambledOrderOfSmallSizes) {
  const int r8[] = {0, 4, 2, 6, 1, 5, 7, 3};
  for (int p = 0; p < 8; ++p) EXPECT_EQ(SplitRadixFft::ScrambledBin(p, 8), r8[p]) << p;
  const int index4[] = {0, 3, 1, 2};
  for (int k = 0; k < 4; ++k) EXPECT_EQ(SplitRadixFft::OutputIndex(4, k), index4[k]) << k;
  // The forward transform really leaves bin R(p, 8) of the positive-exponent sum at p:
  // a complex exponential of frequency m peaks where R(p, 8) = m.
  for (int m = 0; m < 8; ++m) {
    std::vector<float> data(16);
    for (int j = 0; j < 8; ++j) {
      data[2 * j] = static_cast<float>(std::cos(-2.0 * M_PI * j * m / 8));
      data[2 * j + 1] = static_cast<float>(std::sin(-2.0 * M_PI * j * m / 8));
    }
    SplitRadixFft::Transform(data.data(), 8, SplitRadixFft::kForward);
    for (int p = 0; p < 8; ++p) EXPECT_NEAR(data[2 * p], r8[p] == m ? 8.0f : 0.0f, 1e-5f) << m << " " << p;
  }
}

TEST_F(SplitRadixFftTest, ImpulseGivesAllOnes) {
  for (int n : {2, 16, 1024, 8192}) {
    std::vector<float> data(2 * n, 0.0f);
    data[0] = 1.0f;
    SplitRadixFft::Transform(data.data(), n, SplitRadixFft::kForward);
    for (int p = 0; p < n; ++p) {
      ASSERT_EQ(data[2 * p], 1.0f) << n << " " << p;
      ASSERT_EQ(data[2 * p + 1], 0.0f) << n << " " << p;
    }
  }
}

TEST_F(SplitRadixFftTest, RealInputGivesEqualMagnitudesAtMirroredBins) {
  constexpr int n = 1024;
  std::vector<float> data = Noise(n, 3);
  for (int i = 0; i < n; ++i) data[2 * i + 1] = 0.0f;
  SplitRadixFft::Transform(data.data(), n, SplitRadixFft::kForward);
  for (int k = 1; k < n / 2; ++k) {
    const int a = SplitRadixFft::OutputIndex(n, k), b = SplitRadixFft::OutputIndex(n, n - k);
    ASSERT_NEAR(std::hypot(data[2 * a], data[2 * a + 1]), std::hypot(data[2 * b], data[2 * b + 1]), 1e-3) << k;
  }
}

TEST_F(SplitRadixFftTest, UnsupportedSizesLeaveTheDataUnchanged) {
  for (int n : {-4, 0, 1, 3, 100, 16384}) {
    SCOPED_TRACE(n);
    const std::vector<float> in = Noise(16384, 5);
    for (int direction : {SplitRadixFft::kForward, SplitRadixFft::kInverse}) {
      std::vector<float> data = in;
      SplitRadixFft::Transform(data.data(), n, direction);
      ASSERT_EQ(data, in);
    }
  }
}

TEST_F(SplitRadixFftTest, OutputIndexOutsideTheTablesIsZero) {
  struct Case {
    int n, k;
  };
  for (const Case c : {Case{4, 4}, Case{4, -1}, Case{3, 0}, Case{0, 0}, Case{65536, 1}, Case{32768, 32768}}) {
    EXPECT_EQ(SplitRadixFft::OutputIndex(c.n, c.k), 0) << c.n << " " << c.k;
  }
  // The largest table is complete: a permutation of 0 .. 32767.
  std::vector<bool> seen(32768, false);
  for (int k = 0; k < 32768; ++k) seen[SplitRadixFft::OutputIndex(32768, k)] = true;
  EXPECT_EQ(std::count(seen.begin(), seen.end(), true), 32768);
}

}  // namespace
