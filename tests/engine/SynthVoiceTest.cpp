#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "tests/engine/VoiceRig.h"
#include "tests/support/LogCapture.h"

namespace voice_test {
namespace {

TEST(SynthVoiceModulation, RegistersEverySourceAndDestinationByName) {
  VoiceRig rig;
  const char* sources[] = {"NONE", "ENV1.CV", "ENV2.CV", "ENV3.CV", "ENV4.CV", "LFO1.OUT", "LFO2.OUT",
                           "LFO3.OUT", "OSC1.OUT", "OSC2.OUT", "OSC_MIXA.OUT", "OSC_MIXB.OUTL", "CVA", "CVB",
                           "CVC", "MIDI.VEL", "MASTER.PITCH", "MASTER.MOD", "PRESSURE", "FIX", "MIDI.#NOTE",
                           "RANDOM", "MATRIX.MACRO1", "MATRIX.MACRO2", "MATRIX.MACRO3", "MIDI.PAFT"};
  const char* destinations[] = {
      "NONE", "OSC1.FM", "OSC1.SHAPE", "OSC1.DETUNE", "OSC1.PAN", "OSC1.PM", "OSC1.P1", "WTOSC1.MORPH",
      "ALGOSC1.P2", "OSC2.FM", "OSC2.SHAPE", "OSC2.DETUNE", "OSC2.PAN", "OSC2.PM", "OSC2.P1",
      "WTOSC2.MORPH", "ALGOSC2.P2", "VCF_A.MOD", "VCF_A.ENV", "VCF_B.MOD", "VCF_B.ENV", "VCA1.ENV",
      "VCA1.AM", "VCA2.ENV", "VCA2.AM", "LFO1.AM", "LFO1.FM", "LFO2.AM", "LFO2.FM", "LFO3.AM",
      "LFO3.FM", "XFADE.VCFA", "OSC1.FMAMT", "OSC2.FMAMT", "OSC1.AMAMT", "OSC2.AMAMT", "OSC1.AM",
      "OSC2.AM", "SHAPER.CM", "SHAPER.PGM", "NOISE.FM", "NOISE.FMAMT", "OSC1.BM", "OSC2.BM",
      "OSC1.BMAMT", "OSC2.BMAMT"};
  static_assert(std::size(sources) == 26 && std::size(destinations) == 46);
  for (int i = 0; i < 26; ++i) EXPECT_STREQ(rig.voice->matrix().SourceName(i), sources[i]) << i;
  for (int i = 0; i < 46; ++i) EXPECT_STREQ(rig.voice->matrix().DestinationName(i), destinations[i]) << i;
}

// Polarity and length show in what a unipolar route delivers: a bipolar source is moved into
// 0..1, a unipolar one passes; a per-sample source into a one-value destination is averaged.
TEST(SynthVoiceModulation, SourcePolarityAndLengthShowInRoutedValues) {
  struct Case {
    int32_t source;
    float expected;
  };
  const Case cases[] = {
      {SynthVoice::kSrcFix, 1.0f},           // unipolar constant
      {SynthVoice::kSrcMacro1, 0.5f + 0.5f * -0.6f},  // bipolar: 0.5 + 0.5 x
      {SynthVoice::kSrcVelocity, 0.8f},      // unipolar note velocity
      {SynthVoice::kSrcNote, 60.0f / 127.0f},
  };
  for (const Case& c : cases) {
    VoiceRig rig;
    rig.Param(1792, 0, -60);
    rig.Route(0, c.source, SynthVoice::kDstVcfAMod);
    rig.Start(60, 0.8f);
    rig.Block();
    EXPECT_NEAR(rig.buffers.controls.filterMod[0], c.expected, 1e-6f) << c.source;
  }
  // ENV1 is a per-sample source: a one-value destination gets its block average, which
  // rises from block to block during the attack.
  VoiceRig rig;
  rig.Param(1024, 0, 50);
  rig.Param(1026, 0, 0.1f);
  rig.Route(0, SynthVoice::kSrcEnv1, SynthVoice::kDstVcfAEnv);
  rig.Start(60, 1.0f);
  rig.Run(3);
  const float* env = rig.buffers.Get(VoiceBuffers::kEnv1);
  double mean = 0.0;
  for (int i = 0; i < kFrames; ++i) mean += env[i] / kFrames;
  ASSERT_GT(env[kFrames - 1], env[0]) << "still in the attack";
  EXPECT_NEAR(rig.buffers.controls.filterEnv[0], mean, 1e-5);
}

struct DispatchCase {
  int32_t number;
  int32_t instance;
  float value;
  std::function<void(SynthVoice&)> check;
  const char* what;
};

TEST(SynthVoiceParams, DispatchTable) {
  using V = SynthVoice;
  const DispatchCase cases[] = {
      {0, 0, 50, [](V& v) { EXPECT_FLOAT_EQ(v.settings().tune, 0.5f); }, "tune x 0.01"},
      {1, 0, 2, [](V& v) { EXPECT_EQ(v.settings().glideMode, 2); }, "glide mode"},
      {1, 0, 7, [](V& v) { EXPECT_EQ(v.settings().glideMode, 0); }, "glide mode out of range ignored"},
      {2, 0, 0.01f, [](V& v) { EXPECT_FLOAT_EQ(v.settings().glideTime, 0.01f); }, "glide time 0.01"},
      {2, 0, 0.015f, [](V& v) { EXPECT_FLOAT_EQ(v.settings().glideTime, 0.01f); }, "glide time floor"},
      {2, 0, 0.03f, [](V& v) { EXPECT_FLOAT_EQ(v.settings().glideTime, 0.03f); }, "glide time 0.03 kept"},
      {3, 0, 50, [](V& v) { EXPECT_FLOAT_EQ(v.settings().glideRate, 0.5f); }, "glide rate"},
      {7, 0, 0, [](V& v) { EXPECT_EQ(v.settings().kbdGlideMode, 0); }, "keyboard glide mode"},
      {16, 1, 2, [](V& v) { EXPECT_EQ(v.settings().osc[1].type, 2); }, "oscillator 2 type"},
      {17, 0, 100, [](V& v) { EXPECT_FLOAT_EQ(v.settings().level[0], 1.0f); }, "level curve top"},
      {17, 1, 50, [](V& v) { EXPECT_FLOAT_EQ(v.settings().level[1], 0.13964f); }, "level curve 50"},
      {18, 0, 2, [](V& v) { EXPECT_EQ(v.settings().route[0], 2); }, "osc 1 routing flag"},
      {18, 1, 0, [](V& v) { EXPECT_EQ(v.settings().route[1], 1); }, "osc 2 routing 0 -> channel A flag"},
      {18, 1, 1, [](V& v) { EXPECT_EQ(v.settings().route[1], 0); }, "osc 2 routing 1 -> channel B flag"},
      {18, 2, -50, [](V& v) { EXPECT_FLOAT_EQ(v.settings().noiseBalance, -0.5f); }, "noise balance"},
      {18, 9, 30, [](V& v) { EXPECT_FLOAT_EQ(v.settings().noiseBalance, 0.3f); }, "noise instance above 2"},
      {19, 0, 50, [](V& v) { EXPECT_FLOAT_EQ(v.settings().crossfade, 0.75f); }, "crossfade"},
      {512, 1, 7.9f, [](V& v) { EXPECT_FLOAT_EQ(v.settings().osc[1].coarse[0], 7.0f); }, "wavetable coarse (int)"},
      {529, 0, 25, [](V& v) { EXPECT_FLOAT_EQ(v.settings().osc[0].fine[1], 0.25f); }, "algorithmic fine"},
      {545, 1, -50, [](V& v) { EXPECT_FLOAT_EQ(v.settings().osc[1].fine[2], -0.5f); }, "resonator fine"},
      {548, 0, 30, [](V& v) { EXPECT_FLOAT_EQ(v.resonatorOsc(0).Bank().Stretch(), 0.3f); }, "resonator spread"},
      {550, 1, 64, [](V& v) { EXPECT_FLOAT_EQ(v.resonatorOsc(1).Bank().TimbreTarget(), 0.25f); }, "timbre /256"},
      {549, 0, -100, [](V& v) { EXPECT_FLOAT_EQ(v.resonatorOsc(0).Pan(), -1.0f); }, "resonator pan"},
      {552, 0, 10, [](V& v) { EXPECT_FLOAT_EQ(v.resonatorOsc(0).ColourFrequency(), 500.0f); }, "brightness x 50"},
      {769, 1, 40, [](V& v) { EXPECT_FLOAT_EQ(v.settings().filter[1].envAmount, 0.4f); }, "filter env amount"},
      {770, 0, 70, [](V& v) { EXPECT_FLOAT_EQ(v.settings().filter[0].resonance, 0.7f); }, "resonance"},
      {771, 1, 100, [](V& v) { EXPECT_FLOAT_EQ(v.settings().filter[1].drive, 1.0f); }, "drive curve"},
      {772, 0, 50, [](V& v) { EXPECT_FLOAT_EQ(v.settings().filter[0].kbdTrack, 0.5f); }, "key tracking"},
      {776, 1, 1, [](V& v) { EXPECT_EQ(v.settings().filter[1].exponential, 1); }, "exponential flag"},
      {1028, 3, 40, [](V& v) { EXPECT_FLOAT_EQ(v.envelope(3).sustainLevel(), 0.4f); }, "sustain /100"},
      {1031, 2, 4, [](V& v) { EXPECT_EQ(v.envelope(2).mode(), 4); }, "envelope type"},
      {1031, 2, 9, [](V& v) { EXPECT_EQ(v.envelope(2).mode(), 0); }, "envelope type out of range ignored"},
      {1032, 1, 2, [](V& v) { EXPECT_EQ(v.settings().pedalMode[1], 2); }, "pedal mode"},
      {1280, 2, 4, [](V& v) { EXPECT_EQ(v.lfo(2).type(), 4); }, "LFO 3 wave"},
      {1281, 1, 7.5f, [](V& v) { EXPECT_FLOAT_EQ(v.settings().lfoRate[1], 7.5f); }, "LFO rate"},
      {1536, 0, 30, [](V& v) { EXPECT_FLOAT_EQ(v.settings().shaperCurve, 0.3f); }, "shaper curve"},
      {1538, 0, 3, [](V& v) { EXPECT_EQ(v.shaper().Type(), 3); }, "shaper type"},
      {1539, 0, 3, [](V& v) { EXPECT_EQ(v.settings().shaperInsert, 3); }, "shaper insert"},
      {1539, 0, 4, [](V& v) { EXPECT_EQ(v.settings().shaperInsert, 0); }, "shaper insert out of range ignored"},
      {2048, 1, 0, [](V& v) { EXPECT_EQ(v.settings().osc[1].bendEnable, 0); }, "pitch-bend enable"},
      {2050, 0, 3, [](V& v) { EXPECT_EQ(v.settings().osc[0].kbdMode, 3); }, "keyboard mode"},
      {2051, 0, 0, [](V& v) { EXPECT_FLOAT_EQ(v.settings().osc[0].fmFactor, 0.1f); }, "FM factor 0"},
      {2051, 0, 1, [](V& v) { EXPECT_FLOAT_EQ(v.settings().osc[0].fmFactor, 1.0f); }, "FM factor 1"},
      {2051, 0, 2, [](V& v) { EXPECT_FLOAT_EQ(v.settings().osc[0].fmFactor, 2.0f); }, "FM factor 2"},
      {2051, 1, 3, [](V& v) { EXPECT_FLOAT_EQ(v.settings().osc[1].fmFactor, 5.0f); }, "FM factor 3"},
      {2051, 1, 2.5f, [](V& v) { EXPECT_FLOAT_EQ(v.settings().osc[1].fmFactor, 10.0f); }, "FM factor 2.5"},
      {2051, 1, -1, [](V& v) { EXPECT_FLOAT_EQ(v.settings().osc[1].fmFactor, 10.0f); }, "FM factor other"},
      {2052, 1, 30, [](V& v) { EXPECT_FLOAT_EQ(v.settings().osc[1].amOffset, 0.3f); }, "AM offset"},
      {2054, 0, 40, [](V& v) { EXPECT_FLOAT_EQ(v.settings().osc[0].randomDeviation, 0.4f); }, "random deviation"},
      {2055, 1, 80, [](V& v) { EXPECT_FLOAT_EQ(v.settings().ampGain[1], 0.8f); }, "amp gain"},
  };
  for (const DispatchCase& c : cases) {
    VoiceRig rig;
    rig.Param(c.number, c.instance, c.value);
    SCOPED_TRACE(c.what);
    c.check(*rig.voice);
  }
}

TEST(SynthVoiceParams, TuneWithAnInstancePrintsAndStillApplies) {
  VoiceRig rig;
  testing_support::LogCapture log;
  rig.Param(0, 3, 100);
  EXPECT_EQ(log.Text(), "PARAM wrong index 3");
  EXPECT_FLOAT_EQ(rig.voice->settings().tune, 1.0f);
}

TEST(SynthVoiceParams, FilterTypeSelectsCoreAndMode) {
  struct Case {
    int type;
    FilterSlot::Route route;
    int setting;  // the core's mode, output or type; -1 none
  };
  const Case cases[] = {
      {0, FilterSlot::kBypass, -1},        {1, FilterSlot::kFourPole, -1},
      {2, FilterSlot::kMoogLadder, 1},     {3, FilterSlot::kMoogLadder, 0},
      {4, FilterSlot::kLadderApprox, 0},   {5, FilterSlot::kLadderApprox, 1},
      {6, FilterSlot::kLadderApprox, 2},   {7, FilterSlot::kSem, 1},
      {8, FilterSlot::kSem, 2},            {9, FilterSlot::kSem, 3},
      {10, FilterSlot::kSem, 4},           {11, FilterSlot::kOnePoleFeedback, -1},
  };
  for (const Case& c : cases) {
    VoiceRig rig;
    rig.Param(773, 1, static_cast<float>(c.type));
    FilterSlot& f = rig.voice->filter(1);
    EXPECT_EQ(f.GetRoute(), c.route) << c.type;
    if (c.route == FilterSlot::kMoogLadder) {
      EXPECT_EQ(f.MoogLadder().Mode(), c.setting) << c.type;
    } else if (c.route == FilterSlot::kLadderApprox) {
      EXPECT_EQ(f.LadderApprox().output, c.setting) << c.type;
    } else if (c.route == FilterSlot::kSem) {
      EXPECT_EQ(f.Sem().GetType(), c.setting) << c.type;
    }
    EXPECT_EQ(rig.voice->filter(0).GetRoute(), FilterSlot::kMoogLadder) << "channel A untouched";
  }
  VoiceRig rig;
  rig.Param(773, 0, 12);
  EXPECT_EQ(rig.voice->filter(0).GetRoute(), FilterSlot::kMoogLadder) << "type 12 ignored";
}

// Every envelope type ends with a fast shutdown of a sounding envelope; the one-shot types
// drop the sustain level to 0, the sustaining ones take the sustain setting back.
TEST(SynthVoiceParams, EnvelopeTypeShutsTheEnvelopeDown) {
  struct Case {
    int type;
    float sustain;
  };
  for (const Case& c : {Case{0, 0.7f}, Case{1, 0.7f}, Case{2, 0.0f}, Case{3, 0.0f}, Case{4, 0.7f}, Case{6, 0.0f}}) {
    VoiceRig rig;
    rig.Param(1028, 1, 70);
    rig.voice->Trigger(60, 1.0f, 0.0f);
    for (int i = 0; i < 200; ++i) rig.voice->envelope(1).Process(nullptr, nullptr);
    ASSERT_NE(rig.voice->envelope(1).state(), EnvGen::kIdle);
    rig.Param(1031, 1, static_cast<float>(c.type));
    EXPECT_EQ(rig.voice->envelope(1).state(), EnvGen::kKillFade) << c.type;
    EXPECT_FLOAT_EQ(rig.voice->envelope(1).sustainLevel(), c.sustain) << c.type;
    EXPECT_NE(rig.voice->envelope(0).state(), EnvGen::kKillFade) << "other envelopes untouched";
  }
}

TEST(SynthVoiceParams, LinkedCutoffMovesBothAndIgnoresChannelB) {
  VoiceRig rig;
  rig.Param(768, 1, 800);
  EXPECT_FLOAT_EQ(rig.voice->settings().filter[1].cutoff, 800.0f);
  EXPECT_FLOAT_EQ(rig.voice->settings().filter[0].cutoff, 300.0f);
  rig.Param(774, 0, 1);
  rig.Param(768, 0, 2000);
  EXPECT_FLOAT_EQ(rig.voice->settings().filter[0].cutoff, 2000.0f);
  EXPECT_FLOAT_EQ(rig.voice->settings().filter[1].cutoff, 2000.0f);
  rig.Param(768, 1, 500);
  EXPECT_FLOAT_EQ(rig.voice->settings().filter[1].cutoff, 2000.0f);
}

// Parameters posted together (a preset, a panel burst) take effect in the order they came:
// the link decides what a cutoff sent after it does, and nothing of one sent before it.
TEST(SynthVoiceParams, ParametersPostedTogetherApplyInTheOrderTheyCame) {
  struct Post {
    int32_t number, instance;
    float value;
  };
  struct Case {
    std::vector<Post> posts;
    float cutoffA, cutoffB;
  };
  const Case cases[] = {
      {{{774, 0, 1}, {768, 0, 1000}, {768, 1, 2000}}, 1000, 1000},
      {{{768, 1, 2000}, {774, 0, 1}, {768, 0, 1000}}, 1000, 1000},
      {{{768, 0, 1000}, {768, 1, 2000}, {774, 0, 1}}, 1000, 2000},
      {{{774, 0, 1}, {768, 0, 1000}, {774, 0, 0}, {768, 1, 2000}}, 1000, 2000},
      {{{768, 0, 700}, {774, 0, 1}, {768, 0, 1000}}, 1000, 1000},
  };
  for (const Case& c : cases) {
    VoiceRig rig;
    for (const Post& p : c.posts) rig.voice->SetParam(false, p.instance, p.number, p.value);
    rig.voice->ApplyParams();
    EXPECT_FLOAT_EQ(rig.voice->settings().filter[0].cutoff, c.cutoffA) << &c - cases;
    EXPECT_FLOAT_EQ(rig.voice->settings().filter[1].cutoff, c.cutoffB) << &c - cases;
  }
}

// The smoothed settings glide by the listed range per time at the block rate (375 blocks
// a second): a linked cutoff moves 17200 Hz in 0.5 s, a level 1.0 in 0.3 s.
TEST(SynthVoiceParams, SmoothedSettingsGlideAtTheirRates) {
  VoiceRig rig;
  rig.voice->SetParam(true, 0, 768, 300.0f + 17200.0f * 0.1f / 0.1f);  // 0.1 s of unlinked travel
  rig.voice->SetParam(true, 0, 17, 100.0f);
  rig.voice->ApplyParams();
  const float blocksPerSecond = static_cast<float>(kRate) / kFrames;
  for (int b = 0; b < 10; ++b) rig.voice->SmoothControls();
  EXPECT_NEAR(rig.voice->settings().filter[0].cutoff, 300.0f + 10 * 17200.0f / (0.1f * blocksPerSecond), 0.5f);
  EXPECT_NEAR(rig.voice->settings().level[0], 10 * 1.0f / (0.3f * blocksPerSecond), 1e-4f);
  for (int b = 0; b < 200; ++b) rig.voice->SmoothControls();
  EXPECT_FLOAT_EQ(rig.voice->settings().filter[0].cutoff, 17500.0f);
  EXPECT_FLOAT_EQ(rig.voice->settings().level[0], 1.0f);
}

TEST(SynthVoiceParams, WavetableUnisonTableSetsTheVoiceCount) {
  const int counts[14] = {1, 2, 3, 4, 1, 2, 3, 4, 2, 3, 4, 2, 3, 4};
  for (int v = 0; v < 14; ++v) {
    VoiceRig rig;
    rig.voice->AttachWavetable(0, &SharedWavetable());
    rig.Param(516, 0, static_cast<float>(v));
    rig.Start(60, 1.0f);
    rig.Run(1);
    EXPECT_EQ(rig.voice->wavetableOsc(0).UnisonCount(), counts[v]) << v;
  }
  VoiceRig rig;
  rig.voice->AttachWavetable(0, &SharedWavetable());
  rig.Param(516, 0, 3);
  rig.Param(516, 0, 14);
  rig.Param(516, 0, -1);
  rig.Start(60, 1.0f);
  rig.Run(1);
  EXPECT_EQ(rig.voice->wavetableOsc(0).UnisonCount(), 4) << "values outside 0..13 ignored";
}

// Numbers the voice does not handle, the engine's own numbers, the accepted-but-inert ones
// and instances beyond a module's count post nothing at all.
TEST(SynthVoiceParams, IgnoredNumbersAndInstancesPostNothing) {
  struct Case {
    int32_t number;
    int32_t instance;
  };
  const Case cases[] = {
      {4, 0},    {5, 0},    {6, 0},    {8, 0},    {10, 0},   {11, 0},    {514, 0},  {523, 1},
      {530, 0},  {547, 1},  {555, 0},  {580, 0},  {1287, 0}, {1288, 2},  {1289, 1}, {9, 0},
      {600, 0},  {4095, 0}, {-1, 0},   {16, 2},   {512, 5},  {768, 2},   {773, 15}, {1026, 4},
      {1031, 7}, {1280, 3}, {1286, 9}, {2051, 2}, {549, 3},
  };
  VoiceRig rig;
  for (const Case& c : cases) {
    rig.voice->SetParam(false, c.instance, c.number, 1.0f);
    EXPECT_FALSE(rig.voice->ParamsPending()) << c.number << "/" << c.instance;
  }
  for (float bad : {std::nanf(""), INFINITY, -INFINITY}) {
    rig.voice->SetParam(false, 0, 768, bad);
    EXPECT_FALSE(rig.voice->ParamsPending()) << "non-finite value " << bad;
  }
  rig.voice->SetParam(false, 3, 1026, 1.0f);
  EXPECT_TRUE(rig.voice->ParamsPending()) << "envelope 4 exists";
}

TEST(SynthVoiceParams, RoutesOutOfRangeAreRefusedWithTheMatrixCodes) {
  struct Case {
    int32_t slot, source, destination;
    int expected;
  };
  const Case cases[] = {
      {0, 32, 1, ModulationMatrix::kBadSource},     {0, -1, 1, ModulationMatrix::kBadSource},
      {0, 1, 46, ModulationMatrix::kBadDestination}, {0, 1, -2, ModulationMatrix::kBadDestination},
      {24, 1, 21, ModulationMatrix::kBadSlot},       {-2, 1, 21, ModulationMatrix::kBadSlot},
      {255, 40, 0, ModulationMatrix::kBadSource},    {3, 0, 0, 0},  // nothing to nothing: no change
  };
  for (const Case& c : cases) {
    VoiceRig rig;
    EXPECT_EQ(rig.voice->SetRoute(c.slot, c.source, c.destination, 1.0f, 1), c.expected) << c.slot;
    EXPECT_FALSE(rig.voice->ParamsPending()) << c.slot;
  }
  VoiceRig rig;
  EXPECT_EQ(rig.voice->SetRouteAmount(24, 1.0f), ModulationMatrix::kBadSlot);
  EXPECT_EQ(rig.voice->SetRouteAmount(255, 1.0f), 0);
  EXPECT_FALSE(rig.voice->ParamsPending());
  EXPECT_EQ(rig.voice->SetRouteAmount(5, 1.0f), 5);
  EXPECT_TRUE(rig.voice->ParamsPending());
}

// The voice counts itself as a user of its tables: the new one at once, the old one until
// the render has changed over between blocks.
TEST(SynthVoiceParams, WavetableUserCountsFollowTheChangeOver) {
  WaveTable a, b;
  {
    VoiceRig rig;
    rig.voice->AttachWavetable(0, &a);
    EXPECT_EQ(a.RefCount(), 1);
    rig.voice->ApplyParams();
    rig.voice->AttachWavetable(0, &b);
    EXPECT_EQ(b.RefCount(), 1);
    EXPECT_EQ(a.RefCount(), 1) << "still played until the next block";
    rig.voice->ApplyParams();
    EXPECT_EQ(a.RefCount(), 0);
    rig.voice->AttachWavetable(0, &a);
    rig.voice->AttachWavetable(0, nullptr);
    EXPECT_EQ(a.RefCount(), 0) << "a request replaced before it was taken";
    rig.voice->AttachWavetable(1, &a);
    rig.voice->AttachWavetable(5, &b);
    EXPECT_EQ(b.RefCount(), 1) << "oscillator 5 does not exist";
  }
  EXPECT_EQ(a.RefCount(), 0) << "the voice lets go of everything it held";
  EXPECT_EQ(b.RefCount(), 0);
}

TEST(SynthVoicePitch, NoteKeyboardModeAndTuneGiveTheFormulasFrequency) {
  struct Case {
    int note;
    int kbdMode;
    float coarse;
    float tune;
    float expectedHz;
  };
  const auto f = [](double semitones, double octave) {
    return static_cast<float>(103.6 * std::pow(2.0, (semitones - 8.0) / 12.0 + (octave - 4.0)));
  };
  const Case cases[] = {
      {69, 0, 0, 0, 219.52f},                 // the tuning as built: an octave and 5 cents below A440
      {69, 0, 12, 0, 439.04f},
      {60, 0, 0, 0, f(0, 5)},
      {60, 0, -3, 50, f(-3 + 0.5, 5)},
      {60, 3, 0, 0, f(0, 4)},                 // fixed octave 4, semitone 0, whatever the key
      {100, 3, 0, 0, f(0, 4)},
  };
  for (const Case& c : cases) {
    VoiceRig rig;
    rig.Param(16, 0, SynthVoice::kAlgorithmic);
    rig.Param(528, 0, c.coarse);
    rig.Param(0, 0, c.tune);
    rig.Param(2050, 0, static_cast<float>(c.kbdMode));
    rig.voice->Trigger(c.note, 1.0f, 0.0f);
    EXPECT_NEAR(rig.voice->settings().osc[0].current, c.expectedHz, c.expectedHz * 2e-4f) << c.note;
  }
}

TEST(SynthVoicePitch, GlideModesStepTowardTheTarget) {
  VoiceRig rig;
  rig.voice->Trigger(57, 1.0f, 0.0f);
  const float from = rig.voice->settings().osc[0].current;
  struct Case {
    int mode;
    float glideTime;
    float glideRate;
  };
  for (const Case& c : {Case{1, 0.1f, 0}, Case{2, 0.1f, 30}}) {
    VoiceRig r;
    r.voice->Trigger(57, 1.0f, 0.0f);
    r.Param(1, 0, static_cast<float>(c.mode));
    r.Param(2, 0, c.glideTime);
    r.Param(3, 0, c.glideRate);
    r.Param(7, 0, 0);
    r.voice->Trigger(69, 1.0f, 0.0f);
    const float to = r.voice->settings().osc[0].target;
    EXPECT_NEAR(to, 219.52f, 0.05f);
    EXPECT_FLOAT_EQ(r.voice->settings().osc[0].current, from) << "the render moves it";
    const float step = c.mode == 1 ? (to - from) / (c.glideTime / (128.0f / 48000.0f))
                                   : (to - from) * (1.1f - c.glideRate * 0.01f) * 0.05f;
    r.voice->AdvanceGlide();
    EXPECT_NEAR(r.voice->settings().osc[0].current, from + step, 1e-3f) << c.mode;
    for (int b = 0; b < 100; ++b) r.voice->AdvanceGlide();
    EXPECT_FLOAT_EQ(r.voice->settings().osc[0].current, to) << c.mode;
  }
  // Keyboard glide mode 2: a sounding note start jumps to the target.
  VoiceRig jump;
  jump.voice->Trigger(57, 1.0f, 0.0f);
  jump.Param(1, 0, 1);
  jump.voice->Trigger(69, 1.0f, 0.0f);
  EXPECT_FLOAT_EQ(jump.voice->settings().osc[0].current, jump.voice->settings().osc[0].target);
}

TEST(SynthVoicePitch, FilterKeyTrackingFactors) {
  struct Case {
    int note;
    float track;  // percent
    float factor;
  };
  const Case cases[] = {{51, 100, 1.0f}, {63, 100, 2.0f}, {39, 100, 0.5f}, {63, 50, std::sqrt(2.0f)}, {99, 0, 1.0f}};
  for (const Case& c : cases) {
    VoiceRig rig;
    rig.Param(772, 1, c.track);
    rig.voice->Trigger(c.note, 1.0f, 0.0f);
    EXPECT_NEAR(rig.voice->settings().filter[1].keyFactor, c.factor, 1e-3f) << c.note;
    EXPECT_FLOAT_EQ(rig.voice->settings().filter[0].keyFactor, 1.0f);
  }
}

TEST(SynthVoiceNotes, VelocityZeroSetsThePitchButStartsNoEnvelope) {
  VoiceRig rig;
  rig.voice->Trigger(69, 0.0f, 0.0f);
  EXPECT_EQ(rig.voice->note(), 69);
  EXPECT_NEAR(rig.voice->settings().osc[0].current, 219.52f, 0.05f);
  for (int e = 0; e < 4; ++e) EXPECT_EQ(rig.voice->envelope(e).state(), EnvGen::kIdle) << e;
  EXPECT_TRUE(rig.voice->IsFinished());
  rig.voice->Trigger(69, 0.5f, 0.0f);
  EXPECT_FALSE(rig.voice->IsFinished());
}

}  // namespace
}  // namespace voice_test
