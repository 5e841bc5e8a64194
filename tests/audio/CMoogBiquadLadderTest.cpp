// The ladder measured from its impulse responses against the bilinear transform of the
// analog ladder, r L^4 / (1 + K L^4) with L the one-pole low-pass prewarped at the cutoff.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstddef>
#include <cstring>
#include <vector>

#include "audio/CMoogBiquadLadder.h"
#include "platform/Denormals.h"
#include "tests/audio/EffectBuffers.h"
#include "tests/support/AllocCounter.h"
#include "tests/support/FilterResponse.h"

namespace {

using filter_test::Complex;
using filter_test::Dft;
using filter_test::Sigma;

using effect_buffers::Buffers;
using effect_buffers::kBlock;
using effect_buffers::Noise;
using effect_buffers::RunBlocks;
constexpr double kProbes[] = {20,   50,   60,   100,  300,   700,  1000,
                              1500, 2000, 3000, 5000, 10000, 20000};

Complex Ladder(double f, double fc, double k, double r) {
  const Complex l4 = std::pow(1.0 / (1.0 + Sigma(f, fc)), 4);
  return r * l4 / (1.0 + k * l4);
}

class CMoogBiquadLadderTest : public ::testing::Test {
 protected:
  platform::ScopedFlushToZero ftz_;
};

struct ResponseCase {
  const char* name;
  float cutoff;     // < 0: leave the Reset value
  float resonance;  // < 0: leave the Reset value
  float drive;
  double fc, k, r;  // what the response must be
  float level;
};

TEST_F(CMoogBiquadLadderTest, ImpulseResponseIsTheBilinearLadder) {
  const ResponseCase cases[] = {
      // Reset: 60 Hz, Q 0.5 (K = -2/9), designed for the rate it was reset with.
      {"reset_defaults", -1, -1, 0, 60, -2.0 / 9.0, 1.0, 1.0f},
      // Resonance 10 is Q 1: no feedback, four one-poles in series.
      {"four_one_poles", 1000, 10, 0, 1000, 0.0, 1.0, 1.0f},
      {"four_one_poles_drive_ignored", 1000, 10, 100, 1000, 0.0, 1.0, 1.0f},
      // Q 5.5: K = 2; drive 50 % gives r = 1 + 0.5 K.
      {"resonant_with_drive", 2000, 55, 50, 2000, 2.0, 2.0, 1.0f},
      {"resonant_half_level", 300, 70, 0, 300, 8.0 / 3.0, 1.0, 0.5f},
      // Resonance 0: Q 0, the filters design with 0.707 but K keeps Q 0.
      {"resonance_zero", 5000, 0, 100, 5000, -4.0 / 9.0, 1.0 - 4.0 / 9.0, 1.0f},
  };
  for (const ResponseCase& c : cases) {
    SCOPED_TRACE(c.name);
    CMoogBiquadLadder fx;
    fx.Reset(48000.0f);
    if (c.cutoff >= 0) fx.SetParam(CMoogBiquadLadder::kCutoff, c.cutoff);
    if (c.resonance >= 0) fx.SetParam(CMoogBiquadLadder::kResonance, c.resonance);
    fx.SetParam(CMoogBiquadLadder::kDriveCompensation, c.drive);
    EXPECT_NEAR(fx.FeedbackGain(), c.k, 1e-6);

    Buffers b(16384);
    b.data[0][0] = 1.0f;
    b.data[1][0] = 1.0f;
    RunBlocks(fx, b, c.level);
    for (int ch = 0; ch < 2; ++ch) {
      for (double f : kProbes) {
        const Complex want = double{c.level} * Ladder(f, c.fc, c.k, c.r);
        const Complex got = Dft(b.data[ch], f);
        EXPECT_NEAR(std::abs(got - want), 0.0, 1e-4 + 1e-3 * std::abs(want))
            << "ch " << ch << " f " << f;
      }
    }
  }
}

TEST_F(CMoogBiquadLadderTest, ResetLoadsDefaultsAtTheNewRateAndClearsState) {
  CMoogBiquadLadder fx;
  fx.Reset(44100.0f);
  fx.SetParam(CMoogBiquadLadder::kCutoff, 60.0f);
  fx.SetParam(CMoogBiquadLadder::kResonance, 5.0f);  // Q 0.5 as after Reset
  fx.SetParam(CMoogBiquadLadder::kDriveCompensation, 40.0f);
  Buffers noise(1024);
  noise.data[0] = Noise(1024, 3);
  RunBlocks(fx, noise);

  // Same cutoff and Q, new rate: the coefficients must follow the rate although no filter
  // parameter changed, and the state must be gone.
  fx.Reset(48000.0f);
  const CMoogBiquadLadder::Params& p = fx.GetParams();
  EXPECT_EQ(p.cutoffHz, 60.0f);
  EXPECT_EQ(p.q, 0.5f);
  EXPECT_EQ(p.driveCompensationPct, 0.0f);
  EXPECT_EQ(fx.GetParamBlock(), static_cast<const void*>(&p));

  Buffers b(16384);
  b.data[0][0] = 1.0f;
  RunBlocks(fx, b);
  for (double f : kProbes) {
    EXPECT_NEAR(std::abs(Dft(b.data[0], f) - Ladder(f, 60.0, -2.0 / 9.0, 1.0)), 0.0, 1e-4) << f;
  }
}

TEST_F(CMoogBiquadLadderTest, OtherIdsAndNonFiniteValuesChangeNothing) {
  auto make = [] {
    CMoogBiquadLadder fx;
    fx.Reset(48000.0f);
    fx.SetParam(CMoogBiquadLadder::kCutoff, 800.0f);
    fx.SetParam(CMoogBiquadLadder::kResonance, 45.0f);
    fx.SetParam(CMoogBiquadLadder::kDriveCompensation, 30.0f);
    return fx;
  };
  CMoogBiquadLadder ref = make();
  CMoogBiquadLadder fx = make();
  for (int id : {1, 3, 5, 15, -1}) fx.SetParam(id, 3.0f);
  for (int id : {0, 2, 4}) {
    fx.SetParam(id, NAN);
    fx.SetParam(id, INFINITY);
  }
  // Up to the last member: the padding after it is not copied with the object.
  EXPECT_EQ(std::memcmp(&ref.GetParams(), &fx.GetParams(), offsetof(CMoogBiquadLadder::Params, flag) + 1), 0);
  effect_buffers::ExpectSameOutput(ref, fx, 2048, 1);
}

// With K = 4 (resonance 100), drive compensation 100 % scales the input by 1 + K = 5.
TEST_F(CMoogBiquadLadderTest, FullDriveCompensationAtFullResonanceMultipliesTheInputByFive) {
  CMoogBiquadLadder plain, driven;
  for (CMoogBiquadLadder* fx : {&plain, &driven}) {
    fx->Reset(48000.0f);
    fx->SetParam(CMoogBiquadLadder::kCutoff, 500.0f);
    fx->SetParam(CMoogBiquadLadder::kResonance, 100.0f);
  }
  driven.SetParam(CMoogBiquadLadder::kDriveCompensation, 100.0f);
  EXPECT_EQ(driven.FeedbackGain(), 4.0f);

  Buffers a(4096), b(4096);
  a.data[0] = b.data[0] = Noise(4096, 5);
  RunBlocks(plain, a);
  RunBlocks(driven, b);
  double peak = 0.0;
  for (float v : a.data[0]) peak = std::fmax(peak, std::fabs(v));
  ASSERT_GT(peak, 0.01);
  for (int i = 0; i < 4096; ++i) {
    ASSERT_NEAR(b.data[0][i], 5.0f * a.data[0][i], 1e-5 * 5.0 * peak) << i;
  }
}

// Above resonance 100 the loop gain would exceed 4 and the filter would diverge for good;
// below 0 the feedback turns positive and diverges at K = -1. A cutoff at or below 0 Hz or
// past half the rate puts the stages' poles outside the unit circle. The record keeps what
// was sent; the filter acts as at the edge of the safe range.
TEST_F(CMoogBiquadLadderTest, ValuesBeyondTheSafeRangeActAsItsEdge) {
  struct Case {
    int id;
    float value, edge;
  };
  const Case cases[] = {
      {CMoogBiquadLadder::kResonance, 150.0f, 100.0f},
      {CMoogBiquadLadder::kResonance, 1e6f, 100.0f},
      {CMoogBiquadLadder::kResonance, -50.0f, 0.0f},
      {CMoogBiquadLadder::kCutoff, 30000.0f, 0.45f * 48000.0f},
      {CMoogBiquadLadder::kCutoff, 1e9f, 0.45f * 48000.0f},
      {CMoogBiquadLadder::kCutoff, -100.0f, 1.0f},
      {CMoogBiquadLadder::kCutoff, 0.0f, 1.0f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "id " << c.id << " value " << c.value);
    CMoogBiquadLadder over, edge;
    for (CMoogBiquadLadder* fx : {&over, &edge}) {
      fx->Reset(48000.0f);
      fx->SetParam(CMoogBiquadLadder::kCutoff, 1200.0f);
      fx->SetParam(CMoogBiquadLadder::kResonance, 80.0f);
      fx->SetParam(CMoogBiquadLadder::kDriveCompensation, 50.0f);
    }
    over.SetParam(c.id, c.value);
    edge.SetParam(c.id, c.edge);
    if (c.id == CMoogBiquadLadder::kResonance) {
      EXPECT_EQ(over.GetParams().q, c.value * 0.1f);
    } else {
      EXPECT_EQ(over.GetParams().cutoffHz, c.value);
    }
    Buffers a(48000), b(48000);
    a.data[0] = b.data[0] = Noise(48000, 9);
    RunBlocks(over, a);
    RunBlocks(edge, b);
    EXPECT_EQ(a.data[0], b.data[0]);
    for (float v : a.data[0]) ASSERT_TRUE(std::isfinite(v));
  }
}

TEST_F(CMoogBiquadLadderTest, ChannelsAreIndependentAndSideChainIsUntouched) {
  CMoogBiquadLadder fx;
  fx.Reset(48000.0f);
  fx.SetParam(CMoogBiquadLadder::kResonance, 60.0f);
  Buffers b(1024);
  b.data[0][0] = 1.0f;
  b.data[2] = Noise(1024, 7);
  b.data[3] = Noise(1024, 8);
  const std::vector<float> sc2 = b.data[2], sc3 = b.data[3];
  RunBlocks(fx, b);
  EXPECT_NE(b.data[0][10], 0.0f);
  for (float v : b.data[1]) ASSERT_EQ(v, 0.0f);
  EXPECT_EQ(b.data[2], sc2);
  EXPECT_EQ(b.data[3], sc3);
}

// The two-lane form against the filters' own steps: the same operations in the same order,
// so the same output (up to the sign of a zero), at the panel's corners and with the
// resonance at the edge of self-oscillation, where any rounding difference would stay.
TEST_F(CMoogBiquadLadderTest, BothChannelsInLanesMatchTheReference) {
  struct Case {
    float cutoff, resonance, drive, level, amplitude;
  };
  const Case cases[] = {
      {60.0f, 5.0f, 0.0f, 1.0f, 0.5f},       // the reset defaults
      {1000.0f, 10.0f, 100.0f, 0.7f, 1.0f},  // no feedback
      {2000.0f, 55.0f, 50.0f, 1.0f, 0.5f},
      {17400.0f, 100.0f, 100.0f, 1.0f, 0.25f},
      {300.0f, 100.0f, 0.0f, 0.5f, 1.0f},
      {8000.0f, 0.0f, 100.0f, 1.0f, 2.0f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "cutoff " << c.cutoff << " resonance " << c.resonance);
    CMoogBiquadLadder lanes, reference;
    for (CMoogBiquadLadder* fx : {&lanes, &reference}) {
      fx->Reset(48000.0f);
      fx->SetParam(CMoogBiquadLadder::kCutoff, c.cutoff);
      fx->SetParam(CMoogBiquadLadder::kResonance, c.resonance);
      fx->SetParam(CMoogBiquadLadder::kDriveCompensation, c.drive);
    }
    effect_buffers::ExpectLanesMatchReference(lanes, reference, kBlock, c.level, c.amplitude, 40, 11u, 0.0f);
  }
}

TEST_F(CMoogBiquadLadderTest, ProcessAndSetParamAllocateNothing) {
  CMoogBiquadLadder fx;
  fx.Reset(48000.0f);
  Buffers b(kBlock);
  b.data[0] = Noise(kBlock, 4);
  testing_support::AllocGuard guard;
  for (int i = 0; i < 100; ++i) {
    fx.SetParam(CMoogBiquadLadder::kCutoff, 100.0f + 10.0f * i);
    fx.SetParam(CMoogBiquadLadder::kResonance, static_cast<float>(i));
    RunBlocks(fx, b);
  }
  EXPECT_EQ(guard.Count(), 0u);
}

}  // namespace
