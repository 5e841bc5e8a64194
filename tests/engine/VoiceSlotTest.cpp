#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <limits>
#include <mutex>
#include <thread>
#include <vector>

#include "tests/engine/VoiceRig.h"
#include "tests/support/AllocCounter.h"
#include "tests/support/LogCapture.h"

namespace voice_test {
namespace {

double Rms(const std::vector<float>& x, std::size_t from, std::size_t count) {
  double sum = 0.0;
  for (std::size_t i = from; i < from + count; ++i) sum += static_cast<double>(x[i]) * x[i];
  return std::sqrt(sum / static_cast<double>(count));
}

// Frequency from the rising zero crossings, each placed by linear interpolation.
double CrossingFrequency(const std::vector<float>& x, std::size_t from, std::size_t count) {
  double first = -1.0, last = -1.0;
  int crossings = 0;
  for (std::size_t i = from + 1; i < from + count; ++i) {
    if (x[i - 1] < 0.0f && x[i] >= 0.0f) {
      const double t = static_cast<double>(i - 1) + x[i - 1] / static_cast<double>(x[i - 1] - x[i]);
      if (first < 0.0) first = t;
      else ++crossings;
      last = t;
    }
  }
  return crossings > 0 ? crossings * kRate / (last - first) : 0.0;
}

TEST(VoiceSlotRender, Env1ToVca1SoundsAndEnds) {
  VoiceRig rig;
  rig.SineThroughEnv1();
  rig.Env1(0.005f, 0.05f, 60, 0.05f);
  rig.Start(60, 1.0f);
  rig.Run(20);
  EXPECT_GT(rig.BlockPeak(), 0.1f);
  EXPECT_FALSE(rig.slot.IsFinished());
  rig.ReleaseNote();
  rig.Run(200);
  EXPECT_TRUE(rig.slot.IsFinished());
  EXPECT_EQ(rig.BlockPeak(), 0.0f);
}

TEST(VoiceSlotRender, SilentWithoutARouteIntoTheAmplifiers) {
  VoiceRig rig;
  rig.SineThroughEnv1();
  rig.Env1(0.005f, 0.05f, 60, 0.05f);
  rig.Route(0, SynthVoice::kSrcEnv1, SynthVoice::kDstVcfAEnv);  // replaces the VCA route
  rig.Start(60, 1.0f);
  float peak = 0.0f;
  for (int b = 0; b < 20; ++b) {
    rig.Block();
    peak = std::fmax(peak, rig.BlockPeak());
  }
  EXPECT_EQ(peak, 0.0f);
  EXPECT_GT(std::fabs(rig.buffers.Get(VoiceBuffers::kFilterAOutLeft)[100]), 0.0f) << "the filters did run";
}

// Clearing every route (as a preset load does first, on the live bank) leaves the voice
// without an amplifier route: it fades out over the next block, without a step, is silent
// after it, and so is the next note.
TEST(VoiceSlotRender, ClearingAllRoutesSilencesTheVoice) {
  for (int32_t clearSlot : {ModulationMatrix::kClearSlot, -1}) {
    SCOPED_TRACE(clearSlot);
    VoiceRig rig;
    rig.SineThroughEnv1();
    rig.Env1(0.005f, 0.05f, 60, 0.05f);
    rig.Start(60, 1.0f);
    std::vector<float> out;
    rig.Run(20, &out);
    ASSERT_GT(rig.BlockPeak(), 0.1f);
    ASSERT_EQ(rig.voice->SetRoute(clearSlot, 0, 0, 0.0f, 0), 0);
    rig.Run(1, &out);
    // The 130 Hz sine at its level moves at most 0.016 a sample; the fade adds 1/128 of it.
    float step = 0.0f;
    for (std::size_t i = out.size() - kFrames; i < out.size(); ++i) step = std::fmax(step, std::fabs(out[i] - out[i - 1]));
    EXPECT_LT(step, 0.03f);
    EXPECT_EQ(out.back(), 0.0f);
    rig.Run(1);
    EXPECT_EQ(rig.BlockPeak(), 0.0f);
    rig.ReleaseNote();
    rig.Start(64, 1.0f);
    float peak = 0.0f;
    for (int b = 0; b < 20; ++b) {
      rig.Block();
      peak = std::fmax(peak, rig.BlockPeak());
    }
    EXPECT_EQ(peak, 0.0f);
  }
}

// A trigger-length gate: the note's start and end reach the slot in one block. It plays as a
// note released at the start of the next block would, attack and all, and then ends.
TEST(VoiceSlotRender, ANoteEndingInTheBlockItStartedSoundsAndReleasesABlockLater) {
  auto play = [](bool sameBlock) {
    VoiceRig rig;
    rig.SineThroughEnv1();
    rig.Env1(0.002f, 0.05f, 60, 0.01f);
    std::vector<float> out;
    rig.Start(60, 1.0f);
    if (sameBlock) rig.ReleaseNote();
    rig.Run(1, &out);
    if (!sameBlock) rig.ReleaseNote();
    rig.Run(40, &out);
    EXPECT_TRUE(rig.slot.IsFinished());
    return out;
  };
  const std::vector<float> gate = play(true);
  const std::vector<float> later = play(false);
  float peak = 0.0f;
  for (std::size_t i = 0; i < 2 * kFrames; ++i) peak = std::fmax(peak, std::fabs(gate[i]));
  EXPECT_GT(peak, 0.3f);
  EXPECT_EQ(gate, later);
  EXPECT_EQ(gate.back(), 0.0f);
}

TEST(VoiceSlotRender, VelocityZeroBindsButStaysSilent) {
  VoiceRig rig;
  rig.SineThroughEnv1();
  rig.Start(69, 0.0f);
  rig.Run(10);
  EXPECT_EQ(rig.slot.BoundVoice(), rig.voice.get());
  EXPECT_EQ(rig.voice->note(), 69);
  EXPECT_TRUE(rig.slot.IsFinished());
  EXPECT_EQ(rig.BlockPeak(), 0.0f);
}

TEST(VoiceSlotEvents, FiveEventsABlockAndTwentyInTheRing) {
  VoiceRig rig;
  for (int i = 0; i < 6; ++i) ASSERT_TRUE(rig.Start(60 + i, 1.0f));
  rig.Block();
  EXPECT_EQ(rig.slot.QueuedEvents(), 1);
  EXPECT_EQ(rig.voice->note(), 64) << "the fifth start was the last one taken";
  rig.Block();
  EXPECT_EQ(rig.voice->note(), 65);
  EXPECT_EQ(rig.slot.QueuedEvents(), 0);

  for (int i = 0; i < VoiceSlot::kRingCapacity; ++i) EXPECT_TRUE(rig.ReleaseNote());
  EXPECT_FALSE(rig.Start(70, 1.0f)) << "a full ring drops the event";
  for (int b = 0; b < 4; ++b) rig.Block();
  EXPECT_EQ(rig.slot.QueuedEvents(), 0);
  EXPECT_TRUE(rig.Start(70, 1.0f));
}

TEST(VoiceSlotEvents, NothingRendersBeforeTheFirstStart) {
  VoiceRig rig;
  rig.left.fill(0.25f);
  rig.ReleaseNote();
  rig.Block();
  EXPECT_EQ(rig.slot.BoundVoice(), nullptr);
  EXPECT_EQ(rig.left[0], 0.25f) << "an unbound slot leaves its outputs alone";
  EXPECT_TRUE(rig.slot.IsFinished());
}

TEST(VoiceSlotRender, UndefinedOscillatorTypeGivesZeroOutput) {
  VoiceRig rig;
  rig.SineThroughEnv1();
  rig.Start(60, 1.0f);
  rig.Run(4);
  EXPECT_GT(rig.BlockPeak(), 0.0f);
  rig.Param(16, 0, 3);
  rig.Run(1);
  for (VoiceBuffers::Buffer b : {VoiceBuffers::kOsc1Left, VoiceBuffers::kOsc1Right, VoiceBuffers::kOsc2Left})
    for (int i = 0; i < kFrames; ++i) ASSERT_EQ(rig.buffers.Get(b)[i], 0.0f) << b << " " << i;
}

TEST(VoiceSlotRender, CutoffFromModulationEnvelopeAndFloor) {
  struct Case {
    const char* what;
    bool exponential;
    float mod;  // VCF_A.MOD
    float env;  // VCF_A.ENV
    float expectedHz;
  };
  const Case cases[] = {
      {"plain", false, 0.0f, 0.0f, 1000.0f},
      {"modulation x 10 + 1", false, 0.2f, 0.0f, 3000.0f},
      {"linear envelope, squared", false, 0.0f, 0.5f, 1000.0f + 75.0f * 75.0f},
      {"linear envelope keeps its sign", false, 0.0f, -0.1f, 1000.0f - 15.0f * 15.0f},
      {"linear below the floor", false, 0.0f, -0.5f, 50.0f},
      {"modulation below the floor", false, -1.0f, 0.0f, 50.0f},
      {"exponential envelope", true, 0.0f, 0.5f, 1000.0f * 32.0f},
      {"exponential ignores a negative envelope", true, 0.0f, -0.5f, 1000.0f},
  };
  for (const Case& c : cases) {
    VoiceRig rig;
    rig.Param(768, 0, 1000);
    rig.Param(769, 0, 100);
    rig.Param(776, 0, c.exponential ? 1 : 0);
    rig.Route(0, SynthVoice::kSrcFix, SynthVoice::kDstVcfAMod, c.mod);
    rig.Route(1, SynthVoice::kSrcFix, SynthVoice::kDstVcfAEnv, c.env);
    rig.Start(51, 1.0f);
    rig.Run(1);
    EXPECT_NEAR(rig.slot.Status().filter[0].cutoff.load(), c.expectedHz, c.expectedHz * 1e-3f) << c.what;
    EXPECT_FLOAT_EQ(rig.slot.Status().filter[0].base.load(), 1000.0f) << c.what;
  }
}

// Two sines into the mixer; the filter inputs are compared with the oscillator outputs.
TEST(VoiceSlotRender, MixerGainsByRoutingAndCrossfade) {
  struct Case {
    const char* what;
    float route1, route2, xfade;
    float a1, b1, a2, b2;  // in units of the oscillator's level
  };
  const float l1 = 1.0f, l2 = 0.13964f;  // level curve at 100 and 50
  const Case cases[] = {
      {"both to A", 0, 0, 0, l1, 0, l2, 0},
      {"both to B", 1, 1, 0, 0, l1, 0, l2},
      {"1 to A, 2 to B", 0, 1, 0, l1, 0, 0, l2},
      {"crossfade middle", 2, 1, 0, 0.5f * l1, 0, 0.5f * l2, 0},
      {"crossfade all oscillator 1", 2, 1, 100, l1, 0, 0, 0},
      {"crossfade all oscillator 2", 2, 1, -100, 0, 0, l2, 0},
  };
  const float driveA = 1.0f, driveB = 0.469626f;  // curve at 100 and 80
  for (const Case& c : cases) {
    VoiceRig rig;
    rig.SineThroughEnv1();
    rig.Param(16, 1, SynthVoice::kAlgorithmic);
    rig.Param(536, 1, 1);
    rig.Param(528, 1, 7);
    rig.Param(17, 1, 50);
    rig.Param(771, 1, 80);
    rig.Param(18, 0, c.route1);
    rig.Param(18, 1, c.route2);
    rig.Param(19, 0, c.xfade);
    rig.Start(60, 1.0f);
    rig.Run(3);
    const float* o1 = rig.buffers.Get(VoiceBuffers::kOsc1Left);
    const float* o2 = rig.buffers.Get(VoiceBuffers::kOsc2Left);
    const float* inA = rig.buffers.Get(VoiceBuffers::kFilterAInLeft);
    const float* inB = rig.buffers.Get(VoiceBuffers::kFilterBInLeft);
    float energy = 0.0f;
    for (int i = 0; i < kFrames; ++i) {
      energy += std::fabs(o1[i]) + std::fabs(o2[i]);
      ASSERT_NEAR(inA[i], (o1[i] * c.a1 + o2[i] * c.a2) * driveA, 1e-5f) << c.what << " " << i;
      ASSERT_NEAR(inB[i], (o1[i] * c.b1 + o2[i] * c.b2) * driveB, 1e-5f) << c.what << " " << i;
    }
    EXPECT_GT(energy, 1.0f) << c.what;
  }
}

// The oscillator gain is offset + AM x AM amount x 0.5 with AM and its amount at 1.0 unless
// routed: the default offset of 0.5 passes the oscillator unchanged.
TEST(VoiceSlotRender, AmOffsetScalesTheOscillator) {
  VoiceRig reference;
  reference.SineThroughEnv1();
  reference.Start(60, 1.0f);
  reference.Run(3);
  struct Case {
    float offset;  // percent
    float gain;
  };
  for (const Case& c : {Case{50, 1.0f}, Case{0, 0.5f}, Case{100, 1.5f}}) {
    VoiceRig rig;
    rig.SineThroughEnv1();
    rig.Param(2052, 0, c.offset);
    rig.Start(60, 1.0f);
    rig.Run(3);
    for (int i = 0; i < kFrames; ++i)
      ASSERT_NEAR(rig.buffers.Get(VoiceBuffers::kOsc1Left)[i],
                  reference.buffers.Get(VoiceBuffers::kOsc1Left)[i] * c.gain, 1e-5f) << c.offset;
  }
}

// A fixed patch heard from the output: two algorithmic oscillators (a sine and a quieter
// sine a fifth up), a four-pole low-pass well above them, ENV1 on the amplifier, ENV2 and
// LFO1 on the cutoff.
TEST(VoiceSlotRender, FixedPatchPitchEnvelopeAndReleaseFromTheOutput) {
  VoiceRig rig;
  rig.SineThroughEnv1();
  rig.Param(16, 1, SynthVoice::kAlgorithmic);
  rig.Param(536, 1, 1);
  rig.Param(528, 1, 12);
  rig.Param(17, 1, 40);
  rig.Param(18, 1, 0);
  rig.Param(773, 0, 1);
  rig.Param(768, 0, 4000);
  rig.Param(769, 0, 20);
  rig.Param(1281, 0, 2.0f);
  rig.Env1(0.05f, 0.2f, 50, 0.1f);
  rig.Route(1, SynthVoice::kSrcEnv2, SynthVoice::kDstVcfAEnv, 0.5f);
  rig.Route(2, SynthVoice::kSrcLfo1, SynthVoice::kDstVcfAMod, 0.02f, ModulationMatrix::kBipolar);

  std::vector<float> out;
  rig.Start(69, 1.0f);
  rig.Run(375, &out);  // one second held
  rig.ReleaseNote();
  rig.Run(375, &out);

  const std::size_t ms = kRate / 1000;
  // Pitch over the sustained part.
  EXPECT_NEAR(CrossingFrequency(out, 600 * ms, 300 * ms), 219.52, 0.3);
  // Attack: rises through the first 50 ms, peaks near its end, decays to half by 0.6 s.
  const double early = Rms(out, 5 * ms, 5 * ms);
  const double peak = Rms(out, 45 * ms, 10 * ms);
  const double sustain = Rms(out, 700 * ms, 200 * ms);
  EXPECT_LT(early, 0.5 * peak);
  EXPECT_NEAR(sustain / peak, 0.5, 0.08);
  // Release: 0.1 s after note off the level is far down; 0.5 s after it is gone.
  EXPECT_LT(Rms(out, 1100 * ms, 20 * ms), 0.2 * sustain);
  EXPECT_LT(Rms(out, 1500 * ms, 100 * ms), 1e-4 * sustain);
  EXPECT_TRUE(rig.slot.IsFinished());
}

// Amplifier 2's AM route silences channel B only; oscillator 2's output is source 9.
// With glide on, a fresh voice's first note sounds at its own pitch from its first block
// (a preset's coarse setting before it included); the next note glides up from there.
TEST(VoiceSlotRender, FirstNoteWithGlideStartsAtItsOwnPitch) {
  for (int mode : {SynthVoice::kGlideTime, SynthVoice::kGlideRate}) {
    SCOPED_TRACE(mode);
    VoiceRig rig;
    rig.SineThroughEnv1();
    rig.Env1(0.001f, 0.05f, 100, 0.05f);
    rig.Param(1, 0, static_cast<float>(mode));
    rig.Param(2, 0, 0.5f);
    rig.Param(3, 0, 5);
    rig.Param(7, 0, 0);
    rig.Param(528, 0, 0);  // a coarse setting before any note
    rig.Start(69, 1.0f);
    std::vector<float> out;
    rig.Run(12, &out);
    EXPECT_NEAR(CrossingFrequency(out, 0, out.size()), 219.52, 2.0);
    rig.Start(81, 1.0f);
    out.clear();
    rig.Run(12, &out);
    const double second = CrossingFrequency(out, 0, out.size());
    EXPECT_GT(second, 219.52 * 1.01);
    EXPECT_LT(second, 439.04 * 0.99);
  }
}

TEST(VoiceSlotRender, RoutesReachTheirOwnAmplifierAndCarryOscillatorTwo) {
  VoiceRig rig;
  rig.SineThroughEnv1();
  rig.Param(16, 1, SynthVoice::kAlgorithmic);
  rig.Param(536, 1, 1);
  rig.Param(528, 1, 5);
  rig.Param(17, 1, 100);
  rig.Param(18, 1, 1);  // oscillator 2 to channel B
  rig.Param(771, 1, 100);
  rig.Route(1, SynthVoice::kSrcEnv1, SynthVoice::kDstVca2Env);
  rig.Route(2, SynthVoice::kSrcFix, SynthVoice::kDstVca2Am, -1.0f);
  rig.Route(3, SynthVoice::kSrcOsc2, SynthVoice::kDstOsc1Fm, 1.0f, ModulationMatrix::kBipolar);
  rig.Start(60, 1.0f);
  rig.Run(4);
  const std::vector<float> osc2(rig.buffers.Get(VoiceBuffers::kOsc2Left), rig.buffers.Get(VoiceBuffers::kOsc2Left) + kFrames);
  rig.Run(1);
  const float* a = rig.buffers.Get(VoiceBuffers::kFilterAOutLeft);
  const float* b = rig.buffers.Get(VoiceBuffers::kFilterBOutLeft);
  const float* env = rig.buffers.Get(VoiceBuffers::kVca1Env);
  float bEnergy = 0.0f;
  for (int i = 0; i < kFrames; ++i) {
    bEnergy += std::fabs(b[i]);
    ASSERT_NEAR(rig.left[i], a[i] * env[i], 1e-6f) << i;
    ASSERT_EQ(rig.buffers.Get(VoiceBuffers::kOsc1Fm)[i], osc2[static_cast<std::size_t>(i)]) << i;
  }
  EXPECT_GT(bEnergy, 1.0f) << "channel B carries oscillator 2; only its amplifier is closed";
}

TEST(VoiceSlotRender, ShutdownRequestFadesTheVoiceOut) {
  VoiceRig rig;
  rig.SineThroughEnv1();
  rig.Env1(0.005f, 0.05f, 100, 5.0f);
  rig.Start(60, 1.0f);
  rig.Run(20);
  rig.voice->RequestShutdown();
  EXPECT_FALSE(rig.slot.IsFinished()) << "taken by the render thread at its next block";
  rig.Run(30);  // 80 ms: past the 50 ms kill fade, far short of the 5 s release
  EXPECT_TRUE(rig.slot.IsFinished());
  EXPECT_EQ(rig.BlockPeak(), 0.0f);
}

// Both output channels of `blocks` blocks.
std::vector<float> Stereo(VoiceRig& rig, int blocks) {
  std::vector<float> out;
  for (int b = 0; b < blocks; ++b) {
    rig.Block();
    out.insert(out.end(), rig.left.begin(), rig.left.end());
    out.insert(out.end(), rig.right.begin(), rig.right.end());
  }
  return out;
}

// A setting far outside the range its page sends sounds as the page's end of the range, and
// coming back from it is at once as it is from there.
TEST(VoiceSlotRender, SettingsBeyondTheirPageRangeSoundAsItsEnd) {
  struct Case {
    int32_t number;
    float wild, end, back;
    bool wavetable;
  };
  const Case cases[] = {
      {1028, 1e6f, 100, 50, false},  {1028, -1e6f, 0, 50, false},    // sustain
      {1030, 1e6f, 100, 50, false},  {1030, -1e6f, 0, 50, false},    // velocity amount
      {2052, 1e6f, 100, 50, false},  {2052, -1e6f, 0, 50, false},    // AM offset
      {534, 1e6f, 100, 0, false},    {534, -1e6f, -100, 0, false},   // algorithmic pan
      {533, 1e6f, 100, 50, false},   {533, -1e6f, 0, 50, false},     // algorithmic spread
      {518, 1e6f, 100, 0, true},     {518, -1e6f, -100, 0, true},    // wavetable pan
      {517, 1e6f, 100, 50, true},    {517, -1e6f, 0, 50, true},      // wavetable spread
      {515, 1e6f, 100, 20, true},    {515, -1e6f, 0, 20, true},      // wavetable unison detune
      {531, 1e6f, 100, 20, false},   {531, -1e6f, 0, 20, false},     // algorithmic unison detune
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.number << " at " << c.wild);
    std::vector<float> out[2];
    for (int r = 0; r < 2; ++r) {
      VoiceRig rig;
      rig.SineThroughEnv1();
      rig.Env1(0.005f, 0.05f, 60, 0.05f);
      if (c.wavetable) {
        rig.voice->AttachWavetable(0, &SharedWavetable());
        rig.Param(16, 0, SynthVoice::kWavetable);
        rig.Param(516, 0, 3);
      } else {
        rig.Param(532, 0, 3);
      }
      rig.Param(c.number, 0, r == 0 ? c.wild : c.end);
      rig.Start(60, 0.5f);
      out[r] = Stereo(rig, 30);
      rig.Param(c.number, 0, c.back);
      const std::vector<float> after = Stereo(rig, 10);
      out[r].insert(out[r].end(), after.begin(), after.end());
    }
    float peak = 0.0f;
    for (float v : out[1]) peak = std::fmax(peak, std::fabs(v));
    ASSERT_GT(peak, 0.05f);
    EXPECT_EQ(out[0], out[1]);
  }
}

// Route amounts: the page's -100..100 % arrive as -1..1. Beyond that they are held to it; an
// undefined one changes nothing.
TEST(VoiceSlotRender, RouteAmountsAreHeldToTheirRangeAndRefuseNonFiniteValues) {
  constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
  constexpr float kInf = std::numeric_limits<float>::infinity();
  struct Case {
    const char* name;
    bool amountOnly;
    float wild, same;  // same: the amount that sounds alike; NaN: no call at all
  };
  const Case cases[] = {
      {"route 1e30", false, 1e30f, 1.0f},       {"route -1e30", false, -1e30f, -1.0f},
      {"route NaN", false, kNaN, kNaN},          {"route inf", false, kInf, kNaN},
      {"amount 1e30", true, 1e30f, 1.0f},       {"amount -inf", true, -kInf, kNaN},
      {"amount NaN", true, kNaN, kNaN},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<float> out[2];
    for (int r = 0; r < 2; ++r) {
      VoiceRig rig;
      rig.SineThroughEnv1();
      rig.Env1(0.005f, 0.05f, 60, 0.05f);
      rig.Route(1, SynthVoice::kSrcLfo1, SynthVoice::kDstOsc1Fm, 0.01f, ModulationMatrix::kBipolar);
      const float amount = r == 0 ? c.wild : c.same;
      if (r == 0 || !std::isnan(amount)) {
        if (c.amountOnly) {
          rig.voice->SetRouteAmount(1, amount);
        } else {
          EXPECT_EQ(rig.voice->SetRoute(1, SynthVoice::kSrcLfo1, SynthVoice::kDstOsc1Fm, amount,
                                        ModulationMatrix::kBipolar), 0);
        }
        rig.voice->ApplyParams();
      }
      rig.Start(60, 1.0f);
      out[r] = Stereo(rig, 20);
    }
    for (float v : out[0]) ASSERT_LT(std::fabs(v), 4.0f);
    EXPECT_EQ(out[0], out[1]);
  }
}

// Every parameter the voice takes, at the largest finite values either way, on a voice
// whose LFOs, macros and controllers reach its pans, levels and amplifiers: every block stays
// finite and below 16 (+24 dBFS).
TEST(VoiceSlotRender, EveryParameterAtExtremeValuesKeepsTheOutputBounded) {
  const int32_t numbers[] = {0,    1,    2,    3,    7,    16,   17,   18,   19,   512,  513,  515,  516,  517,
                             518,  519,  520,  522,  524,  525,  526,  528,  529,  531,  532,  533,  534,  535,
                             536,  537,  539,  540,  544,  545,  548,  549,  550,  551,  552,  553,  554,  556,
                             576,  577,  578,  579,  768,  769,  770,  771,  772,  773,  774,  776,  1024, 1025,
                             1026, 1027, 1028, 1029, 1030, 1031, 1032, 1033, 1280, 1281, 1282, 1283, 1284, 1285,
                             1286, 1536, 1537, 1538, 1539, 1792, 1793, 1794, 2048, 2049, 2050, 2051, 2052, 2053,
                             2054, 2055};
  for (int32_t number : numbers) {
    for (float value : {3.4e38f, -3.4e38f, 1e6f, -1e6f}) {
      SCOPED_TRACE(testing::Message() << number << " at " << value);
      VoiceRig rig;
      rig.SineThroughEnv1();
      rig.Env1(0.005f, 0.05f, 60, 0.05f);
      rig.voice->AttachWavetable(1, &SharedWavetable());
      rig.Param(16, 1, SynthVoice::kWavetable);
      rig.Param(17, 1, 100);
      rig.Param(516, 1, 3);  // four unison voices on both
      rig.Param(532, 0, 3);
      rig.Param(1539, 0, 3);  // the shaper on channel A
      rig.Route(1, SynthVoice::kSrcLfo1, SynthVoice::kDstOsc1Pan, 1.0f, ModulationMatrix::kBipolar);
      rig.Route(2, SynthVoice::kSrcMacro1, SynthVoice::kDstVca1Am, 1.0f, ModulationMatrix::kBipolar);
      rig.Route(3, SynthVoice::kSrcLfo2, SynthVoice::kDstOsc2Pan, 1.0f, ModulationMatrix::kBipolar);
      rig.Route(4, SynthVoice::kSrcModWheel, SynthVoice::kDstVcfAMod);
      for (int32_t instance = 0; instance < 4; ++instance) rig.Param(number, instance, value);
      rig.Start(60, 1.0f);
      float peak = 0.0f;
      bool finite = true;
      for (int32_t b = 0; b < 40; ++b) {
        rig.Block();
        for (int32_t i = 0; i < kFrames; ++i) {
          finite = finite && std::isfinite(rig.left[i]) && std::isfinite(rig.right[i]);
          peak = std::fmax(peak, std::fmax(std::fabs(rig.left[i]), std::fabs(rig.right[i])));
        }
      }
      EXPECT_TRUE(finite);
      EXPECT_LT(peak, 16.0f);
    }
  }
  // Then all of them at once: random parameters at random extremes while notes play.
  VoiceRig rig;
  rig.SineThroughEnv1();
  rig.voice->AttachWavetable(1, &SharedWavetable());
  rig.Param(16, 1, SynthVoice::kWavetable);
  rig.Route(1, SynthVoice::kSrcLfo1, SynthVoice::kDstOsc1Pan, 1.0f, ModulationMatrix::kBipolar);
  rig.Route(2, SynthVoice::kSrcMacro1, SynthVoice::kDstVca1Am, 1.0f, ModulationMatrix::kBipolar);
  rig.Route(3, SynthVoice::kSrcLfo2, SynthVoice::kDstOsc2Pan, 1.0f, ModulationMatrix::kBipolar);
  rig.Route(4, SynthVoice::kSrcEnv2, SynthVoice::kDstVcfAEnv);
  const float extremes[] = {3.4e38f, -3.4e38f, 1e6f, -1e6f, 1e3f, -1e3f, 255.0f, -100.0f, 0.0f, 1.0f};
  uint32_t seed = 12345u;
  auto next = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
  };
  int32_t loud = 0;
  float worst = 0.0f;
  for (int32_t b = 0; b < 3000; ++b) {
    for (int32_t k = 0; k < 3; ++k) {
      const int32_t number = numbers[next() % (sizeof(numbers) / sizeof(numbers[0]))];
      rig.voice->SetParam(false, static_cast<int32_t>(next() % 4), number, extremes[next() % 10]);
    }
    if (b % 50 == 0) rig.Start(36 + static_cast<int32_t>(next() % 60), 1.0f);
    if (b % 50 == 30) rig.ReleaseNote();
    rig.Block();
    float peak = 0.0f;
    for (int32_t i = 0; i < kFrames; ++i)
      peak = std::isfinite(rig.left[i]) && std::isfinite(rig.right[i])
                 ? std::fmax(peak, std::fmax(std::fabs(rig.left[i]), std::fabs(rig.right[i])))
                 : INFINITY;
    loud += peak >= 16.0f;
    worst = std::fmax(worst, peak);
  }
  EXPECT_EQ(loud, 0) << "loudest " << worst;
}

// An LFO whose depth is 0 (here the mod wheel at rest), or that no route reads, is not
// rendered, only moved on. When the wheel comes up or a route appears mid-note it must carry
// on where a rendered LFO would be, value for value, not from where it stood still or with a
// stale hold; the display shows its value throughout.
TEST(VoiceSlotModulation, AnLfoNobodyHearsComesInWhereARenderedOneWouldBe) {
  enum Mode { kRendered, kWheelAtZero, kNoRouteYet };
  for (int32_t lfo : {0, 1}) {
    for (int32_t type : {VoiceLfo::kSin, VoiceLfo::kRand}) {
      const auto buffer = lfo == 0 ? VoiceBuffers::kLfo1 : VoiceBuffers::kLfo2;
      struct Played {
        std::vector<float> lfo, am, display;
      };
      auto play = [&](Mode mode) {
        Played got;
        VoiceLfo::SeedRandom(99u);
        VoiceRig rig;
        rig.SineThroughEnv1();
        rig.Env1(0.005f, 0.05f, 60, 0.05f);
        rig.Param(1280, lfo, static_cast<float>(type));
        rig.Param(1281, lfo, 1500.0f);  // a random hold of 8 values
        auto route = [&] {
          rig.Route(1, SynthVoice::kSrcLfo1 + lfo, SynthVoice::kDstVca1Am, 0.5f, ModulationMatrix::kBipolar);
        };
        if (mode != kNoRouteYet) route();
        if (mode == kWheelAtZero)
          rig.Route(2, SynthVoice::kSrcModWheel, lfo == 0 ? SynthVoice::kDstLfo1Am : SynthVoice::kDstLfo2Am);
        rig.Start(60, 1.0f);
        for (int32_t b = 0; b < 42; ++b) {
          if (b == 30) {
            rig.controllers.value[VoiceControllers::kModWheel].store(1.0f);
            if (mode == kNoRouteYet) route();
          }
          rig.Block();
          got.display.push_back(rig.slot.Status().lfo[lfo].output.load());
          // The depth reaches the LFO a block after the matrix sets it.
          if (b < 32) continue;
          const float* l = rig.buffers.Get(buffer);
          const float* am = rig.buffers.Get(VoiceBuffers::kVca1Am);
          got.lfo.insert(got.lfo.end(), l, l + kFrames);
          got.am.insert(got.am.end(), am, am + kFrames);
        }
        return got;
      };
      const Played rendered = play(kRendered);
      EXPECT_GT(*std::max_element(rendered.lfo.begin(), rendered.lfo.end()), 0.1f);
      for (Mode mode : {kWheelAtZero, kNoRouteYet}) {
        SCOPED_TRACE(::testing::Message() << "LFO " << lfo + 1 << " type " << type << " mode " << mode);
        const Played quiet = play(mode);
        EXPECT_EQ(quiet.lfo, rendered.lfo);
        EXPECT_EQ(quiet.am, rendered.am);
        if (mode == kNoRouteYet) {
          EXPECT_EQ(quiet.display, rendered.display);
        } else {
          EXPECT_EQ(quiet.display[20], 0.0f);  // at no depth
          EXPECT_EQ(std::vector<float>(quiet.display.begin() + 32, quiet.display.end()),
                    std::vector<float>(rendered.display.begin() + 32, rendered.display.end()));
        }
      }
    }
  }
}

// The amplitude inputs of the oscillators and amplifiers rest at 1 and the shaper's at 0
// without a route. When their routes move elsewhere mid-note, or the voice's buffers are
// cleared, they are back at rest in the next block: the output is that of a voice that never
// had the routes.
// Installing a route mid-note, here one nothing hears, leaves the LFOs playing at their
// depths: the output is that of the voice that never had the route.
TEST(VoiceSlotModulation, ConnectingARouteMidNoteKeepsTheLfosPlaying) {
  auto play = [](bool connect) {
    VoiceRig rig;
    rig.SineThroughEnv1();
    rig.Env1(0.005f, 0.05f, 60, 0.05f);
    rig.Route(1, SynthVoice::kSrcLfo1, SynthVoice::kDstVca1Am, 0.5f, ModulationMatrix::kBipolar);
    rig.Route(2, SynthVoice::kSrcLfo2, SynthVoice::kDstOsc1Am, 0.5f, ModulationMatrix::kBipolar);
    for (int32_t lfo : {0, 1}) {
      rig.Param(1281, lfo, lfo == 0 ? 5.0f : 7.0f);
      rig.Param(1282, lfo, 100.0f);
    }
    rig.Start(60, 1.0f);
    std::vector<float> out;
    rig.Run(20, &out);
    if (connect) rig.Route(5, SynthVoice::kSrcModWheel, SynthVoice::kDstLfo3Am);
    rig.Run(10, &out);
    return out;
  };
  const std::vector<float> never = play(false);
  const std::vector<float> connected = play(true);
  ASSERT_EQ(connected.size(), never.size());
  float worst = 0.0f;
  for (std::size_t i = 0; i < never.size(); ++i) worst = std::fmax(worst, std::fabs(connected[i] - never[i]));
  EXPECT_EQ(worst, 0.0f);
}

TEST(VoiceSlotModulation, AmplitudeInputsAreAtRestOnceTheirRoutesGo) {
  auto play = [](bool routedFirst, bool clear, std::vector<float>* out) {
    VoiceRig rig;
    rig.SineThroughEnv1();
    rig.Env1(0.005f, 0.05f, 60, 0.05f);
    rig.Param(1539, 0, 1);  // the shaper on oscillator 1
    rig.Param(1538, 0, 2);
    rig.Param(1537, 0, 100);  // the shaper's gain
    const int32_t first[3] = {SynthVoice::kDstVca1Am, SynthVoice::kDstOsc1Am, SynthVoice::kDstShaperCm};
    for (int32_t r = 0; r < 3; ++r)
      rig.Route(1 + r, SynthVoice::kSrcLfo1, routedFirst ? first[r] : SynthVoice::kDstLfo3Am, 0.8f);
    rig.Start(57, 1.0f);
    rig.Run(20);
    if (clear) rig.buffers.Clear();
    for (int32_t r = 0; r < 3; ++r) rig.Route(1 + r, SynthVoice::kSrcLfo1, SynthVoice::kDstLfo3Am, 0.8f);
    rig.Run(10, out);
    const float* rest[3] = {rig.buffers.Get(VoiceBuffers::kVca1Am), rig.buffers.Get(VoiceBuffers::kOsc1Am),
                            rig.buffers.Get(VoiceBuffers::kShaperCm)};
    const float value[3] = {1.0f, 1.0f, 0.0f};
    for (int32_t r = 0; r < 3; ++r)
      EXPECT_EQ(std::vector<float>(rest[r], rest[r] + kFrames), std::vector<float>(kFrames, value[r])) << r;
  };
  std::vector<float> never;
  play(false, false, &never);
  ASSERT_GT(*std::max_element(never.begin(), never.end()), 0.1f);
  for (bool clear : {false, true}) {
    SCOPED_TRACE(clear ? "buffers cleared" : "routes moved");
    std::vector<float> moved;
    play(true, clear, &moved);
    EXPECT_EQ(moved, never);
  }
}

TEST(VoiceSlotRender, OneBlockAllocatesNothing) {
  VoiceRig rig;
  rig.SineThroughEnv1();
  rig.voice->AttachWavetable(1, &SharedWavetable());
  rig.Param(16, 1, SynthVoice::kWavetable);
  rig.Param(516, 1, 3);
  rig.Param(1538, 0, 3);
  rig.Param(1539, 0, 1);
  rig.Param(773, 1, 8);
  rig.Run(2);
  testing_support::AllocGuard guard;
  for (int n = 0; n < 20; ++n) {
    rig.Start(48 + n, 0.9f);
    rig.voice->SetParam(true, 0, 768, 500.0f + 100.0f * n);
    rig.voice->SetParam(false, 1, 773, static_cast<float>(n % 12));
    rig.Run(10);
    rig.ReleaseNote();
    rig.Run(10);
  }
  EXPECT_EQ(guard.Count(), 0u);
}

// One thread renders the voice as an engine thread does while another sets parameters,
// routes, bend and clock and posts notes, as the routing threads do.
TEST(VoiceSlotThreads, ParametersChangeWhileTheVoiceRenders) {
  VoiceRig rig;
  rig.SineThroughEnv1();
  rig.Env1(0.005f, 0.05f, 60, 0.05f);
  rig.voice->AttachWavetable(1, &SharedWavetable());
  rig.Param(16, 1, SynthVoice::kWavetable);
  rig.Start(60, 1.0f);
  rig.Run(1);

  std::atomic<bool> stop{false};
  std::atomic<int> blocks{0};
  std::thread render([&] {
    platform::ScopedFlushToZero ftz;
    while (!stop.load()) {
      rig.Block();
      blocks.fetch_add(1);
      (void)rig.slot.Status().filter[0].cutoff.load();
    }
  });
  for (int n = 0; n < 400; ++n) {
    const float x = static_cast<float>(n % 100);
    rig.voice->SetParam(n % 2 == 0, n % 2, 768, 200.0f + 50.0f * x);
    rig.voice->SetParam(false, n % 2, 773, static_cast<float>(n % 12));
    rig.voice->SetParam(false, n % 4, 1026, 0.001f * x);
    rig.voice->SetParam(false, n % 4, 1031, static_cast<float>(n % 7));
    rig.voice->SetParam(false, n % 3, 1280, static_cast<float>(n % 12));
    rig.voice->SetParam(false, 0, 2, 0.01f * x);
    rig.voice->SetParam(false, 1, 16, static_cast<float>(n % 3));
    rig.voice->SetParam(false, 0, 528, x - 50.0f);
    rig.voice->SetRouteAmount(0, 0.01f * x);
    rig.voice->SetRoute(3, SynthVoice::kSrcLfo2, SynthVoice::kDstOsc1Pan, 0.1f, ModulationMatrix::kBipolar);
    rig.slot.SetBend(rig.bank.part, 0.01f * x);
    rig.slot.OnClock(static_cast<uint32_t>(n), 120.0f);
    rig.slot.SetPedal(0.5f, static_cast<uint8_t>(n & 1));
    if (n % 10 == 0) rig.Start(40 + n % 40, 0.8f);
    if (n % 10 == 5) rig.slot.ReleaseIfPart(rig.bank.part);
    if (n % 50 == 0) rig.voice->RequestShutdown();
    if (n % 25 == 0) rig.voice->AttachWavetable(1, n % 50 == 0 ? nullptr : &SharedWavetable());
    (void)rig.slot.IsFinished();
  }
  // Let the render take what was posted, with a time-out instead of a fixed sleep.
  const int target = blocks.load() + 10;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (blocks.load() < target && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
  stop.store(true);
  render.join();
  EXPECT_GE(blocks.load(), target);
  EXPECT_FALSE(rig.voice->ParamsPending());
  for (int i = 0; i < kFrames; ++i) ASSERT_TRUE(std::isfinite(rig.left[i]));
}

// The engine thread binds the slot to a note and lets go of it again, as it does when a swap
// makes the bank stale, while a routing thread streams bend and poly aftertouch to the part:
// the unbind can land between the slot's check of the bank and its use of the voice.
TEST(VoiceSlotThreads, UnbindWhileBending) {
  testing_support::LogCapture log;  // the aftertouch lines
  VoiceRig rig;
  constexpr int kRounds = 200000;
  std::atomic<bool> done{false};
  std::thread engine([&] {
    for (int n = 0; n < kRounds; ++n) {
      rig.Start(60, 1.0f);
      rig.slot.ProcessEvents(rig.fft);
      rig.slot.Unbind();
    }
    done.store(true);
  });
  int bends = 0;
  while (!done.load(std::memory_order_relaxed)) {
    rig.slot.SetBend(rig.bank.part, 0.001f * static_cast<float>(bends % 100));
    if (++bends % 16 == 0) rig.slot.SetPolyAftertouch(rig.bank.part, 0.5f);
  }
  engine.join();
  EXPECT_GT(bends, 0);
  // Unbound, the slot passes nothing on.
  const float before = rig.voice->bendFactor();
  rig.slot.SetBend(rig.bank.part, 1.0f);
  EXPECT_EQ(rig.voice->bendFactor(), before);
}

}  // namespace
}  // namespace voice_test
