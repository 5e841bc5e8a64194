// The stereo delay measured from its outputs: echo positions of impulses, the length in
// force frame by frame (a ramp read back through the line gives it exactly), the feedback
// filters against sox, and the routing of the repeats between the channels.
#include <gtest/gtest.h>


#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "audio/CStereoDelay.h"
#include "platform/Denormals.h"
#include "tests/audio/EffectBuffers.h"
#include "tests/support/AllocCounter.h"
#include "tests/support/RunCommand.h"
#include "tests/support/TestPaths.h"

namespace {

constexpr int kPeriod = 128;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

CStereoDelay::Params& Record(CStereoDelay& fx) { return *static_cast<CStereoDelay::Params*>(fx.GetParamBlock()); }

struct Stereo {
  std::vector<float> left, right;
};

// Runs the inputs through the effect in place, a period at a time, as the effects engine does
// (side-chain buffers alongside).
Stereo RunPeriods(CStereoDelay& fx, std::vector<float> left, std::vector<float> right, float level = 1.0f) {
  std::vector<float> scL(kPeriod), scR(kPeriod);
  for (std::size_t at = 0; at < left.size(); at += kPeriod) {
    const int frames = static_cast<int>(std::min<std::size_t>(kPeriod, left.size() - at));
    float* buffers[4] = {left.data() + at, right.data() + at, scL.data(), scR.data()};
    fx.Process(buffers, buffers, frames, level);
  }
  return {std::move(left), std::move(right)};
}

Stereo RunImpulseLeft(CStereoDelay& fx, int frames, float level = 1.0f) {
  std::vector<float> left(frames), right(frames);
  left[0] = 1.0f;
  return RunPeriods(fx, std::move(left), std::move(right), level);
}

// Feeds the frame number into both inputs at unity gains: a line read at length d then gives
// n - 1 - d exactly (linear interpolation of a ramp is exact), so each output minus its dry
// ramp tells the length each line read at in that frame. The feedback must be silent.
class LengthMeter {
 public:
  explicit LengthMeter(CStereoDelay& fx) : fx_(fx) {}

  // The lengths of the frames run, left and right.
  Stereo Measure(int frames) {
    std::vector<float> ramp(frames);
    for (int i = 0; i < frames; ++i) ramp[i] = static_cast<float>(frame_ + i);
    Stereo out = RunPeriods(fx_, ramp, ramp);
    for (int i = 0; i < frames; ++i) {
      out.left[i] = ramp[i] - 1.0f - (out.left[i] - ramp[i]);
      out.right[i] = ramp[i] - 1.0f - (out.right[i] - ramp[i]);
    }
    frame_ += frames;
    return out;
  }
  // The lengths after `frames` more frames.
  std::pair<float, float> Settle(int frames) {
    const Stereo d = Measure(frames);
    return {d.left.back(), d.right.back()};
  }

 private:
  CStereoDelay& fx_;
  long frame_ = 0;
};

// Index of the largest magnitude in [from, to).
int PeakIndex(const std::vector<float>& x, int from, int to) {
  int best = from;
  for (int i = from; i < to; ++i)
    if (std::fabs(x[i]) > std::fabs(x[best])) best = i;
  return best;
}

double Energy(const std::vector<float>& x, int from, int to) {
  double e = 0.0;
  for (int i = from; i < to; ++i) e += double{x[i]} * x[i];
  return e;
}

class CStereoDelayTest : public ::testing::Test {
 protected:
  platform::ScopedFlushToZero ftz_;
  CStereoDelay fx_;
};

TEST_F(CStereoDelayTest, ResetSizesTheLinesForTheRateAndLoadsTheDefaultRecord) {
  struct Case {
    float rate;
    int32_t lineSize;
  };
  const Case cases[] = {{48000.0f, 131072}, {44100.0f, 131072}, {96000.0f, 262144}, {8000.0f, 32768}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rate);
    fx_.SetParam(0, 0.0f);
    fx_.SetParam(2, 10.0f);
    fx_.Reset(c.rate);
    EXPECT_EQ(fx_.LineSize(), c.lineSize);
    const CStereoDelay::Params& p = Record(fx_);
    EXPECT_EQ(p.algorithm, CStereoDelay::kPingPong);
    EXPECT_EQ(p.wetDb, 0.0f);
    EXPECT_EQ(p.dryDb, 0.0f);
    EXPECT_EQ(p.feedbackPercent, 50.0f);
    EXPECT_EQ(p.delayMode, CStereoDelay::kRatio);
    EXPECT_EQ(p.leftMs, 250.0f);
    EXPECT_EQ(p.rightMs, 250.0f);
    EXPECT_EQ(p.ratioPercent, 50.0f);
  }
}

TEST_F(CStereoDelayTest, LinesAreAllocatedOnceAndLaterResetsOnlyClear) {
  {
    testing_support::AllocGuard guard;
    fx_.Reset(48000.0f);
    fx_.Reset(44100.0f);
    EXPECT_EQ(guard.Count(), 0u);
  }
  fx_.Reset(96000.0f);  // longer lines: the one time they grow
  testing_support::AllocGuard guard;
  fx_.Reset(48000.0f);
  fx_.Reset(96000.0f);
  EXPECT_EQ(guard.Count(), 0u);
}

TEST_F(CStereoDelayTest, ProcessParametersAndClockAllocateNothing) {
  std::vector<float> l(kPeriod, 0.25f), r(kPeriod, -0.25f), s(kPeriod);
  float* buffers[4] = {l.data(), r.data(), s.data(), s.data()};
  testing_support::AllocGuard guard;
  for (int id = 0; id <= 10; ++id) fx_.SetParam(id, id == 1 ? 0.3f : 1000.0f * id);
  fx_.SetParam(8, 3.0f);
  for (unsigned tick = 0; tick < 48; ++tick) {
    fx_.OnClock(tick, 133.0f);
    fx_.Process(buffers, buffers, kPeriod, 1.0f);
  }
  EXPECT_EQ(guard.Count(), 0u);
}

// After Reset the ping-pong routing sends the left input into the right line, whose length is
// half the left one's: 6000 samples, heard one frame later (the read precedes the write).
TEST_F(CStereoDelayTest, OnlyTheFirstEchoSoundsUntilTheFeedbackFiltersAreDesigned) {
  const int frames = 60000;
  Stereo out = RunImpulseLeft(fx_, frames);
  EXPECT_EQ(out.left[0], 1.0f);
  EXPECT_EQ(out.right[6001], 1.0f);
  EXPECT_EQ(Energy(out.left, 1, frames), 0.0);
  EXPECT_EQ(Energy(out.right, 0, frames), 1.0);

  fx_.SetParam(6, 20.0f);
  fx_.SetParam(7, 20000.0f);
  fx_.SetParam(9, 0.0f);
  out = RunImpulseLeft(fx_, frames);
  EXPECT_GT(Energy(out.left, 1, frames), 0.1);

  // A Reset forgets the designs again, even for the rate they were made for.
  fx_.Reset(48000.0f);
  out = RunImpulseLeft(fx_, frames);
  EXPECT_EQ(Energy(out.left, 1, frames), 0.0);
  EXPECT_EQ(Energy(out.right, 0, frames), 1.0);
}

TEST_F(CStereoDelayTest, PingPongAlternatesTheRepeatsAndNormalKeepsThemOnTheirChannel) {
  struct Echo {
    bool left;
    int at;
  };
  struct Case {
    const char* name;
    float routing;
    std::vector<Echo> echoes;
    bool rightSilent;
  };
  // Left 12000 samples; in ping-pong the right line runs at half of it.
  const Case cases[] = {
      {"ping-pong", 1.0f, {{false, 6001}, {true, 18002}, {false, 24003}, {true, 36004}}, false},
      {"normal", 0.0f, {{true, 12001}, {true, 24002}, {true, 36003}}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fx_.Reset(48000.0f);
    fx_.SetParam(0, c.routing);
    fx_.SetParam(6, 20.0f);
    fx_.SetParam(7, 20000.0f);
    const Stereo out = RunImpulseLeft(fx_, 40000);
    double previous = 2.0;
    for (const Echo& e : c.echoes) {
      const std::vector<float>& here = e.left ? out.left : out.right;
      const std::vector<float>& there = e.left ? out.right : out.left;
      EXPECT_NEAR(PeakIndex(here, e.at - 100, e.at + 100), e.at, 2) << e.at;
      const double energy = Energy(here, e.at - 100, e.at + 1000);
      EXPECT_LT(energy, previous);
      EXPECT_GT(energy, 0.01);
      EXPECT_LT(Energy(there, e.at - 100, e.at + 1000), energy * 1e-6);
      previous = energy;
    }
    if (c.rightSilent) {
      EXPECT_EQ(Energy(out.right, 0, 40000), 0.0);
    }
  }
}

// The second echo is the first one through the feedback gain, the low-pass and then the
// high-pass: the same chain sox builds from its own biquads.
TEST_F(CStereoDelayTest, RepeatsAreFilteredByTheSecondOrderLowAndHighPassAsInSox) {
  if (testing_support::RunCommand("command -v sox >/dev/null 2>&1 && echo yes").text != "yes\n") GTEST_SKIP() << "sox is not installed";
  const int length = 12000;
  testing_support::TempDataRoot root;
  const std::string in = root.Root() + "/impulse.f32";
  {
    std::vector<float> impulse(length);
    impulse[0] = 0.5f;
    FILE* f = std::fopen(in.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(std::fwrite(impulse.data(), sizeof(float), length, f), static_cast<std::size_t>(length));
    std::fclose(f);
  }
  const testing_support::CommandOutput sox = testing_support::RunCommand("sox -t f32 -r 48000 -c 1 '" + in +
                                "' -t f32 - lowpass 3000 0.707q highpass 200 0.707q 2>/dev/null");
  ASSERT_EQ(sox.status, 0);
  ASSERT_EQ(sox.text.size(), length * sizeof(float));
  std::vector<float> expected(length);
  std::memcpy(expected.data(), sox.text.data(), sox.text.size());

  fx_.SetParam(0, 0.0f);  // normal: the repeat comes back on the left
  fx_.SetParam(7, 3000.0f);
  fx_.SetParam(6, 200.0f);
  const Stereo out = RunImpulseLeft(fx_, 24002 + length);
  EXPECT_EQ(out.left[12001], 1.0f);
  double worst = 0.0;
  for (int n = 0; n < length; ++n) worst = std::max(worst, std::fabs(double{out.left[24002 + n]} - expected[n]));
  EXPECT_LT(worst, 1e-6);
}

TEST_F(CStereoDelayTest, OutputIsWetEchoPlusDryInputTimesTheLevel) {
  fx_.SetParam(4, -6.0f);
  fx_.SetParam(5, -12.0f);
  const Stereo out = RunImpulseLeft(fx_, 7000, 0.5f);
  EXPECT_FLOAT_EQ(out.left[0], 0.5f * std::pow(10.0f, -12.0f / 20.0f));
  EXPECT_FLOAT_EQ(out.right[6001], 0.5f * std::pow(10.0f, -6.0f / 20.0f));
}

TEST_F(CStereoDelayTest, AHalfSampleLengthReadsBetweenTwoSamples) {
  // At 44.1 kHz the default 250 ms is 11025 samples and the right line half of it.
  fx_.Reset(44100.0f);
  const Stereo out = RunImpulseLeft(fx_, 6000);
  EXPECT_EQ(out.right[5513], 0.5f);
  EXPECT_EQ(out.right[5514], 0.5f);
  LengthMeter meter(fx_);
  EXPECT_EQ(meter.Settle(12000).second, 5512.5f);
}

TEST_F(CStereoDelayTest, ALengthChangeGlidesHalfASamplePerFrame) {
  fx_.SetParam(0, 0.0f);  // separate lengths: both 250 ms
  LengthMeter meter(fx_);
  ASSERT_EQ(meter.Settle(30000), std::make_pair(12000.0f, 12000.0f));
  fx_.SetParam(1, 0.5f);
  const Stereo d = meter.Measure(30000);
  int mismatches = 0;
  for (int k = 0; k < 30000; ++k) {
    const float expected = k < 24000 ? 12000.0f + 0.5f * static_cast<float>(k + 1) : 24000.0f;
    if (d.left[k] != expected || d.right[k] != expected) ++mismatches;
  }
  EXPECT_EQ(mismatches, 0);
  EXPECT_EQ(d.left[23998], 23999.5f);
  EXPECT_EQ(d.left[23999], 24000.0f);
}

TEST_F(CStereoDelayTest, DelayTimesAndRatiosAreHeldWithinTheLines) {
  struct Case {
    const char* name;
    float routing;
    float seconds;
    float ratio;
    float recordMs;
    float left, right;  // settled lengths in samples
  };
  const Case cases[] = {
      {"ratio above 100 % is 100 %", 1.0f, 0.1f, 150.0f, 100.0f, 4800.0f, 4800.0f},
      {"negative ratio is 0", 1.0f, 0.1f, -20.0f, 100.0f, 4800.0f, 0.0f},
      {"ratio 25 %", 1.0f, 0.1f, 25.0f, 100.0f, 4800.0f, 1200.0f},
      {"ratio unused with separate lengths", 0.0f, 0.1f, 25.0f, 100.0f, 4800.0f, 4800.0f},
      {"5 s is 2.6 s", 0.0f, 5.0f, 50.0f, 2600.0f, 124800.0f, 124800.0f},
      {"negative is 0", 0.0f, -1.0f, 50.0f, 0.0f, 0.0f, 0.0f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fx_.Reset(48000.0f);
    fx_.SetParam(0, c.routing);
    fx_.SetParam(1, c.seconds);
    fx_.SetParam(3, c.ratio);
    EXPECT_EQ(Record(fx_).leftMs, c.recordMs);
    EXPECT_EQ(Record(fx_).rightMs, c.recordMs);
    LengthMeter meter(fx_);
    EXPECT_EQ(meter.Settle(2 * 124800 + 2000), std::make_pair(c.left, c.right));
  }
}

TEST_F(CStereoDelayTest, ARoutingValueOtherThanZeroOrOneReappliesTheRecordUnchanged) {
  fx_.SetParam(0, 0.0f);
  Record(fx_).leftMs = 100.0f;
  Record(fx_).rightMs = 50.0f;
  fx_.SetParam(0, 7.0f);
  EXPECT_EQ(Record(fx_).algorithm, CStereoDelay::kNormal);
  EXPECT_EQ(Record(fx_).delayMode, CStereoDelay::kSeparate);
  LengthMeter meter(fx_);
  EXPECT_EQ(meter.Settle(30000), std::make_pair(4800.0f, 2400.0f));
}

TEST_F(CStereoDelayTest, TheClockSetsTheDelayToANoteValueAtTheTempo) {
  struct Case {
    const char* name;
    float index;
    unsigned tick;
    float bpm;
    float ms;  // 250 = unchanged
  };
  const Case cases[] = {
      {"whole note at 120 bpm", 1.0f, 0, 120.0f, 2000.0f},
      {"whole note at 60 bpm is held at 2.5 s", 1.0f, 24, 60.0f, 2500.0f},
      {"quarter note", 6.0f, 12, 120.0f, 500.0f},
      {"dotted eighth", 11.0f, 36, 100.0f, 450.0f},
      {"quarter triplet (2/3 of a quarter)", 7.0f, 0, 120.0f, 1000.0f / 3.0f},
      {"dotted sixty-fourth", 20.0f, 0, 120.0f, 46.875f},
      {"sixty-fourth triplet", 19.0f, 0, 120.0f, 500.0f * 0.041666664f},
      {"index above 20 is a quarter", 25.0f, 0, 120.0f, 500.0f},
      {"negative index is a quarter", -3.0f, 0, 120.0f, 500.0f},
      {"index truncated", 6.9f, 0, 120.0f, 500.0f},
      {"sync off", 0.0f, 0, 120.0f, 250.0f},
      {"tick not a multiple of 12", 6.0f, 13, 120.0f, 250.0f},
      {"no tempo", 6.0f, 0, 0.0f, 250.0f},
      {"negative tempo", 6.0f, 0, -120.0f, 250.0f},
      {"NaN tempo", 6.0f, 0, kNaN, 250.0f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fx_.Reset(48000.0f);
    fx_.SetParam(8, c.index);
    fx_.OnClock(c.tick, c.bpm);
    EXPECT_FLOAT_EQ(Record(fx_).leftMs, c.ms);
    EXPECT_FLOAT_EQ(Record(fx_).rightMs, c.ms);
  }

  // The new time is in force: a sixteenth at 120 bpm is 125 ms.
  fx_.Reset(48000.0f);
  fx_.SetParam(0, 0.0f);
  fx_.SetParam(8, 12.0f);
  fx_.OnClock(48, 120.0f);
  LengthMeter meter(fx_);
  EXPECT_EQ(meter.Settle(30000), std::make_pair(6000.0f, 6000.0f));
}

TEST_F(CStereoDelayTest, ClearEmptiesBothLines) {
  fx_.SetParam(6, 20.0f);
  fx_.SetParam(7, 20000.0f);
  std::vector<float> noise(20000);
  unsigned seed = 7u;
  for (float& v : noise) {
    seed = seed * 1664525u + 1013904223u;
    v = static_cast<float>(seed >> 8) / 8388608.0f - 1.0f;
  }
  RunPeriods(fx_, noise, noise);
  fx_.SetParam(9, 0.0f);
  const Stereo out = RunPeriods(fx_, std::vector<float>(30000), std::vector<float>(30000));
  EXPECT_EQ(Energy(out.left, 0, 30000), 0.0);
  EXPECT_EQ(Energy(out.right, 0, 30000), 0.0);
}

TEST_F(CStereoDelayTest, FeedbackBeyondFullIsHeldAtFullSoRepeatsNeverGrow) {
  for (const float feedback : {1000.0f, -1000.0f}) {
    SCOPED_TRACE(feedback);
    fx_.Reset(48000.0f);
    fx_.SetParam(0, 0.0f);
    fx_.SetParam(1, 0.01f);  // 480 samples
    fx_.SetParam(2, feedback);
    fx_.SetParam(6, 20.0f);
    fx_.SetParam(7, 20000.0f);
    EXPECT_EQ(Record(fx_).feedbackPercent, feedback > 0 ? 100.0f : -100.0f);
    RunPeriods(fx_, std::vector<float>(24000), std::vector<float>(24000));  // glide to the new length
    const Stereo out = RunImpulseLeft(fx_, 481 * 40);
    float peak = 0.0f;
    for (int i = 1; i < 481 * 40; ++i) peak = std::max(peak, std::fabs(out.left[i]));
    EXPECT_LE(peak, 1.0f);  // the loop gain of the filters at full feedback stays below one
    float last = 0.0f;
    for (int i = 481 * 39; i < 481 * 40; ++i) last = std::max(last, std::fabs(out.left[i]));
    EXPECT_GT(last, 0.1f);  // and the repeats are still strong after 39 of them
  }
  // A NaN is no value at all: the feedback stays where it was.
  const float before = Record(fx_).feedbackPercent;
  fx_.SetParam(2, kNaN);
  EXPECT_EQ(Record(fx_).feedbackPercent, before);
}

TEST_F(CStereoDelayTest, NoFramesOrAnUnknownAlgorithmLeavesTheOutputsUntouched) {
  std::vector<float> in(kPeriod, 0.5f), out(kPeriod, 3.0f);
  float* ins[4] = {in.data(), in.data(), in.data(), in.data()};
  float* outs[4] = {out.data(), out.data(), out.data(), out.data()};
  fx_.Process(ins, outs, 0, 1.0f);
  EXPECT_EQ(out, std::vector<float>(kPeriod, 3.0f));
  Record(fx_).algorithm = 2;
  fx_.Process(ins, outs, kPeriod, 1.0f);
  EXPECT_EQ(out, std::vector<float>(kPeriod, 3.0f));
  Record(fx_).algorithm = CStereoDelay::kNormal;
  fx_.Process(ins, outs, kPeriod, 1.0f);
  EXPECT_EQ(out[0], 0.5f);
}

// Left and right run in two vector lanes, and a length that holds still reads and mixes four
// frames to a lane; every output sample and the state carried on must be what the frame-by-
// frame steps give. Each case applies its first settings, runs, applies its second (a new
// time starts a glide) and runs again.
TEST(CStereoDelayLanes, TwoLaneFormMatchesTheFrameByFrameSteps) {
  struct Setting {
    int id;
    float value;
  };
  struct Case {
    const char* what;
    float sampleRate;
    int frames;
    float amplitude;  // tiny values reach the filters' subnormal flush
    std::vector<Setting> first, second;
    bool flushToZero = true;  // the thread's mode; without it the filters flush subnormals themselves
  };
  const Case cases[] = {
      {"page defaults, silent feedback", 48000.0f, 128, 0.5f, {{0, 0.0f}}, {{1, 0.1f}}},
      {"filtered repeats", 48000.0f, 128, 0.5f, {{0, 0.0f}, {6, 100.0f}, {7, 5000.0f}, {2, 90.0f}, {1, 0.02f}},
       {{1, 0.013f}, {2, -70.0f}}},
      {"ping-pong, ratio", 48000.0f, 128, 0.5f, {{6, 50.0f}, {7, 9000.0f}, {3, 30.0f}, {1, 0.01f}}, {{1, 0.004f}, {9, 1.0f}}},
      {"lengths under four frames", 44100.0f, 100, 0.5f, {{0, 0.0f}, {6, 50.0f}, {7, 9000.0f}, {1, 0.0f}},
       {{1, 0.00005f}}},
      {"odd period, levels", 48000.0f, 37, 0.5f, {{6, 200.0f}, {7, 3000.0f}, {1, 0.003f}, {4, -6.0f}, {5, -3.0f}},
       {{0, 0.0f}, {6, 20.0f}, {7, 12000.0f}, {2, 100.0f}, {1, 0.0021f}}},
      {"near silence", 48000.0f, 128, 1e-36f, {{0, 0.0f}, {6, 100.0f}, {7, 5000.0f}, {2, 90.0f}, {1, 0.002f}}, {}},
      {"near silence, no flush mode", 48000.0f, 128, 1e-36f,
       {{0, 0.0f}, {6, 100.0f}, {7, 5000.0f}, {2, 90.0f}, {1, 0.002f}}, {{1, 0.0005f}}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (!c.flushToZero && effect_buffers::kLanesAlwaysFlush) continue;
    std::optional<platform::ScopedFlushToZero> ftz;
    if (c.flushToZero) ftz.emplace();
    CStereoDelay lanes, reference;
    for (CStereoDelay* fx : {&lanes, &reference}) {
      fx->Reset(c.sampleRate);
      for (const Setting& p : c.first) fx->SetParam(p.id, p.value);
    }
    effect_buffers::ExpectLanesMatchReference(lanes, reference, c.frames, 0.8f, c.amplitude, 150, 41u, 0.0f);
    for (CStereoDelay* fx : {&lanes, &reference})
      for (const Setting& p : c.second) fx->SetParam(p.id, p.value);
    effect_buffers::ExpectLanesMatchReference(lanes, reference, c.frames, 1.0f, c.amplitude, 150, 43u, 0.0f);
  }
}

}  // namespace
