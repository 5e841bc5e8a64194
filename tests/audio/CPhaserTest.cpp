// The phaser measured from impulse responses with the sweep frozen, against the bilinear
// all-pass chain A(f) = prod (1 - s_k) / (1 + s_k) at the stage corners: the loop
// u = (x + K S) / (1 + K G), with S = (A - G) u in the z-domain, gives
// y / x = 1.25 A / (1 + 2 K G - K A) + 0.125, G the product of the stages' coefficients.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <complex>
#include <cstddef>
#include <cstring>
#include <optional>
#include <vector>

#include "audio/CPhaser.h"
#include "platform/Denormals.h"
#include "tests/audio/EffectBuffers.h"
#include "tests/support/AllocCounter.h"
#include "tests/support/FilterResponse.h"

namespace {

using filter_test::Complex;
using filter_test::Dft;
using filter_test::kFs;
using filter_test::Sigma;

using effect_buffers::Buffers;
using effect_buffers::kBlock;
using effect_buffers::Noise;
using effect_buffers::RunBlocks;
constexpr double kCentres[] = {766, 1734, 2448, 5106, 8160, 10558};
constexpr double kHalfRanges[] = {734, 1666, 2352, 4894, 7840, 9922};
constexpr double kProbes[] = {30,   100,  300,  700,   1000,  1500, 2500,
                              4000, 6000, 9000, 12000, 16000, 20000};

// The phaser's response with every stage k at centre_k + m halfRange_k.
Complex Phaser(double f, double m, double k) {
  Complex chain = 1.0;
  double g = 1.0;
  for (int i = 0; i < 6; ++i) {
    const double fc = kCentres[i] + m * kHalfRanges[i];
    const Complex s = Sigma(f, fc);
    chain *= (1.0 - s) / (1.0 + s);
    const double t = std::tan(M_PI * fc / kFs);
    g *= (t - 1.0) / (t + 1.0);
  }
  return 1.25 * chain / (1.0 + 2.0 * k * g - k * chain) + 0.125;
}

class CPhaserTest : public ::testing::Test {
 protected:
  platform::ScopedFlushToZero ftz_;
};

void ExpectResponse(const std::vector<float>& h, double m, double k, double level) {
  for (double f : kProbes) {
    const Complex want = level * Phaser(f, m, k);
    EXPECT_NEAR(std::abs(Dft(h, f) - want), 0.0, 2e-4 + 1e-3 * std::abs(want)) << "f " << f;
  }
}

// Rate 0 holds the LFO at phase 0, where the triangle is +1 and its quadrature 0.
struct FrozenCase {
  const char* name;
  float depth, intensity;
  bool quadrature;
  double mLeft, mRight;
  float level;
};

TEST_F(CPhaserTest, FrozenSweepResponseMatchesTheAllPassChain) {
  const FrozenCase cases[] = {
      // Depth 0 parks every stage at its centre; intensity 0 leaves 1.25 A + 0.125.
      {"centres_no_feedback", 0, 0, false, 0.0, 0.0, 1.0f},
      {"centres_feedback", 0, 25, false, 0.0, 0.0, 1.0f},
      // Full intensity where the loop is stable: at the centres and at the ends of the
      // ranges the feedback stays exactly 1.
      {"centres_full_feedback", 0, 100, false, 0.0, 0.0, 1.0f},
      {"ends_full_feedback", 100, 100, false, 1.0, -1.0, 1.0f},
      // The right channel takes the inverted output: opposite directions.
      {"half_depth", 50, 50, false, 0.5, -0.5, 1.0f},
      {"negative_feedback", 40, -30, false, 0.4, -0.4, 1.0f},
      // m is clamped to -1..1: the corners stay inside their sweep ranges.
      {"depth_beyond_100", 300, 0, false, 1.0, -1.0, 1.0f},
      // The left channel follows the quadrature output (0 at phase 0) when the flag is set.
      {"quadrature", 80, 25, true, 0.0, -0.8, 1.0f},
      {"level", 20, 25, false, 0.2, -0.2, 0.25f},
  };
  for (const FrozenCase& c : cases) {
    SCOPED_TRACE(c.name);
    CPhaser fx;
    fx.Reset(48000.0f);
    fx.SetParam(CPhaser::kRate, 0.0f);
    fx.SetParam(CPhaser::kDepth, c.depth);
    fx.SetParam(CPhaser::kIntensity, c.intensity);
    static_cast<CPhaser::Params*>(fx.GetParamBlock())->quadrature = c.quadrature ? 1 : 0;
    // Full feedback puts a resonance near DC that needs about 50000 samples to die away.
    Buffers b(1 << 16);
    b.data[0][0] = 1.0f;
    b.data[1][0] = 1.0f;
    RunBlocks(fx, b, c.level);
    {
      SCOPED_TRACE("left");
      ExpectResponse(b.data[0], c.mLeft, c.intensity / 100.0, c.level);
    }
    {
      SCOPED_TRACE("right");
      ExpectResponse(b.data[1], c.mRight, c.intensity / 100.0, c.level);
    }
  }
}

// The LFO steps once per Process call by rate / (48000 / 128): at 37.5 Hz three calls move
// it to phase 0.3, where the triangle is -0.2; rate 0 then freezes it there.
TEST_F(CPhaserTest, SweepStepsOncePerBlockAndRateZeroFreezesIt) {
  CPhaser fx;
  fx.Reset(48000.0f);
  fx.SetParam(CPhaser::kRate, 37.5f);
  fx.SetParam(CPhaser::kDepth, 100.0f);
  Buffers warm(3 * kBlock);
  RunBlocks(fx, warm);
  fx.SetParam(CPhaser::kRate, 0.0f);
  Buffers b(16384);
  b.data[0][0] = 1.0f;
  b.data[1][0] = 1.0f;
  RunBlocks(fx, b);
  {
    SCOPED_TRACE("left");
    ExpectResponse(b.data[0], -0.2, 0.0, 1.0);
  }
  {
    SCOPED_TRACE("right");
    ExpectResponse(b.data[1], 0.2, 0.0, 1.0);
  }
  EXPECT_EQ(fx.GetParams().rateHz, 0.0);
}

// Reset restarts the sweep at phase 0 and clears the stages, keeping rate, depth and
// intensity; a stage whose corner does not move is still designed for the new rate.
TEST_F(CPhaserTest, ResetRestartsTheSweepAndKeepsTheParameters) {
  struct Case {
    const char* name;
    float firstRate, rate;  // sample rate of the first Reset; LFO rate throughout
  };
  const Case cases[] = {
      {"restart_same_rate", 48000.0f, 37.5f},
      {"new_rate_corners_unmoved", 44100.0f, 0.0f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CPhaser fx;
    fx.SetParam(CPhaser::kRate, c.rate);
    fx.SetParam(CPhaser::kDepth, 60.0f);
    fx.SetParam(CPhaser::kIntensity, 30.0f);
    fx.Reset(c.firstRate);
    Buffers noise(20 * kBlock);
    noise.data[0] = Noise(20 * kBlock, 1);
    RunBlocks(fx, noise);

    fx.Reset(48000.0f);
    EXPECT_EQ(fx.GetParams().rateHz, c.rate);
    EXPECT_EQ(fx.GetParams().depthPct, 60.0);
    EXPECT_EQ(fx.GetParams().intensityPct, 30.0);
    fx.SetParam(CPhaser::kRate, 0.0f);
    Buffers b(16384);
    b.data[0][0] = 1.0f;
    RunBlocks(fx, b);
    ExpectResponse(b.data[0], 0.6, 0.3, 1.0);
  }

  // Before any Reset the LFO has no rate; the rate still reaches it at Reset.
  CPhaser early;
  early.SetParam(CPhaser::kRate, 37.5f);
  early.SetParam(CPhaser::kDepth, 100.0f);
  early.Reset(48000.0f);
  Buffers w(3 * kBlock);
  RunBlocks(early, w);
  early.SetParam(CPhaser::kRate, 0.0f);
  Buffers e(16384);
  e.data[0][0] = 1.0f;
  RunBlocks(early, e);
  ExpectResponse(e.data[0], -0.2, 0.0, 1.0);
}

TEST_F(CPhaserTest, OtherIdsAndNonFiniteValuesChangeNothing) {
  auto make = [] {
    CPhaser fx;
    fx.Reset(48000.0f);
    fx.SetParam(CPhaser::kRate, 0.7f);
    fx.SetParam(CPhaser::kDepth, 40.0f);
    fx.SetParam(CPhaser::kIntensity, 35.0f);
    return fx;
  };
  CPhaser ref = make();
  CPhaser fx = make();
  for (int id : {3, 4, 15, -1}) fx.SetParam(id, 2.0f);
  for (int id : {0, 1, 2}) {
    fx.SetParam(id, NAN);
    fx.SetParam(id, -INFINITY);
  }
  // Up to the last member: the padding after it is not copied with the object.
  EXPECT_EQ(std::memcmp(&ref.GetParams(), &fx.GetParams(), offsetof(CPhaser::Params, quadrature) + 1), 0);
  effect_buffers::ExpectSameOutput(ref, fx, 8192, 3);
}

// Intensity is held to -100..100 %. Even inside that range the loop as solved diverges
// where full intensity meets a slightly negative stage product (around m = 0.3) and for
// negative intensity beyond about -37 %: a slow sweep through those regions must stay
// finite and bounded.
TEST_F(CPhaserTest, FullIntensityStaysBoundedThroughASlowSweep) {
  struct Case {
    float intensity, sameAs;
  };
  for (const Case c : {Case{100.0f, 100.0f}, Case{150.0f, 100.0f}, Case{-100.0f, -100.0f},
                       Case{-1000.0f, -100.0f}}) {
    SCOPED_TRACE(c.intensity);
    CPhaser fx, ref;
    for (CPhaser* p : {&fx, &ref}) {
      p->Reset(48000.0f);
      p->SetParam(CPhaser::kRate, 0.05f);
      p->SetParam(CPhaser::kDepth, 40.0f);
    }
    fx.SetParam(CPhaser::kIntensity, c.intensity);
    ref.SetParam(CPhaser::kIntensity, c.sameAs);
    EXPECT_EQ(fx.GetParams().intensityPct, c.sameAs);
    constexpr int kFrames = 20 * 48000 / kBlock * kBlock;
    Buffers a(kFrames), b(kFrames);
    a.data[0] = b.data[0] = Noise(kFrames, 11);
    RunBlocks(fx, a);
    RunBlocks(ref, b);
    EXPECT_EQ(a.data[0], b.data[0]);
    float peak = 0.0f;
    for (float v : a.data[0]) {
      ASSERT_TRUE(std::isfinite(v));
      peak = std::fmax(peak, std::fabs(v));
    }
    EXPECT_LT(peak, 100.0f);
  }
}

TEST_F(CPhaserTest, SideChainIsUntouchedAndNothingIsAllocated) {
  CPhaser fx;
  fx.Reset(48000.0f);
  fx.SetParam(CPhaser::kRate, 3.0f);
  fx.SetParam(CPhaser::kDepth, 100.0f);
  fx.SetParam(CPhaser::kIntensity, 60.0f);
  Buffers b(kBlock);
  b.data[0] = Noise(kBlock, 5);
  b.data[2] = Noise(kBlock, 6);
  b.data[3] = Noise(kBlock, 7);
  const std::vector<float> sc2 = b.data[2], sc3 = b.data[3];
  testing_support::AllocGuard guard;
  for (int i = 0; i < 200; ++i) {
    fx.SetParam(CPhaser::kRate, 0.1f * i);
    fx.SetParam(CPhaser::kIntensity, static_cast<float>(i % 100));
    RunBlocks(fx, b);
  }
  EXPECT_EQ(guard.Count(), 0u);
  EXPECT_EQ(b.data[2], sc2);
  EXPECT_EQ(b.data[3], sc3);
}

// Both channels run in two vector lanes (with the terms that first-order all-pass stages
// cancel left out); every output sample and the state carried into the next period must be
// what each channel's sample-by-sample chain gives.
TEST(CPhaserLanes, TwoLaneFormMatchesTheSampleBySampleChains) {
  struct Case {
    const char* what;
    float rate, depth, intensity, level;
    int frames;
    float amplitude;  // of the input noise; tiny values reach the subnormal flush
    bool flushToZero;  // the thread's mode; without it the stages flush subnormals themselves
  };
  const Case cases[] = {
      {"defaults", 0.5f, 50.0f, 50.0f, 1.0f, 128, 0.25f, true},
      {"page defaults: no sweep, no feedback", 0.0f, 0.0f, 0.0f, 1.0f, 128, 0.25f, true},
      {"sweep without feedback", 3.0f, 80.0f, 0.0f, 0.9f, 128, 0.25f, true},
      {"fast full sweep", 8.0f, 100.0f, 100.0f, 1.0f, 128, 0.5f, true},
      {"negative feedback", 2.0f, 80.0f, -60.0f, 0.7f, 128, 0.25f, true},
      {"odd period", 1.0f, 30.0f, 20.0f, 1.0f, 37, 0.25f, true},
      {"near silence", 0.5f, 50.0f, 90.0f, 1.0f, 128, 1e-36f, true},
      {"near silence, no flush mode", 0.5f, 50.0f, 90.0f, 1.0f, 128, 1e-36f, false},
      {"near silence, no flush mode, no feedback", 0.5f, 50.0f, 0.0f, 1.0f, 128, 1e-36f, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (!c.flushToZero && effect_buffers::kLanesAlwaysFlush) continue;
    std::optional<platform::ScopedFlushToZero> ftz;
    if (c.flushToZero) ftz.emplace();
    CPhaser lanes, reference;
    for (CPhaser* fx : {&lanes, &reference}) {
      fx->Reset(48000.0f);
      fx->SetParam(CPhaser::kRate, c.rate);
      fx->SetParam(CPhaser::kDepth, c.depth);
      fx->SetParam(CPhaser::kIntensity, c.intensity);
    }
    effect_buffers::ExpectLanesMatchReference(lanes, reference, c.frames, c.level, c.amplitude, 200, 99u, 0.0f);
  }
}

}  // namespace
