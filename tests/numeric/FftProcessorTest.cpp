#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "NE10.h"
#include "numeric/FftProcessor.h"
#include "platform/Denormals.h"
#include "tests/support/AllocCounter.h"

namespace {

using Bins = std::vector<ne10_fft_cpx_float32_t>;

class FftProcessorTest : public ::testing::Test {
 protected:
  static std::vector<float> Noise(int n, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> d(-1.0f, 1.0f);
    std::vector<float> v(n);
    for (float& x : v) x = d(rng);
    return v;
  }
  platform::ScopedFlushToZero ftz_;
};

TEST_F(FftProcessorTest, ForwardIsUnscaledAndInverseReturnsTheInput) {
  FftProcessor fft;
  fft.InitForward(256);
  fft.InitInverse(256);
  ASSERT_EQ(fft.ForwardSize(), 256);
  ASSERT_EQ(fft.InverseSize(), 256);

  std::vector<float> cosine(256);
  for (int i = 0; i < 256; ++i) cosine[i] = static_cast<float>(std::cos(2.0 * M_PI * 3.0 * i / 256.0));
  Bins spectrum(256);
  fft.Forward(spectrum.data(), cosine.data());
  EXPECT_NEAR(spectrum[3].r, 128.0f, 1e-3f);
  EXPECT_NEAR(spectrum[253].r, 128.0f, 1e-3f);
  EXPECT_NEAR(spectrum[4].r, 0.0f, 1e-3f);

  const std::vector<float> in = Noise(256, 1);
  std::vector<float> out(256);
  {
    testing_support::AllocGuard guard;
    fft.Forward(spectrum.data(), in.data());
    fft.Inverse(out.data(), spectrum.data());
    EXPECT_EQ(guard.Count(), 0u);
  }
  for (int i = 0; i < 256; ++i) ASSERT_NEAR(out[i], in[i], 1e-5f) << i;
}

// The half-size inverse gives what the full one gives from the bins up to the middle, at
// every size (the smallest fall back to the full transform), whatever lies above them.
TEST_F(FftProcessorTest, LowHalfInverseMatchesTheFullInverse) {
  for (int n : {8, 16, 64, 256, 2048}) {
    SCOPED_TRACE(n);
    FftProcessor fft;
    fft.InitInverse(n);
    const std::vector<float> noise = Noise(2 * n, static_cast<unsigned>(n));
    Bins spectrum(n), upper(n);
    for (int k = 0; k < n; ++k) spectrum[k] = k <= n / 2 ? ne10_fft_cpx_float32_t{noise[2 * k], noise[2 * k + 1]}
                                                         : ne10_fft_cpx_float32_t{0.0f, 0.0f};
    std::vector<float> full(n), half(n);
    fft.Inverse(full.data(), spectrum.data());
    for (int k = n / 2 + 1; k < n; ++k) spectrum[k] = {1.0f, -1.0f};
    {
      testing_support::AllocGuard guard;
      fft.InverseLowHalf(half.data(), spectrum.data());
      EXPECT_EQ(guard.Count(), 0u);
    }
    float peak = 0.0f;
    for (float v : full) peak = std::max(peak, std::fabs(v));
    for (int i = 0; i < n; ++i) ASSERT_NEAR(half[i], full[i], 1e-6f * peak) << i;
  }
}

// The output buffer is shared by both directions; whichever is prepared first, it must
// hold the larger size (an overflow here is caught by the sanitizer build).
TEST_F(FftProcessorTest, DifferentSizesWorkInEitherInitOrder) {
  struct Case {
    int forward, inverse;
    bool forwardFirst;
  };
  const Case cases[] = {{256, 2048, true}, {256, 2048, false}, {2048, 256, true}, {2048, 256, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.forward << "/" << c.inverse << (c.forwardFirst ? " fwd first" : " inv first"));
    FftProcessor fft;
    if (c.forwardFirst) {
      fft.InitForward(c.forward);
      fft.InitInverse(c.inverse);
    } else {
      fft.InitInverse(c.inverse);
      fft.InitForward(c.forward);
    }
    // An impulse transforms to all ones.
    std::vector<float> impulse(c.forward, 0.0f);
    impulse[0] = 1.0f;
    Bins spectrum(c.forward);
    fft.Forward(spectrum.data(), impulse.data());
    for (const auto& b : spectrum) ASSERT_TRUE(b.r == 1.0f && b.i == 0.0f);
    // A flat spectrum transforms back to an impulse.
    Bins flat(c.inverse, ne10_fft_cpx_float32_t{1.0f, 0.0f});
    std::vector<float> out(c.inverse);
    fft.Inverse(out.data(), flat.data());
    EXPECT_NEAR(out[0], 1.0f, 1e-6f);
    for (int i = 1; i < c.inverse; ++i) ASSERT_NEAR(out[i], 0.0f, 1e-6f) << i;
  }
}

TEST_F(FftProcessorTest, UnsupportedSizeLeavesThatDirectionInert) {
  for (int n : {0, 1, 100, -256}) {
    SCOPED_TRACE(n);
    FftProcessor fft;
    fft.InitForward(256);
    fft.InitInverse(256);
    fft.InitForward(n);  // a size the FFT cannot plan replaces the earlier one
    fft.InitInverse(n);
    EXPECT_EQ(fft.ForwardSize(), 0);
    EXPECT_EQ(fft.InverseSize(), 0);
    const std::vector<float> in = Noise(256, 2);
    Bins spectrum(256, ne10_fft_cpx_float32_t{7.0f, 7.0f});
    std::vector<float> out(256, 7.0f);
    fft.Forward(spectrum.data(), in.data());
    fft.Inverse(out.data(), spectrum.data());
    for (int i = 0; i < 256; ++i) {
      ASSERT_EQ(spectrum[i].r, 7.0f);
      ASSERT_EQ(out[i], 7.0f);
    }
  }
}

TEST_F(FftProcessorTest, BandLimitKeepsThePositiveBinsUpToTheLimit) {
  struct Case {
    const char* name;
    float base, limit;
    int lastKept;     // bins above it are cleared; n for unchanged
    float fraction;   // factor applied to bin lastKept
  };
  const Case cases[] = {
      {"limit below base keeps only the constant part", 100.0f, 50.0f, 0, 1.0f},
      {"limit between bins", 100.0f, 1234.0f, 12, 0.34f},
      {"limit on a bin", 100.0f, 1200.0f, 12, 0.0f},
      {"limit above half the bins", 100.0f, 20000.0f, 128, 0.0f},
      {"limit above the last bin", 100.0f, 1e9f, 128, 0.0f},
      {"base 0 leaves it unchanged", 0.0f, 50.0f, 256, 1.0f},
      {"negative base leaves it unchanged", -10.0f, 50.0f, 256, 1.0f},
      {"negative limit clears every harmonic", 100.0f, -500.0f, 0, 1.0f},
      {"NaN limit clears every harmonic", 100.0f, std::nanf(""), 0, 1.0f},
  };
  constexpr int n = 256;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bins spectrum(n);
    for (int i = 0; i < n; ++i) spectrum[i] = {1.0f + i, -2.0f - i};
    FftProcessor::BandLimit(n, spectrum.data(), c.base, c.limit);
    for (int i = 0; i < n; ++i) {
      const float factor = i < c.lastKept ? 1.0f : (i == c.lastKept ? c.fraction : 0.0f);
      ASSERT_NEAR(spectrum[i].r, (1.0f + i) * factor, 1e-3f) << i;
      ASSERT_NEAR(spectrum[i].i, (-2.0f - i) * factor, 1e-3f) << i;
    }
  }
}

TEST_F(FftProcessorTest, CutoffBinReportsTheFractionalBin) {
  float c = -1.0f;
  EXPECT_EQ(FftProcessor::CutoffBin(256, c, 0.0f, 50.0f), 256);
  EXPECT_EQ(c, -1.0f);  // untouched
  EXPECT_EQ(FftProcessor::CutoffBin(256, c, 100.0f, 50.0f), 0);
  EXPECT_FLOAT_EQ(c, 0.5f);
  EXPECT_EQ(FftProcessor::CutoffBin(256, c, 100.0f, 1234.0f), 12);
  EXPECT_FLOAT_EQ(c, 12.34f);
  EXPECT_EQ(FftProcessor::CutoffBin(256, c, 1.0f, 1e6f), 128);
  EXPECT_EQ(c, 128.0f);
}

}  // namespace
