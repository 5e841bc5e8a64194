#include "engine/ExciterResonatorOsc.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "platform/Denormals.h"
#include "tests/engine/ResonatorProbe.h"
#include "tests/support/AllocCounter.h"

namespace {

constexpr int kFrames = 128;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

struct Stereo {
  std::vector<float> left;
  std::vector<float> right;
};

class ExciterResonatorOscTest : public ::testing::Test {
 protected:
  static void Prepare(ExciterResonatorOsc& osc, int frames = kFrames, int rate = 48000) {
    osc.SetBlockSize(frames);
    osc.SetSampleRate(rate);
    osc.SeedNoise(12345u);
  }

  // Renders `blocks` blocks of the module's block size.
  static Stereo Render(ExciterResonatorOsc& osc, int blocks, float frequency = 440.0f) {
    const int n = osc.BlockSize();
    Stereo out{std::vector<float>(blocks * n), std::vector<float>(blocks * n)};
    for (int b = 0; b < blocks; ++b) {
      osc.Process(out.left.data() + b * n, out.right.data() + b * n, frequency);
    }
    return out;
  }

  // Samples from the start until the envelope state differs from `state`, rendering one
  // sample a block.
  static int SamplesWhile(ExciterResonatorOsc& osc, int state, int limit = 1 << 20) {
    float l, r;
    int count = 0;
    do {
      osc.Process(&l, &r, 440.0f);
      EXPECT_TRUE(std::isfinite(osc.Level()));
      ++count;
    } while (osc.State() == state && count < limit);
    return count;
  }

  platform::ScopedFlushToZero ftz_;
};

TEST_F(ExciterResonatorOscTest, WithoutAStartOnlyTheBankRings) {
  ExciterResonatorOsc osc;
  Prepare(osc);
  const Stereo quiet = Render(osc, 4);
  for (int i = 0; i < 4 * kFrames; ++i) {
    ASSERT_EQ(quiet.left[i], 0.0f);
    ASSERT_EQ(quiet.right[i], 0.0f);
  }

  // Struck, left to finish its burst, then rendered on: the excitation is silent while the
  // outputs still ring.
  osc.SetAttack(0.0005f);
  osc.SetDecay(0.0005f);
  osc.Start();
  Render(osc, 1);
  ASSERT_EQ(osc.State(), ExciterResonatorOsc::kIdle);
  // The colour filter's tail dies away (to the smallest normal floats) well before the bank's
  // ringing.
  constexpr float kSilent = 1e-30f;
  int blocks = 0;
  for (; blocks < 100 && std::fabs(osc.Excitation()[kFrames - 1]) > kSilent; ++blocks) Render(osc, 1);
  EXPECT_LT(blocks, 100);
  const Stereo ringing = Render(osc, 1);
  double sum = 0.0;
  for (int i = 0; i < kFrames; ++i) {
    ASSERT_LE(std::fabs(osc.Excitation()[i]), kSilent) << i;
    sum += std::fabs(ringing.left[i]) + std::fabs(ringing.right[i]);
  }
  EXPECT_GT(sum, 0.0);
}

TEST_F(ExciterResonatorOscTest, AStartOpensWithATenSampleClickOfTheAttackLevels) {
  struct Case {
    int frames;
    int clicked;
  };
  const Case cases[] = {{kFrames, 10}, {12, 10}, {10, 10}, {4, 4}, {1, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.frames);
    ExciterResonatorOsc osc;
    Prepare(osc, c.frames);
    osc.Start();
    std::vector<float> l(c.frames), r(c.frames);
    osc.Process(l.data(), r.data(), 440.0f);
    // The default attack: level = 0.027213 + level x 0.98812 from 0.
    float level = 0.0f;
    for (int i = 0; i < c.clicked; ++i) {
      level = 0.027213f + level * 0.98812f;
      ASSERT_EQ(osc.Excitation()[i], i < 5 ? level : -level) << i;
    }
    // Past the click the burst is low-passed noise, far from the click's alternation.
    if (c.frames > 10) {
      EXPECT_NE(osc.Excitation()[10], level);
    }
  }
}

TEST_F(ExciterResonatorOscTest, EnvelopeTimesCountAt48kHzWhateverTheRate) {
  struct Case {
    int rate;
    float attack;
    float decay;
    int attackSamples;  // to the peak
    int decaySamples;   // from the peak to idle: 2.597 x the decay time
  };
  const Case cases[] = {
      {48000, 0.001f, 0.01f, 48, 1247},     {44100, 0.001f, 0.01f, 48, 1247},
      {96000, 0.01f, 0.001f, 480, 125},     {48000, 0.0001f, 0.0001f, 5, 13},
      // Zero and negative times: the shortest time (0.1 ms) rather than a runaway level.
      {48000, 0.0f, -1.0f, 5, 13},          {48000, -0.5f, 0.0f, 5, 13},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.rate << " " << c.attack << " " << c.decay);
    ExciterResonatorOsc osc;
    Prepare(osc, 1, c.rate);
    osc.SetAttack(c.attack);
    osc.SetDecay(c.decay);
    osc.Start();
    int attack = SamplesWhile(osc, ExciterResonatorOsc::kStart);
    if (osc.State() == ExciterResonatorOsc::kAttack) attack += SamplesWhile(osc, ExciterResonatorOsc::kAttack);
    EXPECT_NEAR(attack, c.attackSamples, 1);
    EXPECT_EQ(osc.Level(), 1.0f);
    EXPECT_NEAR(SamplesWhile(osc, ExciterResonatorOsc::kDecay), c.decaySamples, 2);
    EXPECT_EQ(osc.Level(), 0.0f);
  }
}

// The envelope's segments are one-pole steps towards ratio + 1 (attack) and 1 - ratio (decay),
// the ratio held as a float; followed here sample by sample from the coefficients' formula.
TEST_F(ExciterResonatorOscTest, EnvelopeStepsFollowTheOnePoleRecursionExactly) {
  const double ratio = 1.291f;
  for (const float seconds : {0.0001f, 0.0011f, 0.0013f, 0.0023f}) {
    SCOPED_TRACE(seconds);
    const double h = std::exp(-std::log((ratio + 1.0) / ratio) / (double{seconds} * 48000.0));
    const float coefficient = static_cast<float>(h);
    const float attackOffset = static_cast<float>((ratio + 1.0) * (1.0 - h));
    const float decayOffset = static_cast<float>((1.0 - ratio) * (1.0 - h));
    ExciterResonatorOsc osc;
    Prepare(osc, 1);
    osc.SetAttack(seconds);
    osc.SetDecay(seconds);
    osc.Start();
    float level = 0.0f;
    bool decaying = false;
    float l, r;
    for (int i = 0; i < 1000; ++i) {
      if (!decaying) {
        level = attackOffset + level * coefficient;
        if (level > 1.0f) {
          level = 1.0f;
          decaying = true;
        }
      } else {
        level = decayOffset + level * coefficient;
        if (level < 0.0f) level = 0.0f;
      }
      osc.Process(&l, &r, 440.0f);
      ASSERT_EQ(osc.Level(), level) << i;
    }
    EXPECT_EQ(osc.State(), ExciterResonatorOsc::kIdle);
  }
}

// The burst is the LCG x 196314165 + 907633515 read as (2 (u 2^-31 - 1) - 1) x level, low-passed
// by the colour filter; checked against that chain computed here in double precision.
TEST_F(ExciterResonatorOscTest, BurstIsTheCongruentialNoiseThroughTheColourFilter) {
  ExciterResonatorOsc osc;
  Prepare(osc, 1);
  constexpr uint32_t kSeed = 98765u;
  osc.SeedNoise(kSeed);
  osc.SetAttack(0.002f);
  osc.SetDecay(0.002f);
  osc.SetBrightness(200.0f);  // 10 kHz
  osc.Start();
  float l, r;
  osc.Process(&l, &r, 440.0f);  // the first sample is the click; the filter still ran on the noise
  const double g = osc.ColourG();
  const double a = osc.ColourA();
  uint32_t u = kSeed;
  double ic1 = 0.0, ic2 = 0.0;
  double peak = 0.0;
  for (int i = 0; i < 600; ++i) {
    if (i > 0) osc.Process(&l, &r, 440.0f);
    u = u * 196314165u + 907633515u;
    const double x = (static_cast<float>(u) * std::ldexp(1.0, -31) - 1.0) * osc.Level();
    const double q1 = (x - ic1 - g * ic1 - ic2) * a * g;
    const double bp = ic1 + q1;
    const double q2 = g * bp;
    const double lp = ic2 + q2;
    ic1 = bp + q1;
    ic2 = lp + q2;
    peak = std::max(peak, std::fabs(lp));
    if (i > 0) {
      ASSERT_NEAR(osc.Excitation()[0], lp, 1e-5) << i;
    }
  }
  EXPECT_GT(peak, 0.1);
}

TEST_F(ExciterResonatorOscTest, BurstCarriesNoOffset) {
  // The colour filter passes the constant part unchanged, so the burst's mean is the noise's.
  for (uint32_t seed : {1u, 98765u, 0xDEADBEEFu}) {
    ExciterResonatorOsc osc;
    Prepare(osc);
    osc.SeedNoise(seed);
    osc.SetAttack(0.05f);
    osc.SetDecay(0.2f);
    osc.SetBrightness(100.0f);
    osc.Start();
    double sum = 0.0, magnitude = 0.0;
    float l[kFrames], r[kFrames];
    for (int b = 0; b < 375; ++b) {
      osc.Process(l, r, 440.0f);
      for (int i = 0; i < kFrames; ++i) {
        sum += osc.Excitation()[i];
        magnitude += std::fabs(osc.Excitation()[i]);
      }
    }
    EXPECT_GT(magnitude, 100.0) << seed;
    EXPECT_LT(std::fabs(sum), 0.02 * magnitude) << seed;
  }
}

TEST_F(ExciterResonatorOscTest, NonFiniteTimesKeepTheEnvelope) {
  for (float bad : {kNaN, kInf, -kInf}) {
    SCOPED_TRACE(bad);
    ExciterResonatorOsc osc;
    Prepare(osc, 1);
    osc.SetAttack(0.002f);
    osc.SetAttack(bad);
    osc.SetDecay(bad);
    osc.Start();
    EXPECT_NEAR(SamplesWhile(osc, ExciterResonatorOsc::kStart) + SamplesWhile(osc, ExciterResonatorOsc::kAttack),
                96, 1);
    // The default decay (about 1 s, so some 125000 samples to silence) is still in force.
    EXPECT_NEAR(SamplesWhile(osc, ExciterResonatorOsc::kDecay), 125000, 2500);
  }
}

TEST_F(ExciterResonatorOscTest, ColourFilterCoefficientsFollowTheBrightnessAtTheNextStart) {
  struct Case {
    float brightness;  // x 50 Hz at 48 kHz
    float g;
    float a;
  };
  const float small = static_cast<float>(std::tan(M_PI * 0.01));  // 480 Hz
  const Case cases[] = {
      {9.6f, small, 1.0f / (1.0f + small + small * small)},
      {0.0f, 0.0f, 1.0f},
      {-4.0f, 0.0f, 1.0f},
      {479.04f, 3.0069773f, 0.07663487f},  // 0.499 of the rate
      {480.0f, 3.0069773f, 0.07663487f},
      {1e6f, 3.0069773f, 0.07663487f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.brightness);
    ExciterResonatorOsc osc;
    Prepare(osc);
    osc.SetBrightness(c.brightness);
    osc.Start();
    osc.SetBrightness(20.0f);  // waits for the next start
    Render(osc, 1);
    EXPECT_NEAR(osc.ColourG(), c.g, std::fabs(c.g) * 1e-4f);
    EXPECT_NEAR(osc.ColourA(), c.a, c.a * 1e-4f);
  }
}

TEST_F(ExciterResonatorOscTest, BrighterBurstsCarryMoreHighFrequencies) {
  double share[2];
  const float brightness[2] = {10.0f, 200.0f};
  for (int i = 0; i < 2; ++i) {
    ExciterResonatorOsc osc;
    Prepare(osc);
    osc.SetAttack(0.02f);
    osc.SetBrightness(brightness[i]);
    osc.Start();
    std::vector<float> burst;
    float l[kFrames], r[kFrames];
    for (int b = 0; b < 8; ++b) {
      osc.Process(l, r, 440.0f);
      burst.insert(burst.end(), osc.Excitation(), osc.Excitation() + kFrames);
    }
    const std::vector<double> mag = resonator_test::Magnitudes(burst);
    double low = 0.0, high = 0.0;
    for (std::size_t k = 1; k < mag.size(); ++k) (k < mag.size() / 8 ? low : high) += mag[k] * mag[k];
    share[i] = high / (low + high);
  }
  EXPECT_GT(share[1], 10.0 * share[0]);
}

TEST_F(ExciterResonatorOscTest, PanKeepsTheNearSideAtFullGain) {
  struct Case {
    float pan;
    float left;
    float right;
  };
  const Case cases[] = {{0.0f, 3.0f, 3.0f},   {-1.0f, 3.0f, 0.0f}, {-0.5f, 3.0f, 1.5f}, {0.25f, 2.25f, 3.0f},
                        {1.0f, 0.0f, 3.0f},   {-2.0f, 3.0f, 0.0f}, {5.0f, 0.0f, 3.0f}};
  ExciterResonatorOsc centre;
  Prepare(centre);
  centre.Start();
  const Stereo reference = Render(centre, 2);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pan);
    ExciterResonatorOsc osc;
    Prepare(osc);
    osc.SetPan(c.pan);
    EXPECT_EQ(osc.Bank().LeftGain(), c.left);
    EXPECT_EQ(osc.Bank().RightGain(), c.right);
    osc.Start();
    const Stereo out = Render(osc, 2);
    for (int i = 0; i < 2 * kFrames; ++i) {
      ASSERT_NEAR(out.left[i], reference.left[i] * c.left / 3.0f, 1e-5f * std::fabs(reference.left[i]) + 1e-12f);
      ASSERT_NEAR(out.right[i], reference.right[i] * c.right / 3.0f,
                  1e-5f * std::fabs(reference.right[i]) + 1e-12f);
    }
  }
}

TEST_F(ExciterResonatorOscTest, RingsAtTheNoteOnTheLeftAndItsOctaveOnTheRight) {
  // 750 Hz is bin 64 of 4096 points at 48 kHz.
  for (const int rate : {48000, 44100}) {
    SCOPED_TRACE(rate);
    ExciterResonatorOsc osc;
    Prepare(osc, kFrames, rate);
    osc.Bank().SetStretch(0.0f);
    osc.Start();
    const float frequency = 750.0f * static_cast<float>(rate) / 48000.0f;
    const Stereo out = Render(osc, 32, frequency);
    EXPECT_EQ(resonator_test::PeakBin(resonator_test::Magnitudes(out.left)), 64u);
    EXPECT_EQ(resonator_test::PeakBin(resonator_test::Magnitudes(out.right)), 128u);
  }
}

TEST_F(ExciterResonatorOscTest, PartialsAtOrAboveHalfTheRateStaySilent) {
  // With the default stretch the partials sit at f (t + 1)(1 + t / 2); `above` lies between
  // the highest one below 24 kHz and 24 kHz.
  struct Case {
    float frequency;
    double above;
  };
  for (const Case c : {Case{880.0f, 19500.0}, Case{2000.0f, 21000.0}, Case{5000.0f, 16000.0}}) {
    ExciterResonatorOsc osc;
    Prepare(osc);
    osc.Start();
    const Stereo out = Render(osc, 32, c.frequency);
    for (const std::vector<float>* side : {&out.left, &out.right}) {
      const std::vector<double> mag = resonator_test::Magnitudes(*side);
      double total = 0.0, high = 0.0;
      for (std::size_t k = 0; k < mag.size(); ++k) {
        total += mag[k] * mag[k];
        if (k * 48000.0 / side->size() > c.above) high += mag[k] * mag[k];
      }
      EXPECT_GT(total, 0.0);
      EXPECT_LT(high, 1e-3 * total) << c.frequency << " Hz, " << (side == &out.left ? "left" : "right");
    }
  }
}

TEST_F(ExciterResonatorOscTest, EachModuleHasItsOwnNoise) {
  ExciterResonatorOsc a, b;
  a.SetBlockSize(kFrames);
  b.SetBlockSize(kFrames);
  a.Start();
  b.Start();
  float l[kFrames], r[kFrames];
  a.Process(l, r, 440.0f);
  b.Process(l, r, 440.0f);
  int same = 0;
  for (int i = 10; i < kFrames; ++i) same += a.Excitation()[i] == b.Excitation()[i];
  EXPECT_LT(same, 10);
}

TEST_F(ExciterResonatorOscTest, RenderingAllocatesNothingAndStaysFinite) {
  ExciterResonatorOsc osc;
  Prepare(osc);
  osc.SetAttack(0.0f);
  osc.SetDecay(kInf);
  osc.SetBrightness(1e9f);
  osc.Bank().SetDamping(1.0f);
  std::vector<float> l(kFrames), r(kFrames);
  testing_support::AllocGuard guard;
  for (int b = 0; b < 200; ++b) {
    if (b % 50 == 0) osc.Start();
    osc.Process(l.data(), r.data(), b % 2 ? 20000.0f : 30.0f);
    for (int i = 0; i < kFrames; ++i) ASSERT_TRUE(std::isfinite(l[i]) && std::isfinite(r[i])) << b;
  }
  EXPECT_EQ(guard.Count(), 0u);
}

}  // namespace
