#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "audio/LFO.h"
#include "tests/audio/VtableSlot.h"

namespace {

using vtable_test::SlotOf;

// 750 Hz at 48 kHz steps the phase by 1/64: exact in float, so the phase after n steps is
// exactly n/64 modulo 1 and each output can be checked against its formula at that phase.
constexpr float kRate = 48000.0f;
constexpr float kFreq = 750.0f;

double Frac(double p) { return p - std::floor(p); }

double Triangle(double p) { return 2.0 * std::fabs(2.0 * p - 1.0) - 1.0; }
double Saw(double p) { return 2.0 * p - 1.0; }
double ParabolicSine(double p) {
  const double a = M_PI - 2.0 * M_PI * p;
  const double y = 1.2732395 * a - 0.4052847 * a * std::fabs(a);
  return y + 0.225 * (y * std::fabs(y) - y);
}

LFO Started(int32_t waveform, float freq = kFreq) {
  LFO lfo;
  lfo.SetWaveform(waveform);
  lfo.SetFrequency(freq);
  lfo.Reset(kRate);
  return lfo;
}

TEST(LFO, OutputsFollowTheirFormulasWithQuadratureAQuarterCycleLater) {
  struct Case {
    int32_t waveform;
    double (*shape)(double);
  };
  const Case cases[] = {{LFO::kTriangle, Triangle}, {LFO::kSine, ParabolicSine}, {LFO::kSaw, Saw}};
  for (const Case& c : cases) {
    LFO lfo = Started(c.waveform);
    for (int n = 0; n < 200; ++n) {
      const double p = Frac(n / 64.0);
      const LfoOutput o = lfo.RenderOutput();
      ASSERT_NEAR(o.normal, c.shape(p), 2e-6) << c.waveform << " step " << n;
      ASSERT_EQ(o.inverted, -o.normal);
      ASSERT_NEAR(o.quadrature, c.shape(Frac(p + 0.25)), 2e-6) << c.waveform << " step " << n;
      ASSERT_EQ(o.invertedQuadrature, -o.quadrature);
    }
  }
}

TEST(LFO, ShapesStartWhereTheyShouldAndTheSineStaysNearTheTrueSine) {
  EXPECT_EQ(Started(LFO::kTriangle).RenderOutput().normal, 1.0f);
  EXPECT_EQ(Started(LFO::kSaw).RenderOutput().normal, -1.0f);
  const LfoOutput s = Started(LFO::kSine).RenderOutput();
  EXPECT_NEAR(s.normal, 0.0f, 1e-6f);
  EXPECT_NEAR(s.quadrature, 1.0f, 1e-3f);  // the quadrature of a sine is a cosine

  LFO sine = Started(LFO::kSine, 48000.0f / 1000.0f);
  for (int n = 0; n < 1000; ++n) {
    EXPECT_NEAR(sine.RenderOutput().normal, std::sin(2.0 * M_PI * n / 1000.0), 1.2e-3) << n;
  }
}

TEST(LFO, ResetRestartsAndSetsTheIncrementFromTheFrequency) {
  LFO lfo;
  EXPECT_EQ(lfo.QuadraturePhase(), 0.25f);
  lfo.SetFrequency(3.0f);
  EXPECT_TRUE(lfo.Reset(375.0f));
  EXPECT_EQ(lfo.SampleRate(), 375.0f);
  EXPECT_EQ(lfo.Increment(), 3.0f / 375.0f);
  for (int n = 0; n < 30; ++n) lfo.RenderOutput();
  EXPECT_NE(lfo.Phase(), 0.0f);
  lfo.Reset(375.0f);
  EXPECT_EQ(lfo.Phase(), 0.0f);
  EXPECT_EQ(lfo.QuadraturePhase(), 0.25f);

  // The phase advances after the outputs are formed.
  LFO saw = Started(LFO::kSaw);
  saw.RenderOutput();
  EXPECT_EQ(saw.Phase(), 1.0f / 64.0f);

  // A rate of 0 leaves the LFO standing instead of turning its phase into inf or NaN.
  LFO still = Started(LFO::kTriangle);
  still.Reset(0.0f);
  EXPECT_EQ(still.Increment(), 0.0f);
  for (int n = 0; n < 3; ++n) EXPECT_EQ(still.RenderOutput().normal, 1.0f);
}

TEST(LFO, UnknownWaveformIsSilentButStillAdvances) {
  for (int32_t w : {3, -1, 99}) {
    LFO lfo = Started(w);
    for (int n = 0; n < 70; ++n) {
      const LfoOutput o = lfo.RenderOutput();
      ASSERT_EQ(o.normal, 0.0f);
      ASSERT_EQ(o.inverted, 0.0f);
      ASSERT_EQ(o.quadrature, 0.0f);
      ASSERT_EQ(o.invertedQuadrature, 0.0f);
    }
    EXPECT_EQ(lfo.Phase(), 70.0f / 64.0f - 1.0f);
    // Switching to a known waveform continues from the advanced phase.
    lfo.SetWaveform(LFO::kSaw);
    EXPECT_NEAR(lfo.RenderOutput().normal, Saw(6.0 / 64.0), 1e-6);
  }
}

TEST(LFO, NegativeIncrementRunsBackwardsAndWrapsAtZero) {
  LFO lfo = Started(LFO::kSaw);
  lfo.SetIncrement(-1.0f / 64.0f);
  // Phase 0 wraps to 1 before the first output: the saw starts at its top.
  EXPECT_EQ(lfo.RenderOutput().normal, 1.0f);
  for (int n = 1; n < 200; ++n) {
    const double p = 1.0 - Frac((n % 64) / 64.0);
    const LfoOutput o = lfo.RenderOutput();
    ASSERT_NEAR(o.normal, Saw(p == 0.0 ? 1.0 : p), 1e-6) << n;
    ASSERT_GE(lfo.Phase() + 1.0f / 64.0f, 0.0f);
  }
}

// One wrap per step suffices only below one cycle per step; beyond it the phase is folded
// back into 0..1 so the outputs stay within +-1.
TEST(LFO, IncrementOfAWholeCycleOrMoreStaysBounded) {
  for (float inc : {1.0f, 2.5f, -3.25f}) {
    LFO lfo = Started(LFO::kTriangle);
    lfo.SetIncrement(inc);
    for (int n = 0; n < 100; ++n) {
      const LfoOutput o = lfo.RenderOutput();
      ASSERT_LE(std::fabs(o.normal), 1.0f) << inc;
      ASSERT_LE(std::fabs(o.quadrature), 1.0f) << inc;
    }
  }
  // 2.5 cycles per step alternates between phase 0 and 0.5.
  LFO tri = Started(LFO::kTriangle);
  tri.SetIncrement(2.5f);
  EXPECT_EQ(tri.RenderOutput().normal, 1.0f);
  EXPECT_EQ(tri.RenderOutput().normal, -1.0f);
  EXPECT_EQ(tri.RenderOutput().normal, 1.0f);
}

// The block render takes four steps at a time in vector lanes; its outputs and the phase it
// leaves must be those of as many single steps, across wraps, backwards runs, a standing
// LFO, increments of a cycle or more and unknown waveforms.
TEST(LFO, BlockRenderGivesWhatSingleStepsGive) {
  struct Case {
    int32_t waveform;
    float increment;
    int block;  // frames per RenderNormal call
  };
  const Case cases[] = {
      {LFO::kTriangle, 0.37f / 48000.0f, 64},  {LFO::kTriangle, 0.013f, 128}, {LFO::kSine, 5.0f / 48000.0f, 128},
      {LFO::kSine, 0.021f, 37},                {LFO::kSaw, 1.0f / 64.0f, 37}, {LFO::kSaw, -0.017f, 64},
      {LFO::kTriangle, -0.003f, 61},           {LFO::kSine, 0.0f, 64},         {LFO::kTriangle, 2.5f, 64},
      {LFO::kSine, -1.75f, 33},                {7, 0.01f, 64},
  };
  for (const Case& c : cases) {
    LFO block = Started(c.waveform), single = Started(c.waveform);
    block.SetIncrement(c.increment);
    single.SetIncrement(c.increment);
    std::vector<float> out(c.block);
    for (int call = 0; call < 60; ++call) {
      block.RenderNormal(out.data(), c.block);
      for (int i = 0; i < c.block; ++i) {
        ASSERT_EQ(out[i], single.RenderOutput().normal)
            << "waveform " << c.waveform << " increment " << c.increment << " call " << call << " frame " << i;
      }
      ASSERT_EQ(block.Phase(), single.Phase());
      ASSERT_EQ(block.QuadraturePhase(), single.QuadraturePhase());
    }
  }
}

TEST(LFOLayout, OperationsSitInTheirFixedSlots) {
  EXPECT_EQ(SlotOf(&LFO::Reset), 2);  // after the two destructor entries
  EXPECT_EQ(SlotOf(&LFO::RenderOutput), 3);
  EXPECT_EQ(SlotOf(&LFO::SetWaveform), -1);
  struct Derived : LFO {
    virtual void Extra() {}
  };
  EXPECT_EQ(SlotOf(&Derived::Extra), 4);
}

}  // namespace
