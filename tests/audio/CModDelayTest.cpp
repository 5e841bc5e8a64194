#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "audio/AudioDelay.h"
#include "audio/CModDelay.h"
#include "platform/Denormals.h"
#include "tests/audio/EffectBuffers.h"
#include "tests/audio/StereoRun.h"
#include "tests/support/AllocCounter.h"

namespace {

constexpr float kRate = 48000.0f;
constexpr int kBlock = 128;

using stereo_run::Play;
using stereo_run::Silence;
using stereo_run::Stereo;

Stereo Impulse(int n, int at = 0) {
  Stereo s = Silence(n);
  s.l[at] = s.r[at] = 1.0f;
  return s;
}

Stereo Noise(int n, unsigned seed) {
  Stereo s = Silence(n);
  for (int i = 0; i < n; ++i) {
    seed = seed * 1664525u + 1013904223u;
    s.l[i] = static_cast<float>(seed >> 8) / 8388608.0f - 1.0f;
    s.r[i] = -s.l[i];
  }
  return s;
}

double Gain(double db) { return std::pow(10.0, db / 20.0); }

class CModDelayTest : public ::testing::Test {
 protected:
  platform::ScopedFlushToZero ftz_;
};

TEST_F(CModDelayTest, LinesHoldTheMaximumDelayAsAPowerOfTwoAndSameRateResetsOnlyClear) {
  AudioDelay d;
  EXPECT_EQ(d.LineSize(), 1024u);
  d.SetMaxDelayMs(100.0f);
  struct Case {
    float rate;
    uint32_t size;  // next power of two at or above 100 ms + 1
  };
  const Case cases[] = {{48000.0f, 8192u}, {44100.0f, 8192u}, {8000.0f, 1024u}, {96000.0f, 16384u}, {48000.0f, 8192u}};
  for (const Case& c : cases) {
    d.Reset(c.rate);
    EXPECT_EQ(d.LineSize(), c.size) << c.rate;
  }

  // Storage for the usual rates is there from construction: only a rate above what the
  // lines ever held may allocate.
  CModDelay fx;
  {
    testing_support::AllocGuard guard;
    fx.Reset(kRate);
    fx.Reset(44100.0f);
    fx.Reset(kRate);
    EXPECT_EQ(guard.Count(), 0u);
  }
  EXPECT_EQ(fx.LeftDelay().LineSize(), 8192u);

  // An impulse in the line, then a Reset at the same rate: nothing comes out of the line.
  fx.SetParam(CModDelay::kParamMode, CModDelay::kVibrato);
  Play(fx, Impulse(100));
  fx.Reset(kRate);
  const Stereo out = Play(fx, Silence(400));
  for (float v : out.l) ASSERT_EQ(v, 0.0f);
}

// Depth 0 holds each mode at its base delay: 3.6 ms, 25 ms and 3.5 ms. The line reads one
// sample behind the delay and interpolates between its two neighbours; the output is
// scaled by the fade level.
TEST_F(CModDelayTest, DepthZeroHoldsEachModeAtItsDelayWithItsDryAndWetLevels) {
  struct Case {
    int mode;
    double delaySamples;
    double dryDb;
    double wetDb;
  };
  const Case cases[] = {
      {CModDelay::kFlanger, 3.6 * 48.0, -3.0, -3.0},
      {CModDelay::kChorus, 25.0 * 48.0, 0.0, -3.0},
      {CModDelay::kVibrato, 3.5 * 48.0, -96.0, 0.0},
  };
  constexpr float kLevel = 0.5f;
  for (const Case& c : cases) {
    CModDelay fx;
    fx.Reset(kRate);
    fx.SetParam(CModDelay::kParamMode, static_cast<float>(c.mode));
    fx.SetParam(CModDelay::kParamRate, 3.0f);
    const Stereo out = Play(fx, Impulse(1400), kLevel);
    const int t = static_cast<int>(c.delaySamples + 1e-3);
    const double f = c.delaySamples - t;
    std::vector<double> expected(1400, 0.0);
    expected[0] = kLevel * Gain(c.dryDb);
    expected[t + 1] += kLevel * Gain(c.wetDb) * (1.0 - f);
    expected[t + 2] += kLevel * Gain(c.wetDb) * f;
    for (int i = 0; i < 1400; ++i) {
      ASSERT_NEAR(out.l[i], expected[i], 2e-5) << "mode " << c.mode << " sample " << i;
      ASSERT_EQ(out.r[i], out.l[i]) << "mode " << c.mode << " sample " << i;
    }
  }
}

// Impulses every 1000 samples measure the delay as the LFO sweeps it (the centre of the two
// interpolated taps, less the one-sample read offset). At the read time n the phase is
// n x rate / 48000; the vibrato follows a sine, the others a triangle, the same on both sides.
TEST_F(CModDelayTest, TheSweepFollowsASineForVibratoAndATriangleOtherwiseOnBothSides) {
  auto triangle = [](double p) { return 2.0 * std::fabs(2.0 * p - 1.0) - 1.0; };
  auto sine = [](double p) { return std::sin(2.0 * M_PI * p); };
  struct Case {
    int mode;
    double offset, scale, low, high, baseMs, spanMs;
    bool sineWave;
  };
  const Case cases[] = {
      {CModDelay::kFlanger, 0.5, 0.5, 0.0, 1.0, 0.1, 7.0, false},
      {CModDelay::kChorus, 0.0, 1.0, -1.0, 1.0, 25.0, 15.0, false},
      {CModDelay::kVibrato, 0.0, 1.0, -1.0, 1.0, 3.5, 3.5, true},
  };
  // 375/512 Hz steps the phase by exactly 2^-16, so it carries no rounding drift.
  constexpr double kHz = 375.0 / 512.0, kDepth = 0.8;
  for (const Case& c : cases) {
    CModDelay fx;
    fx.Reset(kRate);
    fx.SetParam(CModDelay::kParamMode, static_cast<float>(c.mode));
    fx.SetParam(CModDelay::kParamRate, static_cast<float>(kHz));
    fx.SetParam(CModDelay::kParamDepth, static_cast<float>(kDepth * 100.0));
    Stereo in = Silence(96000);
    for (int k = 0; k < 96000; k += 2000) in.l[k] = in.r[k] = 1.0f;
    const Stereo out = Play(fx, in);
    auto delayAt = [&](double n, bool sineWave) {
      const double p = std::fmod(n * kHz / 48000.0, 1.0);
      const double l = kDepth * (sineWave ? sine(p) : triangle(p));
      return (c.baseMs + c.spanMs * std::clamp(c.offset + c.scale * l, c.low, c.high)) * 48.0;
    };
    double worstOther = 0.0;
    for (int k = 0; k + 2000 <= 96000; k += 2000) {
      double s = 0.0, m = 0.0, sr = 0.0, mr = 0.0;
      for (int i = k + 1; i < k + 2000; ++i) {  // the wet taps, after the dry impulse at k
        s += out.l[i];
        m += static_cast<double>(i) * out.l[i];
        sr += out.r[i];
        mr += static_cast<double>(i) * out.r[i];
      }
      const double read = m / s;
      const double measured = read - k - 1.0;
      ASSERT_NEAR(measured, delayAt(read, c.sineWave), 0.2) << "mode " << c.mode << " pulse at " << k;
      ASSERT_NEAR(mr / sr, read, 1e-6) << "one LFO for both sides";
      worstOther = std::max(worstOther, std::fabs(measured - delayAt(read, !c.sineWave)));
    }
    EXPECT_GT(worstOther, 5.0) << "mode " << c.mode << " would pass with the other waveform";
  }
}

// The flanger feeds the line back: each repeat is the previous one times the feedback
// (the interpolated taps sum to one). Beyond +-100 % the loop is held at +-100 %. The loop's
// DC blocker moves a little of every pass into a long shallow tail (up to 2.5 % of full
// scale a pass, at full feedback), which the sum over the few samples the interpolation
// spreads a repeat across does not see.
TEST_F(CModDelayTest, FlangerRepeatsScaleByTheFeedbackHeldWithinPlusMinus100Percent) {
  auto repeats = [](float feedback) {
    CModDelay fx;
    fx.Reset(kRate);
    fx.SetParam(CModDelay::kParamFeedback, feedback);
    const Stereo out = Play(fx, Impulse(174 * 8));
    std::vector<double> sums;  // one repeat every 173.8 samples
    for (int j = 1; j < 8; ++j) {
      double s = 0.0;
      for (int i = 174 * j - 8; i < 174 * j + 8; ++i) s += out.l[i];
      sums.push_back(s / Gain(-3.0));
    }
    return sums;
  };
  struct Case {
    float feedback;
    double perRepeat;
  };
  const Case cases[] = {{50.0f, 0.5}, {-30.0f, -0.3}, {100.0f, 1.0}, {250.0f, 1.0}, {-1e9f, -1.0}};
  for (const Case& c : cases) {
    const std::vector<double> s = repeats(c.feedback);
    for (std::size_t j = 0; j < s.size(); ++j) {
      const double want = std::pow(c.perRepeat, static_cast<double>(j));
      ASSERT_NEAR(s[j], want, 1e-4 + 0.025 * j) << c.feedback << " repeat " << j;
    }
  }
  for (int mode : {CModDelay::kChorus, CModDelay::kVibrato}) {
    CModDelay fx;
    fx.Reset(kRate);
    fx.SetParam(CModDelay::kParamMode, static_cast<float>(mode));
    fx.SetParam(CModDelay::kParamFeedback, 80.0f);
    const Stereo out = Play(fx, Impulse(4000));
    for (int i = 1300; i < 4000; ++i) ASSERT_EQ(out.l[i], 0.0f) << "no feedback outside the flanger: " << mode;
  }
}

// At +-100 % feedback a DC offset must not build up in the loop, while the comb still rings:
// an impulse keeps most of its level over many repeats.
TEST_F(CModDelayTest, FlangerAtFullFeedbackNeitherIntegratesDcNorStopsRinging) {
  for (float feedback : {100.0f, -100.0f}) {
    CModDelay fx;
    fx.Reset(kRate);
    fx.SetParam(CModDelay::kParamRate, 0.5f);
    fx.SetParam(CModDelay::kParamDepth, 100.0f);
    fx.SetParam(CModDelay::kParamFeedback, feedback);
    Stereo dc = Silence(10 * kRate);
    std::fill(dc.l.begin(), dc.l.end(), 0.1f);
    std::fill(dc.r.begin(), dc.r.end(), 0.1f);
    const Stereo out = Play(fx, dc);
    float peak = 0.0f;
    for (int i = 9 * kRate; i < 10 * kRate; ++i) peak = std::max(peak, std::fabs(out.l[i]));
    EXPECT_LT(peak, 0.5f) << feedback;

    CModDelay ring;
    ring.Reset(kRate);
    ring.SetParam(CModDelay::kParamFeedback, feedback);
    const Stereo echoes = Play(ring, Impulse(174 * 21));
    double s = 0.0;
    for (int i = 174 * 20 - 8; i < 174 * 20 + 8; ++i) s += echoes.l[i];
    // At 90 % feedback without a blocker it would be 0.12.
    EXPECT_GT(std::fabs(s / Gain(-3.0)), 0.5) << "the twentieth repeat at " << feedback;
  }
}

TEST_F(CModDelayTest, ParameterRecordTakesTheValuesAndIgnoresUnknownModesAndNonNumbers) {
  CModDelay fx;
  fx.Reset(kRate);
  const auto* p = static_cast<const CModDelay::Params*>(fx.GetParamBlock());
  EXPECT_EQ(p, &fx.GetParams());
  EXPECT_EQ(p->mode, 0);
  EXPECT_EQ(p->lfoRateHz, 0.0f);
  fx.SetParam(CModDelay::kParamRate, 0.2f);
  fx.SetParam(CModDelay::kParamDepth, 25.0f);
  fx.SetParam(CModDelay::kParamFeedback, 10.0f);
  fx.SetParam(CModDelay::kParamMode, 2.0f);
  for (float bad : {3.0f, -1.0f, NAN}) fx.SetParam(CModDelay::kParamMode, bad);
  for (int id : {0, 1, 2}) fx.SetParam(id, INFINITY);
  fx.SetParam(7, 1.0f);
  EXPECT_EQ(p->mode, CModDelay::kVibrato);
  EXPECT_EQ(p->lfoRateHz, 0.2f);
  EXPECT_EQ(p->depthPercent, 25.0f);
  EXPECT_EQ(p->feedbackPercent, 10.0f);

  // Mode 3 after vibrato keeps the vibrato: the output is the delayed signal alone.
  const Stereo out = Play(fx, Impulse(512));
  EXPECT_NEAR(out.l[0], Gain(-96.0), 1e-9);
}

TEST_F(CModDelayTest, ProcessingAndParameterChangesAllocateNothingAndEmptyPeriodsDoNothing) {
  CModDelay fx;
  fx.Reset(kRate);
  Stereo s = Noise(kBlock, 4u);
  std::vector<float> sc(kBlock, 0.0f);
  float* bufs[4] = {s.l.data(), s.r.data(), sc.data(), sc.data()};
  {
    testing_support::AllocGuard guard;
    for (int p = 0; p < 100; ++p) {
      fx.SetParam(p % 4, static_cast<float>(p % 3));
      fx.Process(bufs, bufs, kBlock, 1.0f);
    }
    EXPECT_EQ(guard.Count(), 0u);
  }
  const Stereo kept = s;
  fx.Process(bufs, bufs, 0, 1.0f);
  fx.Process(bufs, bufs, -1, 1.0f);
  EXPECT_EQ(s.l, kept.l);
}

// The block form renders the LFO and works out the delays four frames at a time, and reads
// four frames before it writes them where the delay allows; every output sample and the
// state carried on must be what the frame-by-frame steps give. Each case runs one mode,
// then the next, from the state the first left.
TEST(CModDelayLanes, BlockFormMatchesTheFrameByFrameSteps) {
  platform::ScopedFlushToZero ftz;
  struct Case {
    const char* what;
    float sampleRate;
    int frames;
    float rate, depth, feedback;
    int firstMode;
  };
  const Case cases[] = {
      {"page defaults", 48000.0f, 128, 0.0f, 0.0f, 0.0f, CModDelay::kFlanger},
      {"flanger, full feedback", 48000.0f, 128, 0.5f, 100.0f, 100.0f, CModDelay::kFlanger},
      {"flanger, negative feedback", 48000.0f, 128, 3.0f, 70.0f, -100.0f, CModDelay::kFlanger},
      {"chorus", 48000.0f, 128, 2.0f, 50.0f, 40.0f, CModDelay::kChorus},
      // Full depth sweeps the delay down to 0: those frames must not read ahead of the writes.
      {"vibrato to no delay", 48000.0f, 128, 5.0f, 100.0f, 0.0f, CModDelay::kVibrato},
      {"fast vibrato, odd period", 44100.0f, 37, 37.0f, 100.0f, 80.0f, CModDelay::kVibrato},
      {"backwards sweep", 48000.0f, 100, -11.0f, 90.0f, 60.0f, CModDelay::kChorus},
      {"flanger under four samples", 8000.0f, 64, 1.3f, 100.0f, 60.0f, CModDelay::kFlanger},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CModDelay lanes, reference;
    for (CModDelay* fx : {&lanes, &reference}) {
      fx->Reset(c.sampleRate);
      fx->SetParam(CModDelay::kParamMode, static_cast<float>(c.firstMode));
      fx->SetParam(CModDelay::kParamRate, c.rate);
      fx->SetParam(CModDelay::kParamDepth, c.depth);
      fx->SetParam(CModDelay::kParamFeedback, c.feedback);
    }
    effect_buffers::ExpectLanesMatchReference(lanes, reference, c.frames, 0.8f, 0.5f, 120, 31u, 0.0f);
    for (CModDelay* fx : {&lanes, &reference}) fx->SetParam(CModDelay::kParamMode, static_cast<float>((c.firstMode + 1) % 3));
    effect_buffers::ExpectLanesMatchReference(lanes, reference, c.frames, 1.0f, 0.5f, 120, 37u, 0.0f);
  }
}

}  // namespace
