#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "audio/AudioDetector.h"
#include "audio/CDynamicProcessor.h"
#include "platform/Denormals.h"
#include "tests/audio/EffectBuffers.h"
#include "tests/support/AllocCounter.h"

namespace {

constexpr int kRate = 48000;
constexpr int kBlock = 128;

double Db(double v) { return 20.0 * std::log10(v); }

std::vector<float> Sine(double hz, double dbfs, int n) {
  std::vector<float> x(n);
  const double a = std::pow(10.0, dbfs / 20.0);
  for (int i = 0; i < n; ++i) x[i] = static_cast<float>(a * std::sin(2.0 * M_PI * hz * i / kRate));
  return x;
}

float Peak(const std::vector<float>& y, std::size_t from) {
  float p = 0.0f;
  for (std::size_t i = from; i < y.size(); ++i) p = std::max(p, std::fabs(y[i]));
  return p;
}

class CDynamicProcessorTest : public ::testing::Test {
 protected:
  void SetUp() override { fx_.Reset(kRate); }

  // The part's two channels and the drum side-chain, processed in place in periods as the
  // effects engine does.
  struct Signals {
    std::vector<float> ch[4];
  };
  void Run(Signals& s, float level = 1.0f) {
    const std::size_t n = s.ch[0].size();
    for (auto& c : s.ch) c.resize(n, 0.0f);
    for (std::size_t i = 0; i < n; i += kBlock) {
      const int frames = static_cast<int>(std::min<std::size_t>(kBlock, n - i));
      float* bufs[4] = {s.ch[0].data() + i, s.ch[1].data() + i, s.ch[2].data() + i, s.ch[3].data() + i};
      fx_.Process(bufs, bufs, frames, level);
    }
  }
  const float* Block() { return static_cast<const float*>(fx_.GetParamBlock()); }

  platform::ScopedFlushToZero ftz_;
  CDynamicProcessor fx_;
};

TEST_F(CDynamicProcessorTest, ResetLoadsTheDefaultsAndParametersLandWhereTheyBelong) {
  const CDynamicProcessor::Settings& s = fx_.GetSettings();
  EXPECT_EQ(s.ratio, 1.0f);
  EXPECT_EQ(s.thresholdDb, -10.0f);
  EXPECT_EQ(s.kneeDb, 10.0f);
  EXPECT_EQ(s.limit, 1);
  EXPECT_EQ(s.softKnee, 1);
  EXPECT_EQ(s.mode, 0);
  EXPECT_EQ(s.attackMs, 5.0f);
  EXPECT_EQ(s.releaseMs, 500.0f);
  EXPECT_EQ(s.makeupDb, 0.0f);
  EXPECT_EQ(fx_.DetectionSource(0), 0);
  EXPECT_EQ(fx_.DetectionSource(1), 1);

  fx_.SetParam(CDynamicProcessor::kThreshold, -20.0f);
  fx_.SetParam(CDynamicProcessor::kKnee, 6.0f);
  fx_.SetParam(CDynamicProcessor::kAttack, 0.01f);
  fx_.SetParam(CDynamicProcessor::kRelease, 0.25f);
  fx_.SetParam(CDynamicProcessor::kMakeup, 3.0f);
  fx_.SetParam(CDynamicProcessor::kRatio, 4.0f);
  fx_.SetParam(7, 99.0f);  // unknown: nothing stored
  EXPECT_EQ(s.thresholdDb, -20.0f);
  EXPECT_EQ(s.kneeDb, 6.0f);
  EXPECT_FLOAT_EQ(s.attackMs, 10.0f);
  EXPECT_FLOAT_EQ(s.releaseMs, 250.0f);
  EXPECT_EQ(s.makeupDb, 3.0f);
  EXPECT_EQ(s.ratio, 4.0f);
  EXPECT_EQ(s.limit, 1);
  for (float on : {1.0f, 0.5f, -1.0f}) {
    fx_.SetParam(CDynamicProcessor::kSideChain, on);
    EXPECT_EQ(fx_.DetectionSource(0), 2);
    EXPECT_EQ(fx_.DetectionSource(1), 3);
  }
  fx_.SetParam(CDynamicProcessor::kSideChain, 0.0f);
  EXPECT_EQ(fx_.DetectionSource(0), 0);
  EXPECT_EQ(fx_.DetectionSource(1), 1);

  fx_.Reset(kRate);
  EXPECT_EQ(s.thresholdDb, -10.0f);
  EXPECT_EQ(s.attackMs, 5.0f);
}

TEST_F(CDynamicProcessorTest, AttackAndReleaseInSecondsReproduceTheResetCoefficients) {
  const double attack = std::exp(-0.9996723532676697 / (5.0 * kRate * 0.001));
  const double release = std::exp(-0.99967235 / (500.0 * kRate * 0.001));
  for (int c = 0; c < 2; ++c) {
    EXPECT_NEAR(fx_.InputDetector(c).AttackCoefficient(), attack, 1e-7);
    EXPECT_NEAR(fx_.InputDetector(c).ReleaseCoefficient(), release, 1e-7);
  }
  const float a = fx_.InputDetector(0).AttackCoefficient();
  const float r = fx_.InputDetector(0).ReleaseCoefficient();
  fx_.SetParam(CDynamicProcessor::kAttack, 0.1f);
  fx_.SetParam(CDynamicProcessor::kRelease, 2.0f);
  EXPECT_NE(fx_.InputDetector(1).AttackCoefficient(), a);
  fx_.SetParam(CDynamicProcessor::kAttack, 0.005f);
  fx_.SetParam(CDynamicProcessor::kRelease, 0.5f);
  for (int c = 0; c < 2; ++c) {
    EXPECT_EQ(fx_.InputDetector(c).AttackCoefficient(), a);
    EXPECT_EQ(fx_.InputDetector(c).ReleaseCoefficient(), r);
  }
}

// Default threshold -10 dB with a 10 dB knee, limiting: loud input is held at the
// threshold, input below the knee (-15 dBFS) passes untouched.
TEST_F(CDynamicProcessorTest, LoudSinesAreLimitedToTheThresholdAndQuietOnesPassUnchanged) {
  struct Case {
    double dbfs;
    float level;
    double wantPeakDb;
    double tolDb;
  };
  const Case cases[] = {{0.0, 1.0f, -10.0, 0.3}, {6.0, 1.0f, -10.0, 0.3}, {-3.0, 0.5f, -16.02, 0.3}};
  for (const Case& c : cases) {
    fx_.Reset(kRate);
    Signals s;
    s.ch[0] = Sine(1000.0, c.dbfs, kRate);
    s.ch[1] = Sine(440.0, c.dbfs, kRate);
    Run(s, c.level);
    for (int ch = 0; ch < 2; ++ch)
      EXPECT_NEAR(Db(Peak(s.ch[ch], kRate / 2)), c.wantPeakDb, c.tolDb) << c.dbfs << " dBFS, channel " << ch;
  }
  for (float level : {1.0f, 0.5f}) {
    fx_.Reset(kRate);
    Signals s;
    s.ch[0] = Sine(1000.0, -15.5, kRate / 4);
    s.ch[1] = Sine(100.0, -40.0, kRate / 4);
    const Signals in = s;
    Run(s, level);
    for (int ch = 0; ch < 2; ++ch)
      for (std::size_t i = 0; i < s.ch[ch].size(); ++i) ASSERT_EQ(s.ch[ch][i], in.ch[ch][i] * level) << ch << " " << i;
  }
}

TEST_F(CDynamicProcessorTest, MakeUpGainLiftsTheLimitedOutput) {
  fx_.SetParam(CDynamicProcessor::kMakeup, 6.0f);
  Signals s;
  s.ch[0] = Sine(1000.0, 0.0, kRate);
  s.ch[1] = Sine(1000.0, 0.0, kRate);
  Run(s);
  EXPECT_NEAR(Db(Peak(s.ch[0], kRate / 2)), -4.0, 0.3);
}

TEST_F(CDynamicProcessorTest, TheSideChainDrivesTheGainOfThePartsOwnSignal) {
  fx_.SetParam(CDynamicProcessor::kSideChain, 1.0f);
  // Silent drums: a loud part passes unattenuated.
  Signals quietDrums;
  quietDrums.ch[0] = Sine(1000.0, 0.0, kRate / 2);
  quietDrums.ch[1] = Sine(1000.0, 0.0, kRate / 2);
  const Signals in = quietDrums;
  Run(quietDrums);
  EXPECT_EQ(quietDrums.ch[0], in.ch[0]);
  EXPECT_EQ(quietDrums.ch[1], in.ch[1]);

  // Loud drums: a quiet part is pulled down by the drums' excess over the threshold, and
  // the drums themselves pass through untouched.
  fx_.Reset(kRate);
  Signals loudDrums;
  loudDrums.ch[0] = Sine(1000.0, -20.0, kRate);
  loudDrums.ch[1] = Sine(1000.0, -20.0, kRate);
  loudDrums.ch[2] = Sine(60.0, 0.0, kRate);
  loudDrums.ch[3] = Sine(60.0, 0.0, kRate);
  const Signals drumsIn = loudDrums;
  Run(loudDrums);
  for (int ch = 0; ch < 2; ++ch) EXPECT_NEAR(Db(Peak(loudDrums.ch[ch], kRate / 2)), -30.0, 0.5) << ch;
  EXPECT_EQ(loudDrums.ch[2], drumsIn.ch[2]);
  EXPECT_EQ(loudDrums.ch[3], drumsIn.ch[3]);
}

// The page reads six words: output levels, 1 - gain, input levels (linear), left then right.
TEST_F(CDynamicProcessorTest, TheMeterBlockShowsOutputReductionAndInputPerChannel) {
  Signals s;
  s.ch[0] = Sine(1000.0, 0.0, kRate);
  s.ch[1] = Sine(1000.0, -20.0, kRate);
  Run(s);
  const float* block = Block();
  EXPECT_NEAR(block[0], 0.316, 0.02);  // -10 dB
  EXPECT_NEAR(block[1], 0.1, 0.005);
  EXPECT_NEAR(block[2], 0.68, 0.02);
  EXPECT_EQ(block[3], 0.0f);
  EXPECT_NEAR(block[4], 1.0, 0.05);  // the peak envelope sags between crests
  EXPECT_NEAR(block[5], 0.1, 0.005);

  // Silence decays the meters with the release time; an empty detector reads -96 dB.
  fx_.Reset(kRate);
  Signals quiet;
  quiet.ch[0].assign(kBlock, 0.0f);
  quiet.ch[1].assign(kBlock, 0.0f);
  Run(quiet);
  EXPECT_NEAR(block[4], std::pow(10.0, -96.0 / 20.0), 1e-9);
  EXPECT_EQ(block[2], 0.0f);
}

// A knee of 0 would make the soft-knee formula 0/0 when the level meets the threshold (two
// -96 dB readings on silence); negative times would make the envelope diverge.
TEST_F(CDynamicProcessorTest, KneeZeroAndNegativeTimesStayFiniteAndActAsLimits) {
  fx_.SetParam(CDynamicProcessor::kKnee, 0.0f);
  fx_.SetParam(CDynamicProcessor::kThreshold, -96.0f);
  Signals silent;
  silent.ch[0].assign(kBlock, 0.0f);
  silent.ch[1].assign(kBlock, 0.0f);
  Run(silent);
  for (float v : silent.ch[0]) ASSERT_EQ(v, 0.0f);
  EXPECT_EQ(Block()[2], 0.0f);

  fx_.SetParam(CDynamicProcessor::kThreshold, -10.0f);
  Signals loud;
  loud.ch[0] = Sine(1000.0, 0.0, kRate);
  loud.ch[1] = Sine(1000.0, -10.5, kRate);
  Run(loud);
  EXPECT_NEAR(Db(Peak(loud.ch[0], kRate / 2)), -10.0, 0.3);  // hard knee: held at the threshold
  EXPECT_NEAR(Db(Peak(loud.ch[1], kRate / 2)), -10.5, 0.01);

  fx_.SetParam(CDynamicProcessor::kAttack, -0.01f);
  fx_.SetParam(CDynamicProcessor::kRelease, -1.0f);
  for (int c = 0; c < 2; ++c) {
    EXPECT_GE(fx_.InputDetector(c).AttackCoefficient(), 0.0f);
    EXPECT_LT(fx_.InputDetector(c).AttackCoefficient(), 1.0f);
    EXPECT_GE(fx_.InputDetector(c).ReleaseCoefficient(), 0.0f);
    EXPECT_LT(fx_.InputDetector(c).ReleaseCoefficient(), 1.0f);
  }
  Signals again;
  again.ch[0] = Sine(1000.0, 0.0, kRate);
  again.ch[1] = Sine(1000.0, 0.0, kRate);
  Run(again);
  for (float v : again.ch[0]) ASSERT_TRUE(std::isfinite(v));
  EXPECT_LE(Peak(again.ch[0], 0), 1.0f);
  EXPECT_NEAR(Db(Peak(again.ch[0], kRate / 2)), -10.0, 0.3);
}

// One channel written straight from the processor's description, a frame at a time: a peak
// detector in dB, the limiting soft-knee gain computer, make-up, and the output meter.
struct ReferenceChannel {
  float attack, release, thresholdDb, kneeDb, makeup;
  float inEnv = 0.0f, outEnv = 0.0f;
  float gain = 1.0f, inDb = -96.0f, outDb = -96.0f;

  float Detect(float& env, float x) const {
    const float v = std::fabs(x);
    env = v + (env - v) * (env < v ? attack : release);
    if (std::fabs(env) < 1.1754944e-38f) env = 0.0f;
    if (env < 0.0f) env = 0.0f;
    return env > 0.0f ? 20.0f * std::log10(env) : -96.0f;
  }
  float Step(float detect, float x, float level) {
    inDb = Detect(inEnv, detect);
    const float d = inDb - thresholdDb, w = kneeDb;
    float y = thresholdDb;
    if (2.0f * d < -w) y = inDb;
    else if (std::fabs(2.0f * d) <= w) y = inDb - (d + w / 2.0f) * (d + w / 2.0f) / (2.0f * w);
    gain = std::pow(10.0f, (y - inDb) / 20.0f);
    const float out = gain * x * level * makeup;
    outDb = Detect(outEnv, out);
    return out;
  }
};

// The page may read the meter block between any two periods, so after every period it must
// hold what the last frame left there, whatever the period length.
TEST_F(CDynamicProcessorTest, EveryPeriodEndsWithTheLastFramesOutputAndMeters) {
  constexpr double kAttackS = 0.002, kReleaseS = 0.1;
  fx_.SetParam(CDynamicProcessor::kThreshold, -12.0f);
  fx_.SetParam(CDynamicProcessor::kKnee, 6.0f);
  fx_.SetParam(CDynamicProcessor::kAttack, static_cast<float>(kAttackS));
  fx_.SetParam(CDynamicProcessor::kRelease, static_cast<float>(kReleaseS));
  fx_.SetParam(CDynamicProcessor::kMakeup, 2.0f);
  const float attack = static_cast<float>(std::exp(-0.9996723532676697 / (kAttackS * 1000.0 * kRate * 0.001)));
  const float release = static_cast<float>(std::exp(-0.99967235 / (kReleaseS * 1000.0 * kRate * 0.001)));
  const float makeup = std::pow(10.0f, 2.0f / 20.0f);
  ReferenceChannel ref[2] = {{attack, release, -12.0f, 6.0f, makeup}, {attack, release, -12.0f, 6.0f, makeup}};

  // Swells from -30 to +3 dBFS and back, so the level crosses the knee both ways.
  constexpr int kFrames = kRate / 2;
  std::vector<float> x[2];
  for (int c = 0; c < 2; ++c) {
    x[c].resize(kFrames);
    for (int i = 0; i < kFrames; ++i) {
      const double db = -30.0 + 33.0 * std::sin(M_PI * i / kFrames) - 4.0 * c;
      x[c][i] = static_cast<float>(std::pow(10.0, db / 20.0) * std::sin(2.0 * M_PI * 700.0 * i / kRate));
    }
  }
  constexpr float kLevel = 0.7f;
  int i = 0;
  for (int period = 0; i < kFrames; ++period) {
    const int frames = std::min(kFrames - i, 1 + (period * 37) % 150);
    std::vector<float> b[4] = {{x[0].begin() + i, x[0].begin() + i + frames},
                               {x[1].begin() + i, x[1].begin() + i + frames},
                               std::vector<float>(frames, 0.0f), std::vector<float>(frames, 0.0f)};
    float* bufs[4] = {b[0].data(), b[1].data(), b[2].data(), b[3].data()};
    fx_.Process(bufs, bufs, frames, kLevel);
    for (int c = 0; c < 2; ++c)
      for (int k = 0; k < frames; ++k) {
        const float want = ref[c].Step(x[c][i + k], x[c][i + k], kLevel);
        ASSERT_NEAR(b[c][k], want, 1e-5f * std::fabs(want) + 1e-9f) << "channel " << c << " frame " << i + k;
      }
    i += frames;
    const float want[6] = {std::pow(10.0f, ref[0].outDb / 20.0f), std::pow(10.0f, ref[1].outDb / 20.0f),
                           1.0f - ref[0].gain,                     1.0f - ref[1].gain,
                           std::pow(10.0f, ref[0].inDb / 20.0f),  std::pow(10.0f, ref[1].inDb / 20.0f)};
    for (int m = 0; m < 6; ++m)
      ASSERT_NEAR(Block()[m], want[m], 1e-5f * std::fabs(want[m]) + 1e-7f) << "word " << m << " after frame " << i;
  }
  EXPECT_GT(Block()[2], 0.1f);  // the swell ended well inside the compression
}

// The four-lane form takes the levels' logarithm and the gains' power from polynomials;
// against the library's functions, frame by frame, it may differ only by rounding: 2e-6 of
// the loudest output (0.00002 dB), over levels from -100 dB to +12 dB at each setting,
// across the knee and both sides of it. The output meter follows those samples (1e-5 of
// its reading, 40 dB down and more); the input and reduction meters come from the same
// scalar path as before and must not differ at all.
TEST(CDynamicProcessorLanes, GainsMatchTheScalarReferenceAcrossLevelsAndSettings) {
  platform::ScopedFlushToZero ftz;
  struct Setting {
    float thresholdDb, kneeDb, attackS, releaseS, makeupDb;
  };
  const Setting settings[] = {
      {-10.0f, 10.0f, 0.005f, 0.5f, 0.0f},    // the page's defaults
      {-30.0f, 6.0f, 0.0005f, 0.05f, 12.0f},  // deep, fast, lifted
      {0.0f, 0.0f, 0.001f, 0.2f, -6.0f},      // hard knee at full scale
      {-60.0f, 40.0f, 0.02f, 1.0f, 3.0f},     // wide knee reaching far down
      {-96.0f, 0.0f, -1.0f, -1.0f, 0.0f},     // immediate response down at the floor
  };
  const float amplitudes[] = {1e-5f, 3e-3f, 0.1f, 0.3f, 1.0f, 4.0f};
  for (const Setting& st : settings) {
    for (float amplitude : amplitudes) {
      SCOPED_TRACE(testing::Message() << "threshold " << st.thresholdDb << " knee " << st.kneeDb << " amplitude "
                                      << amplitude);
      CDynamicProcessor lanes, reference;
      for (CDynamicProcessor* fx : {&lanes, &reference}) {
        fx->Reset(kRate);
        fx->SetParam(CDynamicProcessor::kThreshold, st.thresholdDb);
        fx->SetParam(CDynamicProcessor::kKnee, st.kneeDb);
        fx->SetParam(CDynamicProcessor::kAttack, st.attackS);
        fx->SetParam(CDynamicProcessor::kRelease, st.releaseS);
        fx->SetParam(CDynamicProcessor::kMakeup, st.makeupDb);
      }
      const float loudest = amplitude * std::pow(10.0f, st.makeupDb / 20.0f);
      // 131 frames: a period that is not a whole number of lanes.
      effect_buffers::ExpectLanesMatchReference(lanes, reference, 131, 0.8f, amplitude, 12, 7u, 2e-6f * loudest);
      const float* a = static_cast<const float*>(lanes.GetParamBlock());
      const float* b = static_cast<const float*>(reference.GetParamBlock());
      for (int m = 2; m < 6; ++m) EXPECT_EQ(a[m], b[m]) << "word " << m;
      for (int m = 0; m < 2; ++m) EXPECT_NEAR(a[m], b[m], 1e-5f * b[m]) << "word " << m;
    }
  }
}

// An infinite side-chain sample leaves the detectors' envelopes NaN (inf - inf) until the
// next Reset, which reads as the floor: nothing is taken off. The lanes must do the same,
// never turning the part's output into NaN.
TEST_F(CDynamicProcessorTest, AnInfiniteSideChainSampleReadsAsTheFloorInBothForms) {
  fx_.SetParam(CDynamicProcessor::kSideChain, 1.0f);
  CDynamicProcessor reference;
  reference.Reset(kRate);
  reference.SetParam(CDynamicProcessor::kSideChain, 1.0f);
  std::vector<float> b[2][4];
  for (auto& bufs : b) {
    bufs[0] = Sine(1000.0, -6.0, kBlock);
    bufs[1] = Sine(500.0, 3.0, kBlock);
    bufs[2].assign(kBlock, 0.0f);
    bufs[3].assign(kBlock, 0.0f);
    bufs[2][40] = INFINITY;
    bufs[3][41] = -INFINITY;
  }
  float* lanes[4] = {b[0][0].data(), b[0][1].data(), b[0][2].data(), b[0][3].data()};
  float* scalar[4] = {b[1][0].data(), b[1][1].data(), b[1][2].data(), b[1][3].data()};
  fx_.Process(lanes, lanes, kBlock, 1.0f);
  reference.ProcessReference(scalar, scalar, kBlock, 1.0f);
  for (int ch = 0; ch < 2; ++ch)
    for (int i = 0; i < kBlock; ++i) {
      ASSERT_FALSE(std::isnan(b[0][ch][i])) << ch << " " << i;
      ASSERT_NEAR(b[0][ch][i], b[1][ch][i], 1e-6f) << ch << " " << i;
    }
  EXPECT_EQ(b[0][0][kBlock - 1], Sine(1000.0, -6.0, kBlock)[kBlock - 1]);
  EXPECT_EQ(b[0][1][kBlock - 1], Sine(500.0, 3.0, kBlock)[kBlock - 1]);
}

// The detector's own rules: mean square and RMS, clamping, and the dB floor.
TEST(AudioDetector, ModesFollowASteadyInput) {
  struct Case {
    int32_t mode;
    bool log;
    bool clamp;
    float x;
    float want;
  };
  const Case cases[] = {
      {AudioDetector::kPeak, false, false, -0.5f, 0.5f},
      {AudioDetector::kMeanSquare, false, false, -0.5f, 0.25f},
      {AudioDetector::kRms, false, false, -0.5f, 0.5f},
      {AudioDetector::kPeak, true, false, 0.1f, -20.0f},
      {AudioDetector::kMeanSquare, true, false, 0.1f, -40.0f},
      {AudioDetector::kPeak, false, true, 3.0f, 1.0f},
      {AudioDetector::kPeak, false, false, 3.0f, 3.0f},
      {AudioDetector::kPeak, true, false, 0.0f, -96.0f},
  };
  for (const Case& c : cases) {
    AudioDetector d;
    d.SetDetectMode(c.mode);
    d.SetLogOutput(c.log);
    d.SetClampToOne(c.clamp);
    d.SetAttackTime(1.0f);
    d.SetReleaseTime(10.0f);
    d.Reset(48000.0f);
    float y = 0.0f;
    for (int i = 0; i < 4800; ++i) y = d.ProcessSample(c.x);
    EXPECT_NEAR(y, c.want, 1e-4f) << "mode " << c.mode << " x " << c.x;
  }
}

// Two detectors followed in lanes give what each gives sample by sample, in every mode,
// with and without the clamp, and when the two are set up differently.
TEST(AudioDetector, APairInLanesFollowsAsEachDoesAlone) {
  platform::ScopedFlushToZero ftz;  // as on the audio thread: NEON always flushes
  struct Side {
    int32_t mode;
    bool clamp;
  };
  struct Case {
    Side a, b;
  };
  const Case cases[] = {
      {{AudioDetector::kPeak, false}, {AudioDetector::kPeak, false}},
      {{AudioDetector::kPeak, true}, {AudioDetector::kPeak, true}},
      {{AudioDetector::kMeanSquare, false}, {AudioDetector::kMeanSquare, false}},
      {{AudioDetector::kRms, true}, {AudioDetector::kRms, true}},
      {{AudioDetector::kPeak, false}, {AudioDetector::kRms, true}},
  };
  constexpr int kFrames = 301;
  const std::vector<float> xa = effect_buffers::Noise(kFrames, 3), xb = Sine(50.0, 9.0, kFrames);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "modes " << c.a.mode << "/" << c.b.mode << " clamps " << c.a.clamp << "/"
                                    << c.b.clamp);
    AudioDetector pair[2], alone[2];
    const Side sides[2] = {c.a, c.b};
    for (int k = 0; k < 2; ++k) {
      for (AudioDetector* d : {&pair[k], &alone[k]}) {
        d->SetDetectMode(sides[k].mode);
        d->SetClampToOne(sides[k].clamp);
        d->SetAttackTime(0.5f + k);
        d->SetReleaseTime(20.0f);
        d->Reset(48000.0f);
      }
    }
    std::vector<float> envelopes(2 * kFrames + 2, -1.0f);
    AudioDetector::TrackPair(pair[0], pair[1], xa.data(), xb.data(), envelopes.data(), kFrames);
    for (int i = 0; i < kFrames; ++i) {
      alone[0].Track(xa[i]);
      alone[1].Track(xb[i]);
      ASSERT_EQ(envelopes[2 * i], alone[0].Envelope()) << i;
      ASSERT_EQ(envelopes[2 * i + 1], alone[1].Envelope()) << i;
    }
    EXPECT_EQ(envelopes[2 * kFrames], 0.0f);
    EXPECT_EQ(envelopes[2 * kFrames + 1], 0.0f);
    EXPECT_EQ(pair[0].Envelope(), alone[0].Envelope());
    EXPECT_EQ(pair[1].Envelope(), alone[1].Envelope());
  }
}

TEST_F(CDynamicProcessorTest, ProcessAndSetParamAllocateNothing) {
  std::vector<float> b[4];
  float* bufs[4];
  for (int k = 0; k < 4; ++k) {
    b[k] = Sine(300.0 + 100 * k, -3.0, kBlock);
    bufs[k] = b[k].data();
  }
  testing_support::AllocGuard guard;
  for (int p = 0; p < 70; ++p) {
    fx_.SetParam(p % 7, p % 7 == 2 ? p % 2 : 0.01f * p);
    fx_.Process(bufs, bufs, kBlock, 1.0f);
  }
  fx_.Process(bufs, bufs, 0, 1.0f);
  EXPECT_EQ(guard.Count(), 0u);
}

}  // namespace
