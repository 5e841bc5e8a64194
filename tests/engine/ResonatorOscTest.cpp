#include "engine/ResonatorOsc.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "platform/Denormals.h"
#include "tests/engine/ResonatorProbe.h"

namespace {

using resonator_test::Magnitudes;

constexpr int kFrames = 128;
constexpr int kBlocks = 32;  // 4096 samples
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
// Harmonic partials at (m + 1) / 128 of the rate land on bins (m + 1) x 32 of 4096 points.
constexpr float kBase = 1.0f / 128.0f;
constexpr int kBinsPerPartial = 32;

struct Stereo {
  std::vector<float> left;
  std::vector<float> right;
};

class ResonatorOscTest : public ::testing::Test {
 protected:
  // A harmonic bank with every weight at 1 (cosine comb at timbre 0).
  static void Harmonic(ResonatorOsc& osc) {
    osc.SetBaseFrequency(kBase);
    osc.SetStretch(0.0f);
    osc.SetTimbre(0.0f);
  }

  // Strikes the bank with a unit impulse at `at` and renders `blocks` blocks.
  static Stereo Strike(ResonatorOsc& osc, int blocks = kBlocks, int at = 0) {
    const int n = blocks * kFrames;
    std::vector<float> in(n, 0.0f);
    in[at] = 1.0f;
    Stereo out{std::vector<float>(n, 0.0f), std::vector<float>(n, 0.0f)};
    for (int i = 0; i < n; i += kFrames) {
      osc.Process(in.data() + i, out.left.data() + i, out.right.data() + i, kFrames);
    }
    return out;
  }

  // Partials heard in the channel they belong to (even m left, odd m right); a partial found
  // in the other channel fails the test.
  static std::vector<int> Sounding(const Stereo& out) {
    const std::vector<double> left = Magnitudes(out.left);
    const std::vector<double> right = Magnitudes(out.right);
    double peak = 0.0;
    for (double m : left) peak = std::max(peak, m);
    for (double m : right) peak = std::max(peak, m);
    const double threshold = peak * 1e-3;
    std::vector<int> sounding;
    for (int m = 0; m < ResonatorOsc::kMaxPartials; ++m) {
      const int bin = (m + 1) * kBinsPerPartial;
      const double own = (m % 2 == 0 ? left : right)[bin];
      const double other = (m % 2 == 0 ? right : left)[bin];
      EXPECT_LT(other, threshold) << "partial " << m << " in the wrong channel";
      if (own > threshold) sounding.push_back(m);
    }
    return sounding;
  }

  static std::vector<int> Range(int count) {
    std::vector<int> r;
    for (int m = 0; m < count; ++m) r.push_back(m);
    return r;
  }

  platform::ScopedFlushToZero ftz_;
};

TEST_F(ResonatorOscTest, ActivePartialsSoundInPairsOddLeftEvenRight) {
  struct Case {
    int partials;
    int sounding;
  };
  const Case cases[] = {{32, 16}, {6, 4}, {5, 2}, {4, 2}, {3, 2}, {2, 2}, {1, 0}, {0, 0}, {-3, 0}, {40, 16}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.partials);
    ResonatorOsc osc;
    Harmonic(osc);
    osc.SetPartialCount(c.partials);
    const Stereo out = Strike(osc);
    EXPECT_EQ(osc.ActivePartials(), std::max(0, std::min(c.partials, 32)));
    if (c.sounding == 0) {
      for (int i = 0; i < kBlocks * kFrames; ++i) {
        ASSERT_EQ(out.left[i], 0.0f);
        ASSERT_EQ(out.right[i], 0.0f);
      }
    } else {
      EXPECT_EQ(Sounding(out), Range(c.sounding));
    }
  }
}

TEST_F(ResonatorOscTest, PartialsFallOnTheStretchedHarmonicSeries) {
  ResonatorOsc osc;
  osc.SetBaseFrequency(kBase);
  osc.SetStretch(0.25f);
  osc.SetTimbre(0.0f);
  const Stereo out = Strike(osc);
  const std::vector<double> left = Magnitudes(out.left);
  const std::vector<double> right = Magnitudes(out.right);
  for (int m = 0; m < 4; ++m) {
    SCOPED_TRACE(m);
    const double bin = (m + 1) * (1.0 + 0.25 * m) * kBinsPerPartial;
    EXPECT_FLOAT_EQ(osc.DisplayAt(m).frequency, static_cast<float>((m + 1) * (1.0 + 0.25 * m) / 128.0));
    const std::vector<double>& own = m % 2 == 0 ? left : right;
    // The local maximum around the partial's frequency sits on its bin.
    const int b = static_cast<int>(std::lround(bin));
    EXPECT_GT(own[b], own[b - 2]);
    EXPECT_GT(own[b], own[b + 2]);
  }
}

TEST_F(ResonatorOscTest, WeightingModesShapeThePartials) {
  struct Case {
    int mode;
    float timbre;
    std::vector<int> sounding;
  };
  const Case cases[] = {
      {ResonatorOsc::kCosineComb, 0.0f, Range(16)},
      // cos(pi m / 2): weights 1, .5, 0, .5, 1, ...
      {ResonatorOsc::kCosineComb, 0.25f, {0, 1, 3, 4, 5, 7, 8, 9, 11, 12, 13, 15}},
      {ResonatorOsc::kCosineComb, 0.5f, {0, 2, 4, 6, 8, 10, 12, 14}},
      {ResonatorOsc::kOddDamped, 1.0f, {1, 3, 5, 7, 9, 11, 13, 15}},
      {ResonatorOsc::kAllDamped, 1.0f, {}},
      {ResonatorOsc::kEveryNth, 0.0f, Range(16)},
      {ResonatorOsc::kEveryNth, 2.0f / 32.0f, {2, 5, 8, 11, 14}},
      {ResonatorOsc::kEveryNth, 1.0f, {}},
      {ResonatorOsc::kEveryNth, -1.0f, Range(16)},
      {7, 0.5f, Range(16)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "mode " << c.mode << " timbre " << c.timbre);
    ResonatorOsc osc;
    Harmonic(osc);
    osc.SetWeighting(c.mode);
    osc.SetTimbre(c.timbre);
    const std::vector<float> silence(kFrames, 0.0f);
    std::vector<float> l(kFrames), r(kFrames);
    osc.Process(silence.data(), l.data(), r.data(), kFrames);  // lets the timbre arrive
    const Stereo out = Strike(osc);
    if (c.sounding.empty()) {
      for (int i = 0; i < kBlocks * kFrames; ++i) ASSERT_EQ(out.left[i] + out.right[i], 0.0f);
    } else {
      EXPECT_EQ(Sounding(out), c.sounding);
    }
  }
}

TEST_F(ResonatorOscTest, WeightsScaleEachChannelExactly) {
  struct Case {
    int mode;
    float timbre;
    float left;
    float right;
  };
  const Case cases[] = {
      {ResonatorOsc::kOddDamped, 0.5f, 0.5f, 1.0f},
      {ResonatorOsc::kAllDamped, 0.75f, 0.25f, 0.25f},
      {ResonatorOsc::kCosineComb, 0.5f, 1.0f, 0.0f},
      {ResonatorOsc::kCosineComb, 0.0f, 1.0f, 1.0f},
  };
  ResonatorOsc flat;
  Harmonic(flat);
  flat.SetWeighting(4);
  const Stereo reference = Strike(flat, 4, 200);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    ResonatorOsc osc;
    Harmonic(osc);
    osc.SetWeighting(c.mode);
    osc.SetTimbre(c.timbre);
    // The impulse comes in the second block, once the timbre has glided to its target.
    const Stereo out = Strike(osc, 4, 200);
    for (int i = 0; i < 4 * kFrames; ++i) {
      ASSERT_EQ(out.left[i], reference.left[i] * c.left) << i;
      ASSERT_EQ(out.right[i], reference.right[i] * c.right) << i;
    }
  }
}

// The comb's cosine is two parabolas, o = s f (1 - 2 f), not 2 cos(2 pi e): with one pair the
// right partial's weight is c(1) + 0.5 = o / 4 + 0.5, which a true cosine would put at 0.9045
// and 0.0955.
TEST_F(ResonatorOscTest, CosineCombWeighsByItsParabolicCosine) {
  struct Case {
    float timbre;
    float right;
  };
  const Case cases[] = {{0.1f, 0.92f}, {0.4f, 0.08f}, {0.6f, 0.08f}, {0.75f, 0.5f}, {0.9f, 0.92f}, {1.0f, 1.0f}};
  ResonatorOsc flat;
  Harmonic(flat);
  flat.SetPartialCount(2);
  flat.SetWeighting(4);
  const Stereo reference = Strike(flat, 4, 200);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.timbre);
    ResonatorOsc osc;
    Harmonic(osc);
    osc.SetPartialCount(2);
    osc.SetTimbre(c.timbre);
    const Stereo out = Strike(osc, 4, 200);
    for (int i = 0; i < 4 * kFrames; ++i) {
      ASSERT_EQ(out.left[i], reference.left[i]) << i;
      ASSERT_NEAR(out.right[i], reference.right[i] * c.right, 1e-5f * std::fabs(reference.right[i]) + 1e-12f) << i;
    }
  }
}

TEST_F(ResonatorOscTest, TimbreGlidesOverOneBlockThenHolds) {
  ResonatorOsc osc;
  Harmonic(osc);
  const std::vector<float> silence(kFrames, 0.0f);
  std::vector<float> l(kFrames, 0.0f), r(kFrames, 0.0f);
  osc.Process(silence.data(), l.data(), r.data(), kFrames);
  // From 0 towards 0.5: the right partials fade out over this block and are silent after it.
  osc.SetTimbre(0.5f);
  std::vector<float> in(kFrames, 0.0f);
  in[0] = 1.0f;
  osc.Process(in.data(), l.data(), r.data(), kFrames);
  EXPECT_FLOAT_EQ(osc.Timbre(), 0.5f);
  double heard = 0.0;
  for (int i = 0; i < kFrames; ++i) heard += std::fabs(r[i]);
  EXPECT_GT(heard, 0.0);
  std::fill(r.begin(), r.end(), 0.0f);
  osc.Process(silence.data(), l.data(), r.data(), kFrames);
  for (int i = 0; i < kFrames; ++i) ASSERT_EQ(r[i], 0.0f) << i;
}

TEST_F(ResonatorOscTest, ModeCoefficients) {
  // g approximates tan(pi B); from half the rate on the partial is muted (g = 0) and drawn
  // at most at 0.99 of the rate.
  struct Case {
    float base;
    float stretch;
    int partial;
    float frequency;
    double g;
    double tolerance;
  };
  const Case cases[] = {
      {0.01f, 0.0f, 0, 0.01f, std::tan(M_PI * 0.01), 2e-5},
      {0.05f, 0.0f, 1, 0.1f, std::tan(M_PI * 0.1), 1e-3},
      {0.1f, 0.0f, 1, 0.2f, std::tan(M_PI * 0.2), 1e-3},
      {0.25f, 0.0f, 1, 0.5f, 0.0, 0.0},
      {0.3f, 0.0f, 1, 0.6f, 0.0, 0.0},
      {0.5f, 0.5f, 1, 0.99f, 0.0, 0.0},
      {0.34f, 0.0f, 2, 0.99f, 0.0, 0.0},
      {0.2f, 0.0f, 4, 0.99f, 0.0, 0.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.base << " partial " << c.partial);
    ResonatorOsc osc;
    osc.SetBaseFrequency(c.base);
    osc.SetStretch(c.stretch);
    EXPECT_EQ(osc.UpdateModes(), 32);
    const ResonatorOsc::Mode& m = osc.ModeAt(c.partial);
    const ResonatorOsc::PartialDisplay& d = osc.DisplayAt(c.partial);
    EXPECT_FLOAT_EQ(d.frequency, c.frequency);
    if (c.g == 0.0) {
      EXPECT_EQ(m.g, 0.0f);
    } else {
      EXPECT_NEAR(m.g, c.g, c.g * c.tolerance);
    }
    const float w = d.damping / 5e-6f;
    EXPECT_NEAR(m.k, 1.0 / (1.0 + c.frequency * w), 1e-6);
    EXPECT_NEAR(m.a, 1.0 / (1.0 + m.k * m.g + double(m.g) * m.g), 1e-6);
  }
}

TEST_F(ResonatorOscTest, DampingFollowsTheDecadeTableWithinItsEnds) {
  struct Case {
    float damping;
    double scale;  // 500 x 10^(4 d)
  };
  const Case cases[] = {{0.0f, 500.0},          {0.3f, 500.0 * std::pow(10.0, 1.2)}, {0.5f, 5e4},
                        {1.0f, 5e6},            {-0.5f, 500.0},                      {3.0f, 5e6},
                        {kNaN, 500.0 * std::pow(10.0, 1.2)}};  // NaN keeps the 0.3 default
  for (const Case& c : cases) {
    SCOPED_TRACE(c.damping);
    ResonatorOsc osc;
    osc.SetDamping(c.damping);
    osc.UpdateModes();
    EXPECT_NEAR(osc.DisplayAt(0).damping, c.scale * 5e-6, c.scale * 5e-6 * 2e-4);
  }
  // Higher damping rings longer.
  double energy[2];
  for (int i = 0; i < 2; ++i) {
    ResonatorOsc osc;
    Harmonic(osc);
    osc.SetDamping(i == 0 ? 0.1f : 0.6f);
    const Stereo out = Strike(osc);
    energy[i] = 0.0;
    for (int s = 2048; s < kBlocks * kFrames; ++s) energy[i] += out.left[s] * out.left[s];
  }
  EXPECT_GT(energy[1], 100.0 * energy[0]);
}

TEST_F(ResonatorOscTest, ZeroBaseFrequencyLeavesTheOutputsAlone) {
  ResonatorOsc osc;
  osc.SetBaseFrequency(0.0f);
  std::vector<float> in(kFrames, 0.5f), l(kFrames, 7.0f), r(kFrames, -7.0f);
  EXPECT_EQ(osc.Process(in.data(), l.data(), r.data(), kFrames), kFrames);
  EXPECT_EQ(osc.ActivePartials(), 0);
  for (int i = 0; i < kFrames; ++i) {
    ASSERT_EQ(l[i], 7.0f);
    ASSERT_EQ(r[i], -7.0f);
  }
}

TEST_F(ResonatorOscTest, NaNInputStopsTheBlockAndTheNextBlockRingsAgain) {
  ResonatorOsc osc;
  Harmonic(osc);
  std::vector<float> in(kFrames, 0.0f), l(kFrames, 7.0f), r(kFrames, 7.0f);
  in[0] = 1.0f;
  in[5] = kNaN;
  EXPECT_EQ(osc.Process(in.data(), l.data(), r.data(), kFrames), 5);
  for (int i = 0; i < 5; ++i) EXPECT_NE(l[i], 7.0f) << i;
  for (int i = 5; i < kFrames; ++i) {
    ASSERT_EQ(l[i], 7.0f) << i;
    ASSERT_EQ(r[i], 7.0f) << i;
  }
  in[5] = 0.0f;
  std::fill(l.begin(), l.end(), 0.0f);
  std::fill(r.begin(), r.end(), 0.0f);
  EXPECT_EQ(osc.Process(in.data(), l.data(), r.data(), kFrames), kFrames);
  double sum = 0.0;
  for (int i = 0; i < kFrames; ++i) {
    ASSERT_TRUE(std::isfinite(l[i]) && std::isfinite(r[i])) << i;
    sum += std::fabs(l[i]);
  }
  EXPECT_GT(sum, 0.0);
}

TEST_F(ResonatorOscTest, ResetModesRestoresTheStartCoefficientsAndSilence) {
  ResonatorOsc osc;
  Harmonic(osc);
  Strike(osc, 1);
  osc.ResetModes();
  for (int m = 0; m < ResonatorOsc::kMaxPartials; ++m) {
    const ResonatorOsc::Mode& mode = osc.ModeAt(m);
    EXPECT_EQ(mode.g, 0.0314275f);
    EXPECT_EQ(mode.k, 0.01f);
    EXPECT_EQ(mode.a, 0.9986998f);
    EXPECT_EQ(mode.ic1, 0.0f);
    EXPECT_EQ(mode.ic2, 0.0f);
  }
}

}  // namespace
