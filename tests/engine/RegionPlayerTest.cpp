#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "data/MultiWaveReader.h"
#include "data/SampleFile.h"
#include "engine/RegionPlayer.h"
#include "platform/Denormals.h"
#include "tests/support/AllocCounter.h"
#include "tests/support/LogCapture.h"

namespace {

constexpr int kBlock = 64;
constexpr int kRate = 48000;
constexpr float kFadeStep = 1.0f / (0.005f * kRate);  // 5 ms

std::unique_ptr<SampleFile> MakeWave(const std::vector<std::vector<float>>& channels, uint32_t rate = kRate) {
  auto wave = std::make_unique<SampleFile>();
  wave->Samples() = channels;
  wave->SetSampleRate(rate);
  wave->Loop().loopStart = 0;
  wave->Loop().loopEnd = channels.empty() ? 0 : static_cast<uint32_t>(channels[0].size());
  return wave;
}

std::vector<float> Ramp(int frames) {
  std::vector<float> v(static_cast<std::size_t>(frames));
  for (int i = 0; i < frames; ++i) v[static_cast<std::size_t>(i)] = static_cast<float>(i);
  return v;
}

std::vector<float> Dc(int frames, float value = 1.0f) {
  return std::vector<float>(static_cast<std::size_t>(frames), value);
}

// Attaches a set for a scope, so that the player lets go of it before the set is destroyed.
class ScopedAttach {
 public:
  ScopedAttach(RegionPlayer& player, MultiWaveReader& set) : player_(player) { player_.AttachSample(&set); }
  ~ScopedAttach() { player_.AttachSample(nullptr); }
  ScopedAttach(const ScopedAttach&) = delete;
  ScopedAttach& operator=(const ScopedAttach&) = delete;

 private:
  RegionPlayer& player_;
};

MswfRegion FullRange(uint32_t sampleIndex = 0, uint8_t rootKey = 69) {
  MswfRegion r;
  r.sampleIndex = sampleIndex;
  r.rootKey = rootKey;
  return r;
}

class RegionPlayerTest : public ::testing::Test {
 protected:
  RegionPlayerTest() : left(kBlock), right(kBlock) {
    player.SetOutputRate(kRate);
    player.SetFrames(kBlock);
    player.SetFadeStep(kFadeStep);
    player.SetDisplay(&display);
  }
  ~RegionPlayerTest() override { player.AttachSample(nullptr); }

  void Attach() { player.AttachSample(&set); }
  // Whether a slot played.
  bool Render(const float* pm = nullptr, float amount = 0.0f) { return player.Render(left.data(), right.data(), pm, amount); }
  // Left output of `blocks` blocks in a row.
  std::vector<float> RenderLeft(int blocks) {
    std::vector<float> out;
    for (int b = 0; b < blocks; ++b) {
      Render();
      out.insert(out.end(), left.begin(), left.end());
    }
    return out;
  }

  platform::ScopedFlushToZero ftz;
  testing_support::LogCapture log;
  MultiWaveReader set;
  RegionPlayer player;
  RegionDisplay display{};
  std::vector<float> left, right;
};

TEST_F(RegionPlayerTest, RegionsMatchByKeyAndMidiVelocityAndFillTwoSlotsInOrder) {
  set.AddItem(MakeWave({Dc(256)}));
  set.AddItem(nullptr);  // a damaged container item
  struct R {
    uint8_t lowKey, highKey, lowVel, highVel;
    uint32_t sample;
  };
  const R regions[] = {
      {60, 72, 0, 63, 0},    // 0: soft layer
      {60, 72, 64, 127, 0},  // 1: loud layer
      {60, 72, 0, 127, 7},   // 2: item out of range
      {60, 72, 0, 127, 1},   // 3: null item
      {0, 127, 0, 127, 0},   // 4: everything
      {0, 127, 0, 127, 0},   // 5: never reached when 4 is the second match
  };
  for (const R& r : regions) {
    MswfRegion m = FullRange(r.sample);
    m.lowKey = r.lowKey;
    m.highKey = r.highKey;
    m.lowVelocity = r.lowVel;
    m.highVelocity = r.highVel;
    set.Regions().push_back(m);
  }
  Attach();
  struct Case {
    int key;
    float velocity;
    int slot0, slot1;
  };
  const Case cases[] = {
      {66, 0.3f, 0, 4},  // 0.3 x 127 = 38: soft
      {66, 0.5f, 1, 4},  // 64: loud
      {66, 63.4f / 127, 0, 4},
      {72, 1.0f, 1, 4},
      {73, 1.0f, 4, 5},
      {59, 0.0f, 4, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "key " << c.key << " velocity " << c.velocity);
    player.NoteOn(c.key, c.velocity);
    EXPECT_EQ(display.regionIndex[0].load(), c.slot0);
    EXPECT_EQ(display.regionIndex[1].load(), c.slot1);
  }
}

TEST_F(RegionPlayerTest, NoteOutsideEveryRegionLeavesBothSlotsIdle) {
  set.AddItem(MakeWave({Dc(256)}));
  MswfRegion r = FullRange();
  r.lowKey = 40;
  r.highKey = 50;
  set.Regions().push_back(r);
  // Render tells the voice whether anything played; its mix leaves out silent noise.
  EXPECT_FALSE(Render()) << "no set";
  Attach();
  EXPECT_FALSE(Render()) << "no note";
  player.NoteOn(45, 1.0f);
  EXPECT_TRUE(Render());
  EXPECT_NE(left[10], 0.0f);
  player.NoteOn(51, 1.0f);  // a miss also stops what played
  EXPECT_EQ(display.regionIndex[0].load(), -1);
  EXPECT_EQ(display.regionIndex[1].load(), -1);
  EXPECT_FALSE(Render());
  for (int n = 0; n < kBlock; ++n) ASSERT_EQ(left[n] + right[n], 0.0f) << n;
}

// On a ramp (sample k = k) the interpolator is exact: the output is position + 1, so the
// difference of two outputs is the playback increment.
TEST_F(RegionPlayerTest, IncrementFollowsKeyAgainstRootKeyOrPlaysAtTheWaveRate) {
  struct Case {
    uint8_t keyTrack;
    int key;
    uint8_t root;
    uint32_t waveRate;
    float increment;
  };
  const Case cases[] = {
      {1, 69, 69, 48000, 1.0f},
      {1, 81, 69, 48000, 2.0f},
      {1, 57, 69, 24000, 0.25f},
      {1, 76, 69, 44100, 44100.0f / 48000 * std::exp2(7.0f / 12)},
      {0, 81, 69, 24000, 0.5f},
      {0, 20, 60, 96000, 2.0f},
      {1, 60, 69, 0, 0.0f},  // a wave without a rate stands
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "keyTrack " << int(c.keyTrack) << " key " << c.key << " rate " << c.waveRate);
    MultiWaveReader one;
    one.AddItem(MakeWave({Ramp(4096)}, c.waveRate));
    one.Regions().push_back(FullRange(0, c.root));
    ScopedAttach attached(player, one);
    player.SetKeyTrack(c.keyTrack);
    player.NoteOn(c.key, 1.0f);
    Render();
    EXPECT_NEAR(left[0], 1.0f, 1e-6f);
    EXPECT_NEAR(left[kBlock - 1] - left[kBlock - 2], c.increment, 1e-4f);
    EXPECT_NEAR(display.ratio.load(), c.increment, 1e-6f);
  }
}

// Frequency of a sine from its rising zero crossings (linearly interpolated) over `samples`
// samples from `first`.
double MeasuredFrequency(const std::vector<float>& x, std::size_t first, std::size_t samples) {
  double firstCrossing = -1.0, lastCrossing = -1.0;
  int cycles = -1;
  for (std::size_t n = first + 1; n < first + samples; ++n) {
    if (x[n - 1] < 0.0f && x[n] >= 0.0f) {
      const double at = static_cast<double>(n - 1) + x[n - 1] / (static_cast<double>(x[n - 1]) - x[n]);
      if (firstCrossing < 0.0) firstCrossing = at;
      lastCrossing = at;
      ++cycles;
    }
  }
  return cycles * static_cast<double>(kRate) / (lastCrossing - firstCrossing);
}

TEST_F(RegionPlayerTest, LongSampleOffItsRootKeyKeepsItsPitchToTheEnd) {
  // 60 s of 440 Hz at root key 69, played one key up.
  const std::size_t frames = 60u * kRate;
  std::vector<float> sine(frames);
  for (std::size_t n = 0; n < frames; ++n) sine[n] = static_cast<float>(std::sin(2.0 * M_PI * 440.0 * n / kRate));
  set.AddItem(MakeWave({sine}));
  set.Regions().push_back(FullRange(0, 69));
  Attach();
  player.NoteOn(70, 1.0f);
  const std::vector<float> out = RenderLeft(static_cast<int>(56u * kRate / kBlock));
  const double expected = 440.0 * std::exp2(1.0 / 12.0);
  for (double second : {1.0, 10.0, 20.0, 40.0, 55.0}) {
    const double f = MeasuredFrequency(out, static_cast<std::size_t>(second * kRate), kRate / 2);
    EXPECT_NEAR(1200.0 * std::log2(f / expected), 0.0, 0.1) << "at " << second << " s";
  }
}

TEST_F(RegionPlayerTest, NoteOnLogsTheRegionAndFillsTheDisplayRecord) {
  set.AddItem(MakeWave({Dc(64)}));
  MswfRegion r = FullRange(0, 69);
  r.lowKey = 10;
  r.highKey = 100;
  r.pan = -25.0f;
  r.loopMode = 1;
  set.Regions().push_back(r);
  Attach();
  display.shown.store(1);
  log.Clear();
  player.NoteOn(81, 1.0f);
  EXPECT_EQ(log.Text(),
            "Region [0] adjustedKey 2.000000, targetFreq:880.000000, naturalFreq:440.000000, lokey:10 hikey:100, "
            "pan:-25.000000, note 81\n");
  EXPECT_EQ(display.regionIndex[0].load(), 0);
  EXPECT_EQ(display.regionIndex[1].load(), -1);
  EXPECT_EQ(display.ratio.load(), 2.0f);
  EXPECT_EQ(display.loopMode.load(), 1);
  EXPECT_EQ(display.shown.load(), 0);  // the editor draws the new note
}

// Playback of a 16-sample ramp at increment 1 under every way the start, end, loop points
// and loop mode can be given, including file data that points outside the channel.
TEST_F(RegionPlayerTest, StartEndAndLoopPointsFromRegionOrWaveStayInsideTheChannel) {
  constexpr int kFrames = 16;
  struct Case {
    const char* what;
    uint32_t start, end, loopStart, loopEnd;  // region record
    uint8_t regionMode;
    int32_t defaultMode;
    uint32_t waveLoopStart, waveLoopEnd;
    // expected slot: start, length, mode (0: silent), loop points relative to start
    int xStart, xLength, xMode, xLoopStart, xLoopEnd;
  };
  const Case cases[] = {
      {"whole wave, wave loop", 0, 0, 0, 0, 0, 3, 4, 12, 0, 16, 3, 4, 12},
      {"whole wave, one-shot", 0, 0, 0, 0, 0, 1, 4, 12, 0, 16, 1, 0, 0},
      {"whole wave, default 2", 0, 0, 0, 0, 0, 2, 4, 12, 0, 16, 3, 0, 16},
      {"region span, default 2", 4, 14, 0, 0, 0, 2, 4, 12, 4, 10, 3, 0, 10},
      {"region span and loop", 2, 14, 6, 10, 0, 3, 0, 16, 2, 12, 3, 4, 8},
      {"region mode 2", 4, 14, 0, 0, 2, 1, 0, 16, 4, 10, 3, 0, 10},
      {"unknown region mode", 0, 0, 0, 0, 9, 3, 0, 16, 0, 16, 0, 0, 0},
      {"inverted wave loop", 0, 0, 0, 0, 0, 3, 12, 4, 0, 16, 1, 0, 0},
      {"empty wave loop", 0, 0, 0, 0, 0, 3, 7, 7, 0, 16, 1, 0, 0},
      {"wave loop past the end", 0, 0, 0, 0, 0, 3, 4, 40, 0, 16, 1, 0, 0},
      {"end past the channel", 10, 400, 0, 0, 0, 2, 0, 16, 10, 6, 3, 0, 6},
      {"start past the channel", 400, 500, 0, 0, 0, 2, 0, 16, 16, 0, 1, 0, 0},
      {"end before start", 10, 5, 0, 0, 0, 3, 0, 16, 10, 0, 1, 0, 0},
      {"loop before the start", 8, 16, 6, 10, 0, 3, 0, 16, 8, 8, 1, 0, 0},
      {"loop past the span", 2, 10, 4, 14, 0, 3, 0, 16, 2, 8, 1, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MultiWaveReader one;
    auto wave = MakeWave({Ramp(kFrames)});
    wave->Loop().loopStart = c.waveLoopStart;
    wave->Loop().loopEnd = c.waveLoopEnd;
    one.AddItem(std::move(wave));
    MswfRegion r = FullRange();
    r.startFrame = c.start;
    r.endFrame = c.end;
    r.loopStart = c.loopStart;
    r.loopEnd = c.loopEnd;
    r.loopMode = c.regionMode;
    one.Regions().push_back(r);
    ScopedAttach attached(player, one);
    player.SetDefaultLoopMode(c.defaultMode);
    player.NoteOn(69, 1.0f);
    std::vector<float> out = RenderLeft(2);
    // Increment 1: the output at position p is the sample after it, p + 1 (wrapped into
    // the loop, silent past the end in one-shot).
    int p = 0;
    for (std::size_t n = 0; n < out.size(); ++n) {
      int j = p + 1;
      if (c.xMode == 3 && j >= c.xLoopEnd) j -= c.xLoopEnd - c.xLoopStart;
      const float expected = c.xMode == 0 || j >= c.xLength ? 0.0f : static_cast<float>(c.xStart + j);
      ASSERT_EQ(out[n], expected) << "sample " << n;
      ++p;
      if (c.xMode == 3 && p >= c.xLoopEnd) p -= c.xLoopEnd - c.xLoopStart;
      if (c.xMode == 1 && p > c.xLength) p = c.xLength;
    }
  }
}

TEST_F(RegionPlayerTest, DamagedWavesPlayNothingOutsideTheirData) {
  set.AddItem(MakeWave({}));                      // no channel: skipped
  set.AddItem(MakeWave({{}}));                    // an empty channel: silent
  set.AddItem(MakeWave({Dc(32), Dc(8, -1.0f)}));  // right channel shorter than the left
  for (uint32_t i = 0; i < 3; ++i) {
    MswfRegion r = FullRange(i);
    r.loopMode = 3;
    set.Regions().push_back(r);
  }
  Attach();
  player.NoteOn(69, 1.0f);
  EXPECT_EQ(display.regionIndex[0].load(), 1);
  EXPECT_EQ(display.regionIndex[1].load(), 2);
  // The stereo pair is cut to the shorter channel; the wave's loop (0..32) no longer fits,
  // so the region plays once.
  Render();
  EXPECT_EQ(left[0], 1.0f);
  EXPECT_EQ(right[0], -1.0f);
  EXPECT_EQ(right[6], -1.0f);
  EXPECT_EQ(right[7], 0.0f);
  const std::vector<float> rest = RenderLeft(3);
  for (float v : rest) ASSERT_EQ(v, 0.0f);
}

TEST_F(RegionPlayerTest, MonoWaveFeedsBothSidesThroughTheBalanceLaw) {
  struct Case {
    uint8_t regionMode;
    float regionPan;  // percent; used only with a region loop mode
    float playerPan;
    float gain;
    bool stereo;  // second channel -1
    float left, right;
  };
  const Case cases[] = {
      {0, 80.0f, -0.5f, 1.0f, false, 1.0f, 0.5f},
      {0, 0.0f, 0.25f, 1.0f, false, 0.75f, 1.0f},
      {0, 0.0f, 0.0f, 0.5f, false, 0.25f, 0.25f},  // the level acts in the balance and again at the output
      {3, 50.0f, -1.0f, 1.0f, false, 0.5f, 1.0f},
      {3, -100.0f, 0.0f, 1.0f, false, 1.0f, 0.0f},
      {3, 250.0f, 0.0f, 1.0f, false, 0.0f, 1.0f},  // a file's pan beyond full right is full right
      {3, NAN, 0.0f, 1.0f, false, 1.0f, 1.0f},
      {0, 0.0f, 0.0f, 1.0f, true, 1.0f, -1.0f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "region mode " << int(c.regionMode) << " pan " << c.regionPan << "/"
                                      << c.playerPan << " gain " << c.gain);
    MultiWaveReader one;
    one.AddItem(c.stereo ? MakeWave({Dc(256), Dc(256, -1.0f)}) : MakeWave({Dc(256)}));
    MswfRegion r = FullRange();
    r.loopMode = c.regionMode;
    r.pan = c.regionPan;
    one.Regions().push_back(r);
    ScopedAttach attached(player, one);
    player.SetPan(c.playerPan);
    player.SetGain(c.gain);
    player.NoteOn(69, 1.0f);
    Render();
    EXPECT_FLOAT_EQ(left[5], c.left);
    EXPECT_FLOAT_EQ(right[5], c.right);
  }
}

TEST_F(RegionPlayerTest, TwoMatchingRegionsAreLayered) {
  set.AddItem(MakeWave({Dc(256)}));
  set.AddItem(MakeWave({Dc(256, 0.25f)}));
  set.Regions().push_back(FullRange(0));
  set.Regions().push_back(FullRange(1));
  Attach();
  player.NoteOn(69, 1.0f);
  Render();
  EXPECT_FLOAT_EQ(left[3], 1.25f);
  EXPECT_FLOAT_EQ(right[3], 1.25f);
}

// Against the textbook form of the 4-point, third-order Hermite interpolator (Catmull-Rom
// coefficients), in double.
TEST_F(RegionPlayerTest, InterpolatesWithFourPointHermite) {
  std::vector<float> data(1000);
  for (std::size_t k = 0; k < data.size(); ++k)
    data[k] = static_cast<float>(std::sin(0.7 * k) + 0.3 * std::cos(2.3 * k));
  set.AddItem(MakeWave({data}, 17760));  // increment 0.37 without key tracking
  set.Regions().push_back(FullRange());
  Attach();
  player.SetKeyTrack(0);
  player.NoteOn(69, 1.0f);
  const std::vector<float> out = RenderLeft(3);
  const float increment = 17760.0f / 48000.0f;
  double position = 0.0;
  for (std::size_t n = 0; n < out.size(); ++n) {
    const int i = static_cast<int>(position);
    const double t = position - i;
    const double x0 = data[i], x1 = data[i + 1], x2 = data[i + 2], x3 = data[i + 3];
    const double c1 = 0.5 * (x2 - x0);
    const double c2 = x0 - 2.5 * x1 + 2.0 * x2 - 0.5 * x3;
    const double c3 = 0.5 * (x3 - x0) + 1.5 * (x1 - x2);
    ASSERT_NEAR(out[n], ((c3 * t + c2) * t + c1) * t + x1, 2e-6) << n;
    position += increment;
  }
}

TEST_F(RegionPlayerTest, RetriggerMidSampleFadesOutOverFiveMillisecondsThenRestarts) {
  set.AddItem(MakeWave({Ramp(100000)}));
  set.Regions().push_back(FullRange());
  Attach();
  player.NoteOn(69, 1.0f);
  RenderLeft(2);  // position 128
  player.NoteOn(69, 1.0f);
  const std::vector<float> out = RenderLeft(6);
  std::size_t restart = 0;
  for (std::size_t n = 0; n < out.size() && restart == 0; ++n)
    if (out[n] == 1.0f) restart = n;
  EXPECT_GE(restart, 239u);
  EXPECT_LE(restart, 241u);
  for (std::size_t n = 0; n < restart; ++n)  // sample 129 + n faded by 1 - n / 240
    ASSERT_NEAR(out[n] / (129.0f + n), 1.0f - n * kFadeStep, 1e-4f) << n;
  for (std::size_t n = restart; n < out.size(); ++n) ASSERT_EQ(out[n], 1.0f + (n - restart)) << n;
}

TEST_F(RegionPlayerTest, RetriggerAfterTheEndStartsAtOnce) {
  set.AddItem(MakeWave({Ramp(16)}));
  set.Regions().push_back(FullRange());
  Attach();
  player.SetDefaultLoopMode(RegionPlayer::kOneShot);
  player.NoteOn(69, 1.0f);
  Render();
  EXPECT_EQ(left[kBlock - 1], 0.0f);
  player.NoteOn(69, 1.0f);
  Render();
  EXPECT_EQ(left[0], 1.0f);
  EXPECT_EQ(left[1], 2.0f);
}

TEST_F(RegionPlayerTest, PitchModulationScalesTheStepButNeverReversesIt) {
  struct Case {
    float modulation, amount, speed, step;
  };
  const Case cases[] = {
      {0.5f, 1.0f, 1.0f, 1.5f},
      {1.0f, 0.5f, 2.0f, 3.0f},
      {-3.0f, 1.0f, 1.0f, 0.0f},
      {-1.0f, 0.25f, 1.0f, 0.75f},
      {NAN, 1.0f, 1.0f, 0.0f},
      {0.0f, 1.0f, -2.0f, 0.0f},
  };
  set.AddItem(MakeWave({Ramp(4096)}));
  set.Regions().push_back(FullRange());
  Attach();
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "modulation " << c.modulation << " x " << c.amount << " speed " << c.speed);
    const std::vector<float> pm(kBlock, c.modulation);
    player.SetSpeed(c.speed);
    player.AttachSample(&set);  // back to the start
    player.NoteOn(69, 1.0f);
    Render(pm.data(), c.amount);
    for (int n = 0; n < kBlock; ++n) ASSERT_FLOAT_EQ(left[n], 1.0f + n * c.step) << n;
  }
}

// A modulation source gone wild must neither hang the wrap of a short loop nor leave the
// position undefined: the slot keeps playing its own samples afterwards.
TEST_F(RegionPlayerTest, HugePitchModulationKeepsThePositionInsideTheRegion) {
  struct Case {
    int32_t mode;
    float modulation;
  };
  const Case cases[] = {
      {RegionPlayer::kLoopPoints, 1e30f},
      {RegionPlayer::kLoopPoints, INFINITY},
      {RegionPlayer::kOneShot, 1e30f},
      {RegionPlayer::kOneShot, INFINITY},
  };
  auto wave = MakeWave({Ramp(16)});
  wave->Loop().loopStart = 4;
  wave->Loop().loopEnd = 6;
  set.AddItem(std::move(wave));
  set.Regions().push_back(FullRange());
  Attach();
  const std::vector<float> wild(kBlock, 0.0f);
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "mode " << c.mode << " modulation " << c.modulation);
    std::vector<float> pm = wild;
    pm[1] = c.modulation;
    player.SetDefaultLoopMode(c.mode);
    player.AttachSample(&set);  // back to the start
    player.NoteOn(69, 1.0f);
    Render(pm.data(), 1.0f);
    for (int block = 0; block < 2; ++block) {
      for (int n = 2; n < kBlock; ++n) {
        if (c.mode == RegionPlayer::kOneShot) {
          ASSERT_EQ(left[n], 0.0f) << n;  // ran off the end and stays there
        } else {
          // The loop holds samples 4 and 5; the interpolator may overshoot them a little.
          ASSERT_TRUE(left[n] >= 3.0f && left[n] <= 6.0f) << n << ": " << left[n];
        }
      }
      Render();
    }
  }
}

TEST_F(RegionPlayerTest, AttachingMovesTheReferenceCountAndStopsTheSlots) {
  MultiWaveReader other;
  other.AddItem(MakeWave({Dc(256)}));
  other.Regions().push_back(FullRange());
  set.AddItem(MakeWave({Dc(256)}));
  set.Regions().push_back(FullRange());

  player.NoteOn(69, 1.0f);  // nothing attached: nothing happens
  Render();
  EXPECT_EQ(left[0], 0.0f);
  Attach();
  EXPECT_EQ(set.RefCount(), 1);
  player.NoteOn(69, 1.0f);
  Render();
  EXPECT_EQ(left[0], 1.0f);
  player.AttachSample(&other);
  EXPECT_EQ(set.RefCount(), 0);
  EXPECT_EQ(other.RefCount(), 1);
  Render();  // the new set plays nothing until the next note
  EXPECT_EQ(left[0], 0.0f);
  player.AttachSample(nullptr);
  player.AttachSample(nullptr);
  EXPECT_EQ(other.RefCount(), 0);
}

TEST_F(RegionPlayerTest, NoteOnAndRenderAllocateNothing) {
  set.AddItem(MakeWave({Ramp(4096), Ramp(4096)}));
  set.Regions().push_back(FullRange());
  set.Regions().push_back(FullRange());
  Attach();
  const std::vector<float> pm(kBlock, 0.1f);
  testing_support::AllocGuard guard;
  for (int b = 0; b < 50; ++b) {
    if (b % 10 == 0) player.NoteOn(60 + b / 10, 0.8f);
    Render(pm.data(), 0.5f);
  }
  EXPECT_EQ(guard.Count(), 0u);
}

}  // namespace
