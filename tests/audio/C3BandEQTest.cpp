#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstring>
#include <limits>
#include <vector>

#include "audio/C3BandEQ.h"
#include "platform/Denormals.h"
#include "tests/audio/EffectBuffers.h"
#include "tests/support/AllocCounter.h"
#include "tests/support/FilterResponse.h"

namespace {

using filter_test::Complex;
using filter_test::Dft;

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

  platform::ScopedFlushToZero ftz_;
  C3BandEQ eq_;
};

std::vector<float> Impulse(int n) {
  std::vector<float> x(n, 0.0f);
  x[0] = 1.0f;
  return x;
}

std::vector<float> Noise(int n) {
  std::vector<float> x(n);
  unsigned seed = 7u;
  for (float& v : x) {
    seed = seed * 1664525u + 1013904223u;
    v = static_cast<float>(seed >> 8) / 8388608.0f - 1.0f;
  }
  return x;
}

TEST_F(C3BandEQTest, FreshFromResetTheGainsAreZeroAndTheOutputIsSilence) {
  for (float v : Run(Noise(4096))) ASSERT_EQ(v, 0.0f);
}

// Equal gains pass the input itself, scaled, sample for sample and with no delay: a
// cross-fade between the dry part and a level equaliser then cannot dip.
TEST_F(C3BandEQTest, EqualGainsPassTheInputScaledSampleForSample) {
  struct Case {
    float gain;  // page units
    float lowHz, highHz, level;
    int block;   // small blocks carry the states across block edges
  };
  const Case cases[] = {
      {0, 880, 5000, 1.0f, 2},     {0, 880, 5000, 0.026f, 128}, {-50, 60, 17400, 0.5f, 7},
      {100, 5000, 880, 1.0f, 128}, {-40, 0, 47000, 0.999f, 3},
  };
  const std::vector<float> x = Noise(4096);
  for (const Case& c : cases) {
    eq_.SetParam(C3BandEQ::kLowFreq, c.lowHz);
    eq_.SetParam(C3BandEQ::kHighFreq, c.highHz);
    SetGains(c.gain, c.gain, c.gain);
    eq_.Reset(kRate);
    const std::vector<float> y = Run(x, c.level, c.block);
    const float g = 1.0f + c.gain * 0.01f;
    for (std::size_t n = 0; n < x.size(); ++n)
      ASSERT_EQ(y[n], g * x[n] * c.level) << "gain " << c.gain << ", crossovers " << c.lowHz << "/" << c.highHz
                                           << ", sample " << n;
  }
}

// The crossovers become 2 sin(pi f / rate) after a cut to whole hertz; crossovers outside
// Crossovers outside 1 Hz .. rate / 6 would make the stages ring or diverge and are held at
// the bounds.
TEST(C3BandEQ, CrossoversBecomeOnePoleCoefficientsOfWholeHertzWithinSafeBounds) {
  struct Case {
    int rate;
    float in;
    double effectiveHz;
  };
  const Case cases[] = {
      {48000, 880.0f, 880.0},     {48000, 880.7f, 880.0},    {48000, 5000.0f, 5000.0},
      {44100, 5218.9f, 5218.0},   {48000, 0.0f, 1.0},        {48000, -250.0f, 1.0},
      {48000, 24000.0f, 8000.0},  {48000, 1e9f, 8000.0},     {96000, 30000.0f, 16000.0},
      {48000, 8000.0f, 8000.0},   {48000, 7999.6f, 7999.0},
  };
  for (const Case& c : cases) {
    C3BandEQ eq;
    eq.Reset(c.rate);
    eq.SetParam(C3BandEQ::kLowFreq, c.in);
    eq.SetParam(C3BandEQ::kHighFreq, c.in);
    const double expected = 2.0 * std::sin(M_PI * c.effectiveHz / c.rate);
    EXPECT_NEAR(eq.LowCoefficient(), expected, 2e-6) << c.in << " Hz at " << c.rate;
    EXPECT_NEAR(eq.HighCoefficient(), expected, 2e-6) << c.in << " Hz at " << c.rate;
  }
  C3BandEQ fresh;
  fresh.Reset(48000);
  EXPECT_NEAR(fresh.LowCoefficient(), 2.0 * std::sin(M_PI * 880.0 / 48000.0), 1e-7);
  EXPECT_NEAR(fresh.HighCoefficient(), 2.0 * std::sin(M_PI * 5000.0 / 48000.0), 1e-7);
}

TEST_F(C3BandEQTest, IdsStoreTheirParameterAndOthersStoreNothing) {
  eq_.SetParam(C3BandEQ::kLowGain, -100.0f);
  eq_.SetParam(C3BandEQ::kMidGain, 50.0f);
  eq_.SetParam(C3BandEQ::kHighGain, 100.0f);
  eq_.SetParam(C3BandEQ::kLowFreq, 300.0f);
  eq_.SetParam(C3BandEQ::kHighFreq, 9000.0f);
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

// The bands in closed form: each low-pass is c (1 + z^-1) / 2 / (1 - (1 - c) z^-1), the
// lower crossover's splits off the low band, the higher one's the high band, and the mid band
// is what lies between them.
Complex Response(double f, double lf, double hf, double gl, double gm, double gh) {
  const Complex z1 = std::polar(1.0, -2.0 * M_PI * f / kRate);
  auto lowPass = [&](double c) { return c * (1.0 + z1) / 2.0 / (1.0 - (1.0 - c) * z1); };
  const Complex low = lowPass(std::min(lf, hf));
  const Complex belowHigh = lowPass(std::max(lf, hf));
  return gl * low + gm * (belowHigh - low) + gh * (1.0 - belowHigh);
}

TEST_F(C3BandEQTest, BandGainsShapeTheResponseAsTheSplitterPredicts) {
  struct Case {
    float low, mid, high;
    float lowHz, highHz;
  };
  const Case cases[] = {
      {0, 0, 0, 880, 5000},     {-100, 0, 0, 880, 5000},  {0, -100, 0, 880, 5000},
      {0, 0, -100, 880, 5000},  {100, -50, 30, 880, 5000}, {-100, 100, -100, 200, 12000},
      {100, -100, 50, 9000, 300},
  };
  const double freqs[] = {30, 50, 200, 880, 2000, 5000, 10000, 15000, 20000};
  for (const Case& c : cases) {
    eq_.SetParam(C3BandEQ::kLowFreq, c.lowHz);
    eq_.SetParam(C3BandEQ::kHighFreq, c.highHz);
    SetGains(c.low, c.mid, c.high);
    eq_.Reset(kRate);
    const std::vector<float> h = Run(Impulse(16384));
    const double lf = 2.0 * std::sin(M_PI * std::min(c.lowHz, kRate / 6.0f) / kRate);
    const double hf = 2.0 * std::sin(M_PI * std::min(c.highHz, kRate / 6.0f) / kRate);
    for (double f : freqs) {
      const Complex want = Response(f, lf, hf, 1 + c.low / 100, 1 + c.mid / 100, 1 + c.high / 100);
      const Complex got = Dft(h, f);
      EXPECT_NEAR(std::abs(got - want), 0.0, 2e-4)
          << "gains " << c.low << "/" << c.mid << "/" << c.high << " at " << f << " Hz: got |H| "
          << std::abs(got) << ", want " << std::abs(want);
    }
  }
}

TEST_F(C3BandEQTest, SilencingABandRemovesItsTones) {
  // 50 Hz sits deep in the low band and 15 kHz in the high band; the mid band at 2 kHz is
  // what the two low-passes leave between them. The bands fall by 6 dB an octave, so a cut
  // band two octaves off still leaves a tenth of its level.
  struct Case {
    float low, mid, high;
    double hz;
    double minDb, maxDb;  // of the steady output peak
  };
  const Case cases[] = {
      {-100, 0, 0, 50, -99, -13},     {0, 0, -100, 15000, -99, -9.5}, {-100, 0, -100, 15000, -99, -9.5},
      {100, 0, 0, 50, 5.8, 6.1},      {0, 0, 100, 15000, 5.5, 6.1},   {0, 0, 0, 2000, -0.01, 0.01},
      {-100, 0, -100, 50, -99, -13},
  };
  for (const Case& c : cases) {
    SetGains(c.low, c.mid, c.high);
    eq_.Reset(kRate);
    std::vector<float> x(48000);
    for (std::size_t n = 0; n < x.size(); ++n) x[n] = std::sin(2.0 * M_PI * c.hz * n / kRate);
    const std::vector<float> y = Run(x);
    double peak = 0.0;
    for (std::size_t n = 24000; n < y.size(); ++n) peak = std::max(peak, std::fabs(double{y[n]}));
    EXPECT_GT(filter_test::Db(peak), c.minDb) << c.low << "/" << c.mid << "/" << c.high << " " << c.hz;
    EXPECT_LT(filter_test::Db(peak), c.maxDb) << c.low << "/" << c.mid << "/" << c.high << " " << c.hz;
  }
}

// Over the page's range of both crossovers (60 Hz to 17.4 kHz, in either order, and beyond
// it to the upper bound they are held at), no flat or cut setting rises more than 1 dB above its
// largest gain anywhere up to Nyquist, and flat passes every frequency whole. The output is
// linear in the gains, so its largest value over every cut setting is at one of the seven
// that pass some bands whole and silence the rest: those are formed from the three bands'
// responses, each measured alone. A loud saw keeps its level.
TEST_F(C3BandEQTest, EveryCrossoverSettingKeepsTheResponseWithinTheSetGains) {
  const float crossovers[] = {60.0f,   100.0f,  250.0f,  842.0f,   2000.0f,  5000.0f,
                              5218.9f, 8000.0f, 9000.0f, 12000.0f, 17400.0f, 47000.0f};
  std::vector<double> freqs;
  for (double f = 20.0; f < 24000.0; f *= 1.08) freqs.push_back(f);
  freqs.push_back(8000.0);
  freqs.push_back(23999.0);
  for (float low : crossovers) {
    for (float high : crossovers) {
      eq_.SetParam(C3BandEQ::kLowFreq, low);
      eq_.SetParam(C3BandEQ::kHighFreq, high);
      std::vector<Complex> band[3];
      for (int b = 0; b < 3; ++b) {
        SetGains(b == 0 ? 0.0f : -100.0f, b == 1 ? 0.0f : -100.0f, b == 2 ? 0.0f : -100.0f);
        eq_.Reset(kRate);
        const std::vector<float> h = Run(Impulse(8192));
        for (double f : freqs) band[b].push_back(Dft(h, f));
      }
      for (int keep = 1; keep < 8; ++keep) {
        double worst = 0.0, least = 1e9;
        for (std::size_t k = 0; k < freqs.size(); ++k) {
          Complex sum = 0.0;
          for (int b = 0; b < 3; ++b)
            if (keep & (1 << b)) sum += band[b][k];
          worst = std::max(worst, std::abs(sum));
          least = std::min(least, std::abs(sum));
        }
        ASSERT_LT(filter_test::Db(worst), 1.0) << "bands kept " << keep << ", crossovers " << low << "/" << high;
        if (keep == 7) {
          ASSERT_GT(filter_test::Db(least), -0.01) << "flat, crossovers " << low << "/" << high;
        }
      }
    }
  }
  // A 0.5 saw at 220 Hz with the highs cut and both crossovers at the page's top.
  eq_.SetParam(C3BandEQ::kLowFreq, 17400.0f);
  eq_.SetParam(C3BandEQ::kHighFreq, 17400.0f);
  SetGains(0.0f, 0.0f, -100.0f);
  eq_.Reset(kRate);
  std::vector<float> saw(kRate);
  for (std::size_t n = 0; n < saw.size(); ++n) saw[n] = 0.5f * (2.0f * std::fmod(220.0f * n / kRate, 1.0f) - 1.0f);
  float peak = 0.0f;
  for (float v : Run(saw)) peak = std::max(peak, std::fabs(v));
  EXPECT_LT(peak, 0.5f * 1.122f);
}

// Both channels in one loop against the channel-by-channel reference: the same operations
// in the same order, so the same output, with gains and crossovers set as the page can.
TEST_F(C3BandEQTest, BothChannelsInOneLoopMatchTheReference) {
  struct Case {
    float low, mid, high, lowFreq, highFreq, level;
  };
  const Case cases[] = {
      {0.0f, 0.0f, 0.0f, 880.0f, 5000.0f, 1.0f},
      {40.0f, -30.0f, 20.0f, 880.0f, 5000.0f, 0.999f},
      {-100.0f, 100.0f, -100.0f, 100.0f, 17400.0f, 0.5f},
      {100.0f, -100.0f, 100.0f, 9000.0f, 300.0f, 1.0f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "crossovers " << c.lowFreq << "/" << c.highFreq);
    C3BandEQ lanes, reference;
    for (C3BandEQ* eq : {&lanes, &reference}) {
      eq->SetParam(C3BandEQ::kLowFreq, c.lowFreq);
      eq->SetParam(C3BandEQ::kHighFreq, c.highFreq);
      eq->SetParam(C3BandEQ::kLowGain, c.low);
      eq->SetParam(C3BandEQ::kMidGain, c.mid);
      eq->SetParam(C3BandEQ::kHighGain, c.high);
      eq->Reset(kRate);
    }
    effect_buffers::ExpectLanesMatchReference(lanes, reference, 131, c.level, 1.0f, 20, 5u, 0.0f);
  }
}

TEST_F(C3BandEQTest, ProcessAndSetParamAllocateNothing) {
  std::vector<float> b[4];
  float* bufs[4];
  for (int k = 0; k < 4; ++k) {
    b[k] = Noise(kBlock);
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
