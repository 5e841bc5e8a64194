#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstring>
#include <vector>

#include "audio/C3BandEQ.h"
#include "platform/Denormals.h"
#include "tests/support/AllocCounter.h"
#include "tests/support/FilterResponse.h"

namespace {

using filter_test::Complex;
using filter_test::Db;
using filter_test::Dft;
using filter_test::Sigma;

constexpr int kRate = 48000;
constexpr int kBlock = 128;

class C3BandEQTest : public ::testing::Test {
 protected:
  void SetUp() override { eq_.Reset(kRate); }

  // The three gain values in the page's units (-100..100).
  void SetGains(float low, float mid, float high) {
    eq_.SetParam(C3BandEQ::kLowGain, low);
    eq_.SetParam(C3BandEQ::kMidGain, mid);
    eq_.SetParam(C3BandEQ::kHighGain, high);
  }
  void SetCrossovers(float low, float high) {
    eq_.SetParam(C3BandEQ::kLowFreq, low);
    eq_.SetParam(C3BandEQ::kHighFreq, high);
  }

  // Runs the same signal through both channels in blocks; returns the left output and
  // checks the right one matches.
  std::vector<float> Run(const std::vector<float>& x, float level = 1.0f, int block = kBlock) {
    std::vector<float> l = x, r = x, sl(x.size(), 0.0f), sr(x.size(), 0.0f);
    for (std::size_t i = 0; i < x.size(); i += block) {
      const int n = static_cast<int>(std::min<std::size_t>(block, x.size() - i));
      float* bufs[4] = {l.data() + i, r.data() + i, sl.data() + i, sr.data() + i};
      eq_.Process(bufs, bufs, n, level);
    }
    EXPECT_EQ(l, r);
    return l;
  }

  // The impulse response from fresh states with these gains.
  std::vector<float> Impulse(float low, float mid, float high, int n = 16384) {
    SetGains(low, mid, high);
    eq_.Reset(kRate);
    std::vector<float> x(n, 0.0f);
    x[0] = 1.0f;
    return Run(x);
  }

  platform::ScopedFlushToZero ftz_;
  C3BandEQ eq_;
};

// The bands as the analogue Linkwitz-Riley split mapped by the bilinear transform: LP4 and
// HP4 each a Butterworth pair squared, AP their sum.
struct Bands {
  Complex low, mid, high;
};
Bands Reference(double f, double f1, double f2) {
  auto pair = [](Complex s, Complex* lp, Complex* hp) {
    const Complex d = s * s + std::sqrt(2.0) * s + 1.0;
    *lp = 1.0 / d * (1.0 / d);
    *hp = s * s / d * (s * s / d);
  };
  Complex lp1, hp1, lp2, hp2;
  pair(Sigma(f, f1), &lp1, &hp1);
  pair(Sigma(f, f2), &lp2, &hp2);
  return {lp1 * (lp2 + hp2), hp1 * lp2, hp1 * hp2};
}

TEST_F(C3BandEQTest, FreshFromResetTheGainsAreZeroAndTheOutputIsSilence) {
  std::vector<float> noise(4096);
  unsigned seed = 7u;
  for (float& v : noise) {
    seed = seed * 1664525u + 1013904223u;
    v = static_cast<float>(seed >> 8) / 8388608.0f - 1.0f;
  }
  for (float v : Run(noise)) ASSERT_EQ(v, 0.0f);
}

// Each band alone and a few mixes against the reference, at frequencies across the range and
// at both crossovers, with the page's crossovers in either order.
TEST_F(C3BandEQTest, BandsFollowTheLinkwitzRileyReference) {
  struct Case {
    float low, mid, high, lowHz, highHz;
  };
  const Case cases[] = {
      {0, -100, -100, 880, 5000}, {-100, 0, -100, 880, 5000}, {-100, -100, 0, 880, 5000},
      {100, -50, 30, 880, 5000},  {-100, 100, -100, 60, 17400}, {100, -100, 50, 9000, 300},
  };
  for (const Case& c : cases) {
    SetCrossovers(c.lowHz, c.highHz);
    const std::vector<float> h = Impulse(c.low, c.mid, c.high);
    const double f1 = std::min(c.lowHz, c.highHz), f2 = std::max(c.lowHz, c.highHz);
    for (double f : {30.0, 110.0, f1, 2000.0, f2, 10000.0, 20000.0}) {
      const Bands b = Reference(f, f1, f2);
      const Complex want = (1.0 + c.low / 100.0) * b.low + (1.0 + c.mid / 100.0) * b.mid + (1.0 + c.high / 100.0) * b.high;
      EXPECT_NEAR(std::abs(Dft(h, f) - want), 0.0, 2e-4)
          << "gains " << c.low << "/" << c.mid << "/" << c.high << ", crossovers " << c.lowHz << "/" << c.highHz
          << " at " << f << " Hz: |H| " << std::abs(Dft(h, f)) << ", want " << std::abs(want);
    }
  }
}

// A band at -100 is gone: far from the crossovers its tones are cut deep.
TEST_F(C3BandEQTest, SilencingABandTakesItsTonesOut) {
  struct Case {
    float low, mid, high;
    double hz;
    double maxDb;
  };
  const Case cases[] = {
      {-100, 0, 0, 110, -40},   {0, 0, -100, 10000, -20},  {0, -100, 0, 2100, -12},
      {-100, 0, 0, 30, -70},    {0, 0, -100, 20000, -40},  {-100, 0, -100, 110, -40},
  };
  SetCrossovers(880, 5000);
  for (const Case& c : cases) {
    const std::vector<float> h = Impulse(c.low, c.mid, c.high);
    EXPECT_LT(Db(std::abs(Dft(h, c.hz))), c.maxDb) << c.low << "/" << c.mid << "/" << c.high << " at " << c.hz;
  }
}

// Equal gains give an all-pass: magnitude g at every frequency, whatever the crossovers.
TEST_F(C3BandEQTest, EqualGainsAreAnAllPassOfThatGain) {
  for (float gain : {0.0f, -50.0f, 100.0f}) {
    for (auto [lowHz, highHz] : {std::pair{880.0f, 5000.0f}, std::pair{60.0f, 17400.0f}, std::pair{9000.0f, 300.0f}}) {
      SetCrossovers(lowHz, highHz);
      const std::vector<float> h = Impulse(gain, gain, gain);
      const double g = 1.0 + gain / 100.0;
      for (double f = 20.0; f < 23900.0; f *= 1.1)
        ASSERT_NEAR(std::abs(Dft(h, f)), g, 2e-4 * g) << gain << " at " << f << " Hz, crossovers " << lowHz << "/" << highHz;
    }
  }
}

// Over the page's grid of crossovers (60 Hz to 17.4 kHz, either order) and gains, no setting
// rises more than 0.1 dB above its largest gain anywhere up to Nyquist. The output is linear
// in the gains, so each setting is formed from the three bands measured alone.
TEST_F(C3BandEQTest, NoSettingOfThePageRisesAboveItsLargestGain) {
  const float crossovers[] = {60.0f, 250.0f, 880.0f, 2000.0f, 5000.0f, 9000.0f, 17400.0f};
  std::vector<double> freqs;
  for (double f = 20.0; f < 24000.0; f *= 1.15) freqs.push_back(f);
  for (float low : crossovers) {
    for (float high : crossovers) {
      SetCrossovers(low, high);
      std::vector<Complex> band[3];
      for (int b = 0; b < 3; ++b) {
        const std::vector<float> h = Impulse(b == 0 ? 0.0f : -100.0f, b == 1 ? 0.0f : -100.0f, b == 2 ? 0.0f : -100.0f, 4096);
        for (double f : freqs) band[b].push_back(Dft(h, f));
      }
      double worst = -1e9;
      for (int gl = -100; gl <= 100; gl += 25) {
        for (int gm = -100; gm <= 100; gm += 25) {
          for (int gh = -100; gh <= 100; gh += 25) {
            const double g[3] = {1 + gl / 100.0, 1 + gm / 100.0, 1 + gh / 100.0};
            const double largest = std::max({g[0], g[1], g[2]});
            for (std::size_t k = 0; k < freqs.size(); ++k) {
              const double m = std::abs(g[0] * band[0][k] + g[1] * band[1][k] + g[2] * band[2][k]);
              worst = std::max(worst, m - largest * 1.0116);  // 0.1 dB
            }
          }
        }
      }
      ASSERT_LE(worst, 0.0) << "crossovers " << low << "/" << high;
    }
  }
}

// Crossovers are cut to whole hertz and held within 20 Hz .. 0.45 x the rate, the lower first.
TEST(C3BandEQ, CrossoversAreWholeHertzWithinBoundsInOrder) {
  struct Case {
    int rate;
    float low, high;
    float wantLow, wantHigh;
  };
  const Case cases[] = {
      {48000, 880.7f, 5000.0f, 880, 5000},   {48000, 9000, 300, 300, 9000},  {48000, 0, -250, 20, 20},
      {48000, 1e9f, 47000, 21600, 21600},    {44100, 5218.9f, 17400, 5218, 17400},
      {48000, std::nanf(""), 880, 880, 880},  // refused: the default stays
  };
  for (const Case& c : cases) {
    C3BandEQ eq;
    eq.Reset(c.rate);
    eq.SetParam(C3BandEQ::kLowFreq, c.low);
    eq.SetParam(C3BandEQ::kHighFreq, c.high);
    EXPECT_EQ(eq.LowCrossover(), c.wantLow) << c.low << "/" << c.high;
    EXPECT_EQ(eq.HighCrossover(), c.wantHigh) << c.low << "/" << c.high;
  }
}

TEST_F(C3BandEQTest, IdsStoreTheirParameterAndOthersStoreNothing) {
  SetGains(-100.0f, 50.0f, 100.0f);
  SetCrossovers(300.0f, 9000.0f);
  const C3BandEQ::Params before = eq_.GetParams();
  EXPECT_EQ(before.lowGain, 0.0f);
  EXPECT_EQ(before.midGain, 1.5f);
  EXPECT_EQ(before.highGain, 2.0f);
  EXPECT_EQ(before.lowFreq, 300.0f);
  EXPECT_EQ(before.highFreq, 9000.0f);
  for (int id : {4, 6, 15, -1, 0x7FF}) eq_.SetParam(id, 77.0f);
  const C3BandEQ::Params after = eq_.GetParams();
  EXPECT_EQ(0, std::memcmp(&before, &after, sizeof before));
  EXPECT_EQ(eq_.GetParamBlock(), static_cast<void*>(const_cast<C3BandEQ::Params*>(&eq_.GetParams())));
}

TEST_F(C3BandEQTest, ProcessAndSetParamAllocateNothing) {
  std::vector<float> b[4];
  float* bufs[4];
  for (int k = 0; k < 4; ++k) {
    b[k].assign(kBlock, 0.25f);
    bufs[k] = b[k].data();
  }
  testing_support::AllocGuard guard;
  for (int p = 0; p < 50; ++p) {
    eq_.SetParam(p % 6, 10.0f * p);
    eq_.Process(bufs, bufs, kBlock, 1.0f);
  }
  eq_.Process(bufs, bufs, 0, 1.0f);
  eq_.Process(bufs, bufs, -5, 1.0f);
  EXPECT_EQ(guard.Count(), 0u);
}

}  // namespace
