#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "tests/engine/AlgOscFixture.h"
#include "tests/support/LogCapture.h"

namespace {

using algosc_test::AlgOscFixture;
using algosc_test::Increment;
using algosc_test::Interpolated;
using algosc_test::kFrames;
using algosc_test::Stereo;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

std::vector<float> Constant(float v, int n = kFrames) { return std::vector<float>(n, v); }

using AlgOscRender = AlgOscFixture;

TEST_F(AlgOscRender, SingleVoiceAtCentreIsTheInterpolatedTableTimes17OnBothSides) {
  osc_.SetAlgorithm(1);
  osc_.SetShape(0.3f);
  Settle(osc_);
  const Stereo out = Block(440.0f);  // first table, taken at the first sample after Reset
  const float* t = osc_.Table(1);
  const uint32_t inc = Increment(440.0f);
  for (int n = 0; n < kFrames; ++n) {
    const float expected = Interpolated(t, static_cast<uint32_t>(n + 1) * inc) * 1.7f;
    EXPECT_NEAR(out.left[n], expected, 1e-6f) << n;
    EXPECT_EQ(out.left[n], out.right[n]) << n;
  }
}

TEST_F(AlgOscRender, PhaseModulationIsASaturatedOffset) {
  struct Case {
    float pm;
    uint32_t offset;
  };
  const Case cases[] = {{-0.5f, 0u},          {0.25f, 1u << 30},  {1.0f, 0xFFFFFFFFu}, {7.5f, 0xFFFFFFFFu},
                        {kNaN, 0u},           {-kInf, 0u},        {kInf, 0xFFFFFFFFu}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pm);
    AlgOsc osc;
    Prepare(osc);
    const std::vector<float> pm = Constant(c.pm);
    const Stereo out = Block(osc, 440.0f, pm.data());
    const uint32_t inc = Increment(440.0f);
    for (int n = 0; n < kFrames; ++n) {
      const uint32_t phase = static_cast<uint32_t>(n + 1) * inc + c.offset;
      ASSERT_NEAR(out.left[n], Interpolated(osc.Table(1), phase) * 1.7f, 1e-6f) << n;
    }
  }
}

TEST_F(AlgOscRender, MutedBlocksAreSilentWhileThePhaseAndHandOversRunOn) {
  AlgOsc reference;
  Prepare(reference);
  osc_.SetMute(true);
  for (AlgOsc* osc : {&osc_, &reference}) osc->SetPhaseReset(true);
  // A new table every block and a restart in the last muted block: the unmuted blocks only
  // match if the muted render took the tables and ran the crossfade countdown.
  for (int block = 0; block < 4; ++block) {
    for (AlgOsc* osc : {&osc_, &reference}) {
      osc->SetAlgorithm(block + 1);
      if (block == 3) osc->ArmRestart();
    }
    const Stereo muted = Block(osc_, 700.0f);
    Block(reference, 700.0f);
    for (int n = 0; n < kFrames; ++n) {
      ASSERT_EQ(muted.left[n], 0.0f);
      ASSERT_EQ(muted.right[n], 0.0f);
    }
  }
  osc_.SetMute(false);
  for (int block = 0; block < 3; ++block) {
    const Stereo a = Block(osc_, 700.0f);
    const Stereo b = Block(reference, 700.0f);
    EXPECT_EQ(a.left, b.left);
    EXPECT_EQ(a.right, b.right);
  }
}

TEST_F(AlgOscRender, PanGainsAgainstTheCentre) {
  struct Case {
    float pan;
    float input;
    float left;
    float right;
  };
  const Case cases[] = {
      {0.5f, 0.0f, 0.5f, 1.0f}, {-0.5f, 0.0f, 1.0f, 0.5f}, {-1.0f, 0.0f, 1.0f, 0.0f},
      {1.0f, 0.0f, 0.0f, 1.0f}, {0.0f, -1.0f, 1.0f, 0.0f},  // the pan input adds to the smoothed pan
      {1.5f, 0.0f, -0.5f, 1.0f},                            // beyond 1 the left side inverts
      {0.5f, 1e30f, -1.0f, 1.0f},                           // up to its full gain, at 2
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.pan << " + " << c.input);
    AlgOsc centre;
    AlgOsc panned;
    Prepare(centre);
    Prepare(panned);
    float panInput = c.input;
    panned.SetInput(AlgOsc::kInputPan, &panInput);
    panned.SetPan(c.pan);
    Settle(panned);
    const Stereo a = Block(centre, 330.0f);
    const Stereo b = Block(panned, 330.0f);
    for (int n = 0; n < kFrames; ++n) {
      ASSERT_NEAR(b.left[n], a.left[n] * c.left, 1e-5f) << n;
      ASSERT_NEAR(b.right[n], a.right[n] * c.right, 1e-5f) << n;
    }
  }
}

TEST_F(AlgOscRender, TwoVoicesWithSpreadApartAndFullyCrossed) {
  for (const float spread : {0.0f, 1.0f}) {  // Spread 100 and Spread 0
    SCOPED_TRACE(spread);
    AlgOsc pair;
    Prepare(pair);
    pair.SetUnison(2);
    pair.SetSpread(spread);
    Settle(pair);
    const Stereo out = Block(pair, 500.0f);
    // Each unison voice alone, at the frequency the pair gave it, level 1.7.
    AlgOsc voice0;
    AlgOsc voice1;
    Prepare(voice0);
    Prepare(voice1);
    const Stereo v0 = Block(voice0, pair.UnisonFrequency(0));
    const Stereo v1 = Block(voice1, pair.UnisonFrequency(1));
    EXPECT_LT(pair.UnisonFrequency(0), 500.0f);
    EXPECT_GT(pair.UnisonFrequency(1), 500.0f);
    for (int n = 0; n < kFrames; ++n) {
      const float a = v0.left[n] / 1.7f;
      const float b = v1.left[n] / 1.7f;
      ASSERT_NEAR(out.left[n], (a - spread * b) * 1.53f, 1e-5f) << n;
      ASSERT_NEAR(out.right[n], (b - spread * a) * 1.53f, 1e-5f) << n;
    }
  }
}

TEST_F(AlgOscRender, ThreeVoiceDetuneAndTheLinePrintedOncePerRestart) {
  testing_support::LogCapture log;
  osc_.SetUnison(3);
  Block(440.0f);
  EXPECT_NEAR(osc_.UnisonFrequency(1), 434.946f, 1e-3f);
  EXPECT_EQ(osc_.UnisonFrequency(0), 440.0f);
  EXPECT_NEAR(osc_.UnisonFrequency(2), 445.113f, 1e-3f);
  EXPECT_EQ(log.Text(), "");
  osc_.ArmRestart();
  osc_.ArmRestart();  // still pending: no second restart
  Block(440.0f);
  Block(440.0f);
  const char* line = "OscDetune:  434.95  440.00  445.11 (  10.17) \n";
  EXPECT_EQ(log.Text(), line);
  osc_.ArmRestart();
  Block(440.0f);
  EXPECT_EQ(log.Text(), std::string(line) + line);
}

TEST_F(AlgOscRender, SetUnisonLimitsTheCount) {
  struct Case {
    int32_t argument;
    int32_t count;
  };
  osc_.SetUnison(3);
  for (const Case c : {Case{0, 1}, Case{4, 4}, Case{5, 4}, Case{-7, 1}, Case{2, 2}, Case{1000, 2}}) {
    osc_.SetUnison(c.argument);
    const Stereo out = Block(200.0f);
    EXPECT_EQ(osc_.UnisonCount(), c.count) << c.argument;
    if (c.count == 1) {
      EXPECT_EQ(out.left, out.right);
    }
  }
}

// The table hand-over of a voice happens in the four-sample group that holds its wrap.
TEST_F(AlgOscRender, AWrapAtSample5PlaysTheNewTableFromSample4) {
  // 6000 Hz is exactly 8 samples a cycle; a PM of a quarter cycle puts the wraps at 5, 13, ...
  const std::vector<float> pm = Constant(0.25f);
  osc_.SetAlgorithm(0);
  Block(6000.0f, pm.data());  // plays the first table (1) from sample 0
  osc_.SetAlgorithm(4);
  osc_.BuildTable(fft_);  // into table 0, pending
  const Stereo out = RenderOnly(osc_, 6000.0f, pm.data());
  const float* oldTable = osc_.Table(1);
  const float* newTable = osc_.Table(0);
  for (int n = 0; n < kFrames; ++n) {
    const uint32_t index = ((static_cast<uint32_t>(n) + 3u) % 8u) * 32u;  // whole points: no fraction
    const float* t = n < 4 ? oldTable : newTable;
    ASSERT_EQ(out.left[n], t[index] * 1.7f) << n;
  }
  ASSERT_NE(oldTable[7 * 32], newTable[7 * 32]);  // sample 4 tells the two tables apart
}

TEST_F(AlgOscRender, AfterResetEveryVoiceTakesAPendingTableAtItsFirstSample) {
  for (const bool reset : {true, false}) {
    SCOPED_TRACE(reset);
    AlgOsc osc;
    osc.SetSampleRate(algosc_test::kRate);
    osc.SetBlockSize(kFrames);
    if (reset) osc.Reset();
    osc.SetUnison(4);
    osc.SetAlgorithm(0);
    const Stereo out = Block(osc, 20.0f);  // no voice wraps within the block
    double energy = 0.0;
    for (float v : out.left) energy += v * v;
    osc.SetAlgorithm(4);
    osc.BuildTable(fft_);
    if (reset) {
      EXPECT_GT(energy, 1.0);
      EXPECT_EQ(osc.LastBuild().timeBuffer[AlgOsc::kN - 1], 1.0f);  // the next build went ahead
    } else {
      EXPECT_EQ(energy, 0.0);  // still the empty table, waiting for the wraps
      EXPECT_EQ(osc.LastBuild().timeBuffer[AlgOsc::kN - 1], 1.0f - 2.0f / AlgOsc::kN);
    }
  }
}

TEST_F(AlgOscRender, PhaseResetCrossfadesOverTwelveSamplesAndRestartsAtTheOffset) {
  const std::vector<float> pm = Constant(0.25f);
  osc_.SetPhaseReset(true);
  Block(440.0f, pm.data());
  RenderOnly(osc_, 440.0f, pm.data());
  osc_.ArmRestart();
  const Stereo restart = RenderOnly(osc_, 440.0f, pm.data());
  const Stereo after = RenderOnly(osc_, 440.0f, pm.data());
  const float* t = osc_.Table(1);
  const uint32_t inc = Increment(440.0f);
  const uint32_t offset = 1u << 30;
  const float start = t[64];  // the table at the phase offset of sample 12
  for (int n = 0; n < 12; ++n) {
    const uint32_t running = static_cast<uint32_t>(256 + n + 1) * inc + offset;
    const float w = static_cast<float>(12 - n) / 12.0f;
    const float v = static_cast<float>(n) / 12.0f;
    ASSERT_NEAR(restart.left[n], (t[running >> 24] * w + start * v) * 1.7f, 1e-6f) << n;
  }
  EXPECT_NEAR(restart.left[12], start * 1.7f, 1e-6f);
  for (int n = 13; n < kFrames; ++n) {
    ASSERT_NEAR(restart.left[n], Interpolated(t, static_cast<uint32_t>(n - 12) * inc + offset) * 1.7f, 1e-6f)
        << n;
  }
  for (int n = 0; n < kFrames; ++n) {
    ASSERT_NEAR(after.left[n], Interpolated(t, static_cast<uint32_t>(116 + n) * inc + offset) * 1.7f, 1e-6f)
        << n;
  }
}

TEST_F(AlgOscRender, ZeroDeviationRestartsEveryVoiceTogether) {
  osc_.SetUnison(3);
  osc_.SetPhaseReset(true);
  osc_.SetRandomDeviation(0.0f);
  Block(300.0f);
  RenderOnly(osc_, 300.0f);
  osc_.ArmRestart();
  const Stereo out = RenderOnly(osc_, 300.0f);
  const float v = osc_.Table(1)[0];  // every voice at phase 0 at sample 12
  EXPECT_NEAR(out.left[12], 2.0f * v * 1.36f, 1e-6f);
  EXPECT_NEAR(out.right[12], 2.0f * v * 1.36f, 1e-6f);
}

// Rising zero crossings of a rendered sine, interpolated, over many blocks.
double MeasuredFrequency(const std::vector<float>& s) {
  double first = -1.0;
  double last = -1.0;
  int crossings = 0;
  for (size_t n = 1; n < s.size(); ++n) {
    if (s[n - 1] < 0.0f && s[n] >= 0.0f) {
      const double t = static_cast<double>(n - 1) + s[n - 1] / (s[n - 1] - s[n]);
      if (first < 0.0) first = t;
      last = t;
      ++crossings;
    }
  }
  if (crossings < 2) return 0.0;
  return (crossings - 1) * algosc_test::kRate / (last - first);
}

TEST_F(AlgOscRender, TheFundamentalMatchesTheRequestedFrequency) {
  struct Case {
    float frequency;
    float fm;  // linear FM: the instantaneous frequency is f (1 + fm)
    double expected;
  };
  const Case cases[] = {{55.0f, 0.0f, 55.0},     {261.63f, 0.0f, 261.63}, {440.0f, 0.0f, 440.0},
                        {1000.0f, 0.0f, 1000.0}, {3520.0f, 0.0f, 3520.0}, {440.0f, 0.5f, 660.0},
                        {440.0f, -0.25f, 330.0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.frequency);
    AlgOsc osc;
    Prepare(osc);
    osc.SetAlgorithm(1);  // VA Sweep at shape 0: a sine
    const std::vector<float> fm = Constant(c.fm);
    std::vector<float> signal;
    for (int block = 0; block < 200; ++block) {
      const Stereo out = Block(osc, c.frequency, nullptr, fm.data(), 1.0f);
      if (block >= 2) signal.insert(signal.end(), out.left.begin(), out.left.end());
    }
    EXPECT_NEAR(MeasuredFrequency(signal), c.expected, c.expected * 1e-3);
  }
}

TEST_F(AlgOscRender, BadInputGivesFiniteOutputWithinTheBlock) {
  struct Case {
    float frequency;
    float fm;
    float fmAmount;
    float pm;
  };
  const Case cases[] = {
      {0.0f, 0.0f, 0.0f, 0.0f},     {-300.0f, 0.0f, 0.0f, 0.0f}, {48000.0f, 0.0f, 0.0f, 0.0f},
      {1e9f, 0.0f, 0.0f, 0.0f},     {kNaN, 0.0f, 0.0f, 0.0f},    {kInf, 0.0f, 0.0f, 0.0f},
      {440.0f, kNaN, 1.0f, kNaN},   {440.0f, 1e30f, 1e30f, 1e30f}, {440.0f, -1e30f, 1.0f, -1e30f},
      {440.0f, 1.0f, kInf, kInf},   {440.0f, -5.0f, 1.0f, 0.5f},
  };
  for (const int32_t frames : {128, 130, 6, 300}) {
    for (int32_t count = 1; count <= 4; ++count) {
      for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << frames << " frames, count " << count << ", f " << c.frequency
                                        << ", fm " << c.fm << " x " << c.fmAmount << ", pm " << c.pm);
        AlgOsc osc;
        Prepare(osc);
        osc.SetBlockSize(frames);
        osc.SetUnison(count);
        osc.SetPhaseReset(true);
        osc.SetRandomDeviation(0.7f);
        const std::vector<float> fm = Constant(c.fm, frames);
        const std::vector<float> pm = Constant(c.pm, frames);
        std::vector<float> left(frames + 4, 77.0f);
        std::vector<float> right(frames + 4, 77.0f);
        for (int block = 0; block < 4; ++block) {
          if (block == 1) osc.ArmRestart();
          osc.SmoothControls();
          osc.BuildTable(fft_);
          osc.OscDetune(left.data(), right.data(), fm.data(), c.fmAmount, c.frequency, pm.data());
          for (int n = 0; n < frames; ++n) {
            ASSERT_TRUE(std::isfinite(left[n]) && std::isfinite(right[n])) << n;
          }
          for (int n = frames; n < frames + 4; ++n) ASSERT_EQ(left[n], 77.0f);
        }
      }
    }
  }
}

}  // namespace
