#include "audio/CSamplePlayer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <memory>
#include <thread>
#include <vector>

#include "data/SampleFile.h"
#include "platform/Denormals.h"
#include "tests/support/AllocCounter.h"

namespace {

constexpr int kFrames = 128;
constexpr int kRate = 48000;
constexpr float kDefaultGain = 0.6f;

uint32_t PadUid(int pad, uint32_t param) { return 0x40000u | (static_cast<uint32_t>(pad) << 12) | param; }

SampleFile MakeSample(std::vector<float> first, uint32_t rate = kRate, std::vector<float> second = {}) {
  SampleFile s;
  s.Samples().clear();
  s.Samples().push_back(std::move(first));
  if (!second.empty()) s.Samples().push_back(std::move(second));
  s.SetSampleRate(rate);
  return s;
}

SampleFile Constant(float value, int frames) { return MakeSample(std::vector<float>(frames, value)); }

// Rises from 1/n to 1 with no sign change, so the output tells the read position.
std::vector<float> Ramp(int n) {
  std::vector<float> d(n);
  for (int i = 0; i < n; ++i) d[i] = static_cast<float>(i + 1) / static_cast<float>(n);
  return d;
}

// A sample that is negative on [from, to) and positive elsewhere, each value telling its
// index: sign changes at `from` and `to`.
std::vector<float> SignedRamp(int n, int from, int to) {
  std::vector<float> d = Ramp(n);
  for (int i = from; i < to; ++i) d[i] = -d[i];
  return d;
}

struct Output {
  std::vector<float> ch[CSamplePlayer::kOutputs];
  // Index of the last frame of `c` that is not zero, -1 if none.
  int LastSounding(int c = 0) const {
    for (int k = static_cast<int>(ch[c].size()) - 1; k >= 0; --k)
      if (ch[c][k] != 0.0f) return k;
    return -1;
  }
};

class SamplePlayerTest : public ::testing::Test {
 protected:
  void SetUp() override { Fresh(); }
  void Fresh() {
    player_ = std::make_unique<CSamplePlayer>();
    player_->init({2, kFrames, kRate}, nullptr);
  }

  void Set(int pad, uint32_t param, float value) { player_->SetParam(1, 4, PadUid(pad, param), value); }
  void Load(int pad, SampleFile& s) { player_->SetPadSample(0, 4, PadUid(pad, 0), &s); }
  // Level 100, pan centre: both gains 1.
  void Unity(int pad) { Set(pad, CSamplePlayer::kParamLevel, 100.0f); }
  void Note(uint8_t note, uint8_t velocity, uint8_t part = 9, uint8_t status = 0x90) {
    const PartMidiMessage m{part, status, note, velocity};
    player_->OnMidi(&m);
  }
  void Event(int pad, float velocity, uint8_t part = 9, int32_t type = kEventNoteOn) {
    EngineEvent e{};
    e.type = type;
    e.part = part;
    e.first.note = static_cast<uint8_t>(pad);
    e.second = velocity;
    player_->OnEvent(&e);
  }
  Output Run(int frames) {
    Output o;
    float buffers[CSamplePlayer::kOutputs][kFrames];
    float* out[CSamplePlayer::kOutputs] = {buffers[0], buffers[1], buffers[2], buffers[3]};
    for (int done = 0; done < frames; done += kFrames) {
      player_->Process(nullptr, out);
      for (int c = 0; c < CSamplePlayer::kOutputs; ++c) o.ch[c].insert(o.ch[c].end(), out[c], out[c] + kFrames);
    }
    return o;
  }

  platform::ScopedFlushToZero ftz_;
  std::unique_ptr<CSamplePlayer> player_;
};

TEST_F(SamplePlayerTest, DefaultNotesReachTheirPadsAndSharedNotesSoundBoth) {
  const uint8_t notes[CSamplePlayer::kPads] = {76, 96, 97, 98, 72, 73, 74, 75, 60, 61, 84, 85, 12, 29, 39, 48};
  std::vector<SampleFile> samples;
  for (int p = 0; p < CSamplePlayer::kPads; ++p) samples.push_back(Constant((p + 1) / 64.0f, 1000));
  for (int p = 0; p < CSamplePlayer::kPads; ++p) Load(p, samples[p]);
  for (int p = 0; p < CSamplePlayer::kPads; ++p) {
    Note(notes[p], 127);
    const Output o = Run(kFrames);
    EXPECT_NEAR(o.ch[0][5], (p + 1) / 64.0f * kDefaultGain * (127.0f / 128.0f), 1e-7f) << "pad " << p;
    EXPECT_EQ(o.ch[0][5], o.ch[1][5]);
    Run(1100);  // let it end
  }
  Note(77, 127);
  EXPECT_EQ(Run(kFrames).LastSounding(), -1) << "no pad answers note 77";

  // Trigger 50 moves pad 5 from note 73 to 76, beside pad 0.
  Set(5, CSamplePlayer::kParamTrigger, 50.0f);
  Note(73, 64);
  EXPECT_EQ(Run(kFrames).LastSounding(), -1);
  Note(76, 64);
  EXPECT_NEAR(Run(kFrames).ch[0][0], (1 + 6) / 64.0f * kDefaultGain * 0.5f, 1e-7f);
}

TEST_F(SamplePlayerTest, OnlyDrumPartNoteOnsTriggerAndVelocityZeroStillPlays) {
  SampleFile s = Constant(1.0f, 1000);
  Load(0, s);
  Unity(0);
  Set(0, CSamplePlayer::kParamVelocityAmount, 40.0f);
  struct Case {
    uint8_t part, status, velocity;
    float gain;  // 1 + 0.4 v - 0.4, 0 for no trigger
  } const cases[] = {
      {9, 0x90, 64, 0.8f},  {0x19, 0x9F, 64, 0.8f}, {9, 0x90, 0, 0.6f}, {9, 0x80, 64, 0.0f},
      {8, 0x90, 64, 0.0f},  {9, 0xB0, 64, 0.0f},    {9, 0xA0, 64, 0.0f},
  };
  for (const Case& c : cases) {
    Note(76, c.velocity, c.part, c.status);
    const Output o = Run(kFrames);
    EXPECT_NEAR(o.ch[0][0], c.gain, 1e-6f) << int(c.part) << " " << int(c.status) << " " << int(c.velocity);
    Run(1000);
  }
}

TEST_F(SamplePlayerTest, EventsTriggerPadsByNumber) {
  SampleFile s = Constant(1.0f, 1000);
  for (int p = 0; p < CSamplePlayer::kPads; ++p) {
    Load(p, s);
    Set(p, CSamplePlayer::kParamLevel, static_cast<float>(p + 1));
  }
  struct Case {
    int pad;
    uint8_t part;
    int32_t type;
    float expected;
  } const cases[] = {
      {3, 9, kEventNoteOn, 0.04f * 0.25f}, {15, 9, kEventNoteOn, 0.16f * 0.25f}, {16, 9, kEventNoteOn, 0.0f},
      {200, 9, kEventNoteOn, 0.0f},        {3, 9, kEventNoteOff, 0.0f},          {3, 0, kEventNoteOn, 0.0f},
  };
  for (const Case& c : cases) {
    Event(c.pad, 0.25f, c.part, c.type);
    EXPECT_NEAR(Run(kFrames).ch[0][0], c.expected, 1e-7f) << c.pad << " " << int(c.part) << " " << c.type;
    Run(1000);
  }
}

TEST_F(SamplePlayerTest, LevelAndPanSetTheGainsInEitherOrder) {
  SampleFile s = Constant(1.0f, 1000);
  Load(0, s);
  struct Case {
    float level, pan, right, left;
  } const cases[] = {
      {80, -50, 0.4f, 0.8f}, {80, 50, 0.8f, 0.4f}, {100, 0, 1.0f, 1.0f}, {50, -100, 0.0f, 0.5f}, {0, 30, 0.0f, 0.0f},
  };
  for (int order = 0; order < 2; ++order) {
    for (const Case& c : cases) {
      if (order == 0) {
        Set(0, CSamplePlayer::kParamLevel, c.level);
        Set(0, CSamplePlayer::kParamPan, c.pan);
      } else {
        Set(0, CSamplePlayer::kParamPan, c.pan);
        Set(0, CSamplePlayer::kParamLevel, c.level);
      }
      Event(0, 1.0f);
      const Output o = Run(kFrames);
      EXPECT_NEAR(o.ch[0][0], c.left, 1e-6f) << c.level << " " << c.pan << " order " << order;
      EXPECT_NEAR(o.ch[1][0], c.right, 1e-6f) << c.level << " " << c.pan << " order " << order;
      Run(1000);
    }
  }
}

// The ramp's value at a read position, by linear interpolation.
double RampAt(double position, int n) { return (position + 1.0) / n; }

// Read positions as a float accumulator stepping by `increment` reaches them.
std::vector<float> Positions(float increment, int count) {
  std::vector<float> p(count);
  float x = 0.0f;
  for (float& v : p) {
    v = x;
    x += increment;
  }
  return p;
}

TEST_F(SamplePlayerTest, PitchAndSampleRateSetTheReadSpeedWithLinearInterpolation) {
  constexpr int n = 4096;
  struct Case {
    float pitch;
    uint32_t sampleRate;
    float ratio;
  } const cases[] = {
      {100, kRate, 3.0f}, {-100, kRate, 1.0f / 3.0f}, {0, kRate, 1.0f},
      {50, kRate, 2.0f},  {-50, kRate, 0.5f},         {0, 24000, 0.5f},
  };
  for (const Case& c : cases) {
    // The second channel never reaches the outputs.
    SampleFile s = MakeSample(Ramp(n), c.sampleRate, std::vector<float>(n, -5.0f));
    Load(0, s);
    Set(0, CSamplePlayer::kParamPitch, c.pitch);
    Set(0, CSamplePlayer::kParamFadeOut, 0.0f);  // 48 samples
    Event(0, 1.0f);
    const int frames = static_cast<int>(n / c.ratio) + 2 * kFrames;
    const Output o = Run(frames);
    const std::vector<float> position = Positions(c.ratio, frames);
    for (int k = 0; position[k] < n - 60; ++k) {
      ASSERT_NEAR(o.ch[0][k], kDefaultGain * RampAt(position[k], n), 1e-6) << c.pitch << " frame " << k;
      ASSERT_EQ(o.ch[1][k], o.ch[0][k]);
    }
    const int last = o.LastSounding();
    // The fade ends at the last sample now, so the float position's rounding can add a frame.
    EXPECT_LE(last, (n - 2) / c.ratio + 1) << c.pitch;
    EXPECT_GE(last, (n - 2 - 48) / c.ratio - 48) << c.pitch;
  }
}

// A recording nobody here made, decoded by the sample codec.
TEST_F(SamplePlayerTest, RecordingPlaysFromItsFirstZeroCrossingAtEachPitch) {
  SampleFile s;
  ASSERT_TRUE(s.Load("/usr/share/sounds/alsa/Front_Center.wav"));
  ASSERT_EQ(s.Frames(), 68545);
  ASSERT_EQ(s.SampleRate(), 48000u);
  // The first sign change after sample 1, found with Python's wave module.
  constexpr int kStart = 250;
  const int f = s.Frames() - kStart;
  const float* d = s.Channel(0) + kStart;
  Load(0, s);
  Unity(0);
  struct Case {
    float pitch;
    float ratio;
  } const cases[] = {{100, 3.0f}, {0, 1.0f}, {-100, 1.0f / 3.0f}};
  for (const Case& c : cases) {
    Set(0, CSamplePlayer::kParamPitch, c.pitch);
    Event(0, 1.0f);
    const int frames = static_cast<int>(f / c.ratio) + 2 * kFrames;
    const Output o = Run(frames);
    const std::vector<float> position = Positions(c.ratio, frames);
    for (int k = 0; position[k] < f - 500; ++k) {
      const double p = position[k];
      const int i = static_cast<int>(p);
      const double expected = d[i] + (static_cast<double>(d[i + 1]) - d[i]) * (p - i);
      ASSERT_NEAR(o.ch[0][k], expected, 1e-6) << c.pitch << " frame " << k;
      ASSERT_EQ(o.ch[1][k], o.ch[0][k]);
    }
    // The recording's last ~50 samples are silent. The float position drifts behind over
    // 200,000 steps of a third (about 30 source samples), so the note may end a little late.
    const int last = o.LastSounding();
    EXPECT_LE(last, 1.001 * f / c.ratio) << c.pitch;
    EXPECT_GE(last, 0.98 * f / c.ratio) << c.pitch;
  }
}

TEST_F(SamplePlayerTest, StartAndEndSnapToZeroCrossings) {
  constexpr int n = 1000;
  // Sign changes at 50 and 300.
  SampleFile twoCrossings = MakeSample(SignedRamp(n, 50, 300));
  // Only at 50: a later search finds nothing and keeps the point it had.
  SampleFile oneCrossing = MakeSample(SignedRamp(n, 50, n));
  // At 50 and 700, for ends that search the sample's later half.
  SampleFile lateCrossing = MakeSample(SignedRamp(n, 50, 700));
  struct Case {
    SampleFile* sample;
    float start, end;
    int firstIndex;  // sample index heard first
    int endCut;      // samples cut off the end; -1: nothing left to play
  } const cases[] = {
      {&twoCrossings, 0, 100, 50, 0},    // search from 1
      {&twoCrossings, 24, 100, 300, 0},  // from int(0.24 x 0.25 x 1000) + 1 = 61
      {&twoCrossings, 100, 100, 300, 0}, // from 251: a quarter at most
      {&oneCrossing, 100, 100, 50, 0},   // nothing after 251: stays at 50
      // The end is looked for where playback stops, moving later: End 50 up from 499.
      {&lateCrossing, 0, 50, 50, 300},
      {&lateCrossing, 0, 20, 50, 300},   // up from 199: the crossing at 50 lies before it
      {&lateCrossing, 0, 80, 50, 0},     // up from 799: nothing, stays 0
      {&twoCrossings, 0, 50, 50, 0},     // up from 499: nothing
      {&twoCrossings, 0, 0, 50, -1},     // up from the first sample: ends where it starts
      {&oneCrossing, 0, 99, 50, 0},      // up from 989: nothing, stays 0
  };
  for (const Case& c : cases) {
    Fresh();
    Load(0, *c.sample);
    Set(0, CSamplePlayer::kParamStart, c.start);
    Set(0, CSamplePlayer::kParamEnd, c.end);
    Event(0, 1.0f);
    const Output o = Run(2 * n);
    const float* d = c.sample->Channel(0);
    if (c.endCut < 0) {
      EXPECT_EQ(o.LastSounding(), -1) << c.start << " " << c.end;
      continue;
    }
    EXPECT_FLOAT_EQ(o.ch[0][0], d[c.firstIndex] * kDefaultGain) << c.start << " " << c.end;
    // At speed 1 the last frame heard is f - 3 (f = n - cut - start).
    EXPECT_EQ(o.LastSounding(), n - c.endCut - c.firstIndex - 3) << c.start << " " << c.end;
  }
}

TEST_F(SamplePlayerTest, RetriggerRestartsFromTheStartPointWithTheNewVelocity) {
  constexpr int n = 4096;
  // Sign changes at 50 and 300: Start 0 begins at 50, Start 24 (search from 246) at 300.
  SampleFile s = MakeSample(SignedRamp(n, 50, 300));
  const float* d = s.Channel(0);
  Load(0, s);
  Event(0, 1.0f);
  const Output first = Run(3 * kFrames);
  EXPECT_FLOAT_EQ(first.ch[0][0], kDefaultGain * d[50]);
  EXPECT_FLOAT_EQ(first.ch[0][3 * kFrames - 1], kDefaultGain * d[50 + 3 * kFrames - 1]);
  // A new start point leaves the sounding note where it is; the next trigger takes it over.
  Set(0, CSamplePlayer::kParamStart, 24.0f);
  EXPECT_FLOAT_EQ(Run(kFrames).ch[0][0], kDefaultGain * d[50 + 3 * kFrames]);
  Event(0, 0.5f);
  const Output second = Run(kFrames);
  EXPECT_FLOAT_EQ(second.ch[0][0], kDefaultGain * 0.5f * d[300]);
  EXPECT_FLOAT_EQ(second.ch[0][10], kDefaultGain * 0.5f * d[310]);
}

TEST_F(SamplePlayerTest, EndFadeFallsOverItsLengthAndNeedsASample) {
  constexpr int n = 2000;
  SampleFile s = Constant(1.0f, n);
  struct Case {
    bool send;
    float fadeOutMs;
    int length;
  } const cases[] = {{false, 0, 480}, {true, 2, 96}, {true, 0, 48}, {true, -20, 48}, {true, 100000, n}};
  for (const Case& c : cases) {
    Set(0, CSamplePlayer::kParamFadeOut, 10.0f);  // the default again (no sample yet on the first case)
    player_->SetPadSample(0, 4, PadUid(0, 0), nullptr);
    Set(0, CSamplePlayer::kParamFadeOut, 2.0f);  // no sample: ignored
    Load(0, s);
    if (c.send) Set(0, CSamplePlayer::kParamFadeOut, c.fadeOutMs);
    // The second note checks that a fade as long as the sample does not silence the next one.
    for (int note = 0; note < 2; ++note) {
      Event(0, 1.0f);
      const Output o = Run(n + kFrames);
      ASSERT_EQ(o.LastSounding(), n - 3) << c.fadeOutMs;
      const int from = n - c.length;  // the first frame of the fade
      if (from > 0) {
        EXPECT_NEAR(o.ch[0][from - 1], kDefaultGain, 1e-6f) << c.fadeOutMs;
        EXPECT_NEAR(o.ch[0][from], kDefaultGain * (1.0f - 1.0f / c.length), 1e-5f) << c.fadeOutMs;
        EXPECT_NEAR(o.ch[0][n - 3], kDefaultGain * 2.0f / c.length, 1e-5f) << c.fadeOutMs;
      } else {
        // The fade covers the whole note and starts at full level.
        EXPECT_NEAR(o.ch[0][0], kDefaultGain, 1e-6f) << "note " << note;
        EXPECT_NEAR(o.ch[0][n / 2], kDefaultGain * 0.5f, 1e-4f) << "note " << note;
      }
    }
  }
}

// The fade length counts source samples: a pad pitched up three times crosses the default
// 480 in 160 output frames and still fades all the way down instead of stopping at two thirds.
TEST_F(SamplePlayerTest, APitchedPadFadesOverItsSourceSamplesToTheEnd) {
  constexpr int n = 3000;
  SampleFile s = Constant(1.0f, n);
  Load(0, s);
  Set(0, CSamplePlayer::kParamPitch, 100.0f);
  Event(0, 1.0f);
  const Output o = Run(n);
  const int last = o.LastSounding();
  ASSERT_GT(last, 900);
  EXPECT_NEAR(o.ch[0][last - 165], kDefaultGain, 1e-6f);
  EXPECT_NEAR(o.ch[0][last - 80], kDefaultGain * 0.5f, 0.02f);
  EXPECT_LT(o.ch[0][last], kDefaultGain * 0.03f);
}

TEST_F(SamplePlayerTest, SideChainSumsEachSendingPadWithThePadsBeforeIt) {
  SampleFile a = Constant(0.1f, 1000), b = Constant(0.2f, 1000), c = Constant(0.4f, 1000);
  Load(0, a);
  Load(1, b);
  Load(2, c);
  for (int p = 0; p < 3; ++p) Unity(p);
  Set(1, CSamplePlayer::kParamPan, 100.0f);  // pad 1 right only
  for (int p = 0; p < 3; ++p) Event(p, 1.0f);
  Output o = Run(kFrames);
  EXPECT_NEAR(o.ch[0][0], 0.5f, 1e-6f);
  EXPECT_NEAR(o.ch[1][0], 0.7f, 1e-6f);
  EXPECT_NEAR(o.ch[2][0], 0.1f, 1e-6f) << "by default pad 0 alone";
  EXPECT_NEAR(o.ch[3][0], 0.1f, 1e-6f);

  Set(2, CSamplePlayer::kParamSideChainLevel, 50.0f);
  Run(1000);
  for (int p = 0; p < 3; ++p) Event(p, 1.0f);
  o = Run(kFrames);
  EXPECT_NEAR(o.ch[2][0], 0.1f + 0.5f * 0.5f, 1e-6f);
  EXPECT_NEAR(o.ch[3][0], 0.1f + 0.5f * 0.7f, 1e-6f);
}

// An undefined gain, send or event velocity is refused: the pad sounds as it did, and an
// event with such a velocity plays nothing.
TEST_F(SamplePlayerTest, NonFiniteGainsSendsAndVelocitiesAreRefused) {
  SampleFile s = Constant(0.5f, 1000);
  Load(0, s);
  Set(0, CSamplePlayer::kParamLevel, 80.0f);
  Set(0, CSamplePlayer::kParamPan, -50.0f);
  Set(0, CSamplePlayer::kParamVelocityAmount, 50.0f);
  Set(0, CSamplePlayer::kParamSideChainLevel, 50.0f);
  Event(0, 0.5f);
  const Output reference = Run(kFrames);
  Run(1000);
  ASSERT_GT(reference.ch[1][0], 0.0f);
  const uint32_t params[] = {CSamplePlayer::kParamPan, CSamplePlayer::kParamLevel, CSamplePlayer::kParamVelocityAmount,
                             CSamplePlayer::kParamSideChainLevel};
  const float strays[] = {std::nanf(""), INFINITY, -INFINITY};
  for (uint32_t param : params) {
    for (float stray : strays) {
      Set(0, param, stray);
      Event(0, 0.5f);
      const Output o = Run(kFrames);
      for (int c = 0; c < CSamplePlayer::kOutputs; ++c) EXPECT_EQ(o.ch[c], reference.ch[c]) << param << " " << stray << " " << c;
      Run(1000);
    }
  }
  for (float stray : strays) {
    Event(0, stray);
    EXPECT_EQ(Run(kFrames).LastSounding(), -1) << stray;
  }
}

TEST_F(SamplePlayerTest, SamplesWithoutAPlayableRangeStaySilent) {
  SampleFile noChannels = MakeSample({});
  noChannels.Samples().clear();
  SampleFile empty = MakeSample({});
  SampleFile one = Constant(1.0f, 1), two = Constant(1.0f, 2);
  SampleFile rateZero = MakeSample(Ramp(1000), 0);
  SampleFile* const samples[] = {nullptr, &noChannels, &empty, &one, &two, &rateZero};
  for (SampleFile* s : samples) {
    player_->SetPadSample(0, 4, PadUid(0, 0), s);
    Set(0, CSamplePlayer::kParamStart, 50.0f);
    Set(0, CSamplePlayer::kParamEnd, 0.0f);
    Set(0, CSamplePlayer::kParamFadeOut, 50.0f);
    Event(0, 1.0f);
    EXPECT_EQ(Run(4 * kFrames).LastSounding(), -1);
  }
}

TEST_F(SamplePlayerTest, ShorterSampleReplacingASoundingOneIsNotReadOutOfRange) {
  constexpr int n = 8000;
  SampleFile longer = MakeSample(SignedRamp(n, 3000, n));
  SampleFile shorter = Constant(0.5f, 100);
  Load(0, longer);
  Set(0, CSamplePlayer::kParamStart, 100.0f);  // from 2001: start at 3000
  Event(0, 1.0f);
  EXPECT_FLOAT_EQ(Run(kFrames).ch[0][0], longer.Channel(0)[3000 + 0] * kDefaultGain);
  Load(0, shorter);
  EXPECT_EQ(Run(4 * kFrames).LastSounding(), -1) << "the sounding note has no range in the new sample";
  Event(0, 1.0f);
  const Output o = Run(2 * kFrames);
  EXPECT_FLOAT_EQ(o.ch[0][0], 0.5f * kDefaultGain) << "the next note plays the new sample from its start";
  EXPECT_EQ(o.LastSounding(), 100 - 3);
}

// The render beside a triggering thread also runs under ThreadSanitizer.
class SamplePlayerThreads : public SamplePlayerTest {};

TEST_F(SamplePlayerThreads, RenderAllocatesNothingWhileTriggersAndParametersArriveFromAnotherThread) {
  SampleFile s;
  ASSERT_TRUE(s.Load("/usr/share/sounds/alsa/Front_Center.wav"));
  for (int p = 0; p < CSamplePlayer::kPads; ++p) {
    Load(p, s);
    Set(p, CSamplePlayer::kParamPitch, static_cast<float>(p * 10 - 80));
    Set(p, CSamplePlayer::kParamSideChainLevel, 10.0f);
    Unity(p);
  }
  std::atomic<bool> stop{false};
  std::thread triggers([&] {
    for (int k = 0; !stop.load(); ++k) {
      const int pad = k % CSamplePlayer::kPads;
      Event(pad, (k % 128) / 127.0f);
      Note(76, static_cast<uint8_t>(k % 128));
      // The pad's gains, fade and send change while the render reads them.
      Set(pad, CSamplePlayer::kParamPan, static_cast<float>(k % 200 - 100));
      Set(pad, CSamplePlayer::kParamLevel, static_cast<float>(k % 100));
      Set(pad, CSamplePlayer::kParamFadeOut, static_cast<float>(k % 50));
      Set(pad, CSamplePlayer::kParamSideChainLevel, static_cast<float>(k % 30));
      std::this_thread::yield();
    }
  });
  float buffers[CSamplePlayer::kOutputs][kFrames];
  float* out[CSamplePlayer::kOutputs] = {buffers[0], buffers[1], buffers[2], buffers[3]};
  bool finite = true;
  std::size_t allocations = 0;
  {
    testing_support::AllocGuard guard;
    for (int period = 0; period < 500; ++period) {
      player_->Process(nullptr, out);
      for (int c = 0; c < CSamplePlayer::kOutputs; ++c)
        for (float v : buffers[c]) finite = finite && std::isfinite(v);
    }
    allocations = guard.Count();
  }
  stop = true;
  triggers.join();
  EXPECT_EQ(allocations, 0u);
  EXPECT_TRUE(finite);
}

}  // namespace
