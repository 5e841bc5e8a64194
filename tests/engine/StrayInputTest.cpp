// One stray value (NaN, infinity, a control far outside its range) reaching a module of the
// voice: whatever that block gives, the next normal blocks are finite and audible again.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "data/MultiWaveReader.h"
#include "data/SampleFile.h"
#include "engine/AlgOsc.h"
#include "engine/EnvGen.h"
#include "engine/ExciterResonatorOsc.h"
#include "numeric/FftProcessor.h"
#include "engine/FilterSlot.h"
#include "engine/RegionPlayer.h"
#include "engine/Shaper.h"
#include "engine/SpectralWaveOsc.h"
#include "engine/VoiceLfo.h"
#include "platform/Denormals.h"
#include "platform/LogSink.h"
#include "tests/engine/SpectralWaveOscFixture.h"

namespace {

constexpr int kFrames = 128;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kStrays[] = {kNaN, kInf, -kInf};

// Peak of a block, or NaN when any sample is not finite.
float Peak(const std::vector<float>& x) {
  float peak = 0.0f;
  for (float v : x) {
    if (!std::isfinite(v)) return kNaN;
    peak = std::max(peak, std::fabs(v));
  }
  return peak;
}

std::string Name(float v) { return std::isnan(v) ? "NaN" : (v > 0.0f ? "+inf" : "-inf"); }

class StrayInput : public ::testing::Test {
 protected:
  platform::ScopedFlushToZero ftz_;
};

TEST_F(StrayInput, FilterResetsAfterOneNonFiniteSample) {
  std::vector<float> tone(kFrames);
  for (int i = 0; i < kFrames; ++i) tone[i] = 0.5f * std::sin(0.2f * i);
  for (int type = 1; type < FilterSlot::kTypeCount; ++type) {
    for (float stray : kStrays) {
      FilterSlot slot;
      slot.SetSampleRate(48000.0f);
      slot.SetFrames(kFrames);
      slot.SetType(type);
      std::vector<float> left = tone, right = tone, outLeft(kFrames), outRight(kFrames);
      left[40] = stray;
      slot.Process(left.data(), right.data(), outLeft.data(), outRight.data(), 2000.0f, 0.5f);
      slot.Process(tone.data(), tone.data(), outLeft.data(), outRight.data(), 2000.0f, 0.5f);
      EXPECT_GT(Peak(outLeft), 0.05f) << "type " << type << " " << Name(stray);
      EXPECT_GT(Peak(outRight), 0.05f) << "type " << type << " " << Name(stray);
    }
  }
}

TEST_F(StrayInput, ShaperMapsNaNToSilence) {
  platform::SetLogSink([](const char*, void*) {}, nullptr);  // the constructor's self-test
  Shaper shaper;
  platform::SetLogSink(nullptr, nullptr);
  shaper.SetBlockSize(4);
  const std::vector<float> zero(4, 0.0f);
  for (int type = Shaper::kSine; type <= Shaper::kQuantise; ++type) {
    shaper.SetType(type);
    std::vector<float> left = {0.3f, kNaN, -0.3f, kNaN}, right = {kNaN, 0.2f, kNaN, -0.2f};
    shaper.Process(left.data(), right.data(), zero.data(), zero.data(), -0.5f, 1.0f);
    EXPECT_EQ(left[1], 0.0f) << type;
    EXPECT_EQ(right[0], 0.0f) << type;
    EXPECT_TRUE(std::isfinite(left[0]) && std::isfinite(right[1])) << type;
  }
}

TEST_F(StrayInput, EnvelopeRefusesNonFiniteSettings) {
  struct Case {
    const char* what;
    void (*apply)(EnvGen&, float);
  };
  const Case cases[] = {
      {"sustain", [](EnvGen& e, float v) { e.SetSustain(v); }},
      {"applied sustain", [](EnvGen& e, float v) { e.ApplySustain(v); }},
      {"velocity amount", [](EnvGen& e, float v) { e.SetVelocityAmount(v); }},
      {"attack", [](EnvGen& e, float v) { e.SetAttack(v); }},
      {"decay", [](EnvGen& e, float v) { e.SetDecay(v); }},
      {"release", [](EnvGen& e, float v) { e.SetRelease(v); }},
      {"velocity", [](EnvGen& e, float v) { e.Trigger(v); }},
  };
  for (const Case& c : cases) {
    for (float stray : kStrays) {
      EnvGen env;
      env.SetSampleRate(48000.0f);
      env.SetAttack(5.0f);
      env.SetDecay(50.0f);
      env.SetSustain(0.5f);
      env.SetVelocityAmount(0.5f);
      env.Trigger(1.0f);
      for (int i = 0; i < 100; ++i) env.Process(nullptr, nullptr);
      c.apply(env, stray);
      for (int i = 0; i < kFrames; ++i) env.Process(nullptr, nullptr);
      env.Trigger(0.8f);
      std::vector<float> out(4800);
      for (float& v : out) v = env.Process(nullptr, nullptr);
      EXPECT_GT(Peak(out), 0.1f) << c.what << " " << Name(stray);
    }
  }
}

TEST_F(StrayInput, AlgorithmicOscillatorRecoversFromStrayInputs) {
  FftProcessor fft;
  fft.InitForward(AlgOsc::kN);
  fft.InitInverse(AlgOsc::kN);
  struct Case {
    const char* what;
    int input;  // -1: a setter
    void (*set)(AlgOsc&, float);
  };
  const Case cases[] = {
      {"pan input", AlgOsc::kInputPan, nullptr},
      {"shape input", AlgOsc::kInputShape, nullptr},
      {"detune input", AlgOsc::kInputDetune, nullptr},
      {"pan", -1, [](AlgOsc& o, float v) { o.SetPan(v); }},
      {"shape", -1, [](AlgOsc& o, float v) { o.SetShape(v); }},
      {"detune", -1, [](AlgOsc& o, float v) { o.SetDetune(v); }},
      {"phase", -1, [](AlgOsc& o, float v) { o.SetPhase(v); }},
      {"spread", -1, [](AlgOsc& o, float v) { o.SetSpread(v); }},
  };
  for (const Case& c : cases) {
    for (float stray : kStrays) {
      AlgOsc osc;
      osc.SetSampleRate(48000);
      osc.SetBlockSize(kFrames);
      osc.Reset();
      float input = 0.0f;
      if (c.input >= 0) osc.SetInput(c.input, &input);
      std::vector<float> left(kFrames), right(kFrames);
      auto block = [&] {
        osc.SmoothControls();
        osc.BuildTable(fft);
        osc.OscDetune(left.data(), right.data(), nullptr, 0.0f, 440.0f, nullptr);
      };
      block();
      if (c.input >= 0) input = stray; else c.set(osc, stray);
      block();
      input = 0.0f;
      block();
      EXPECT_GT(Peak(left), 0.1f) << c.what << " " << Name(stray);
      EXPECT_GT(Peak(right), 0.1f) << c.what << " " << Name(stray);
    }
  }
}

TEST_F(StrayInput, WavetableOscillatorRecoversFromStrayInputs) {
  FftProcessor fft;
  fft.InitForward(SpectralWaveOsc::kTableLength);
  fft.InitInverse(SpectralWaveOsc::kTableLength);
  struct Case {
    const char* what;
    int input;  // -1: a setter
    void (*set)(SpectralWaveOsc&, float);
  };
  const Case cases[] = {
      {"pan input", SpectralWaveOsc::kInputPan, nullptr},
      {"morph input", SpectralWaveOsc::kInputMorph, nullptr},
      {"position input", SpectralWaveOsc::kInputPosition, nullptr},
      {"detune input", SpectralWaveOsc::kInputDetune, nullptr},
      {"pan", -1, [](SpectralWaveOsc& o, float v) { o.SetPan(v); }},
      {"morph", -1, [](SpectralWaveOsc& o, float v) { o.SetSpectralMorph(v); }},
      {"position", -1, [](SpectralWaveOsc& o, float v) { o.SetPosition(v); }},
      {"bend", -1, [](SpectralWaveOsc& o, float v) { o.SetBend(v); }},
      {"detune", -1, [](SpectralWaveOsc& o, float v) { o.SetUnisonDetune(v); }},
  };
  for (const Case& c : cases) {
    for (float stray : kStrays) {
      SpectralWaveOsc osc;
      osc.SetSampleRate(48000);
      osc.SetBlockSize(kFrames);
      osc.Reset();
      osc.SetWavetable(&wtosc_test::SharedTable());
      float input = 0.0f;
      if (c.input >= 0) osc.SetInput(c.input, &input);
      std::vector<float> left(kFrames), right(kFrames);
      auto block = [&] {
        osc.SmoothControls();
        osc.BuildTable(fft);
        osc.Render(left.data(), right.data(), nullptr, 0.0f, 440.0f, 0.0f, nullptr, nullptr);
      };
      block();
      if (c.input >= 0) input = stray; else c.set(osc, stray);
      block();
      input = 0.0f;
      block();
      EXPECT_GT(Peak(left), 0.05f) << c.what << " " << Name(stray);
      EXPECT_GT(Peak(right), 0.05f) << c.what << " " << Name(stray);
    }
  }
}

TEST_F(StrayInput, LfoAmplitudeAndSampleGainRefuseNonFiniteValues) {
  for (float stray : kStrays) {
    VoiceLfo lfo;
    lfo.SetSampleRate(375.0f);
    lfo.SetBlockSize(kFrames);
    lfo.SetType(0);
    lfo.SetAmplitude(1.0f);
    lfo.SetAmplitude(stray);
    std::vector<float> values(kFrames);
    lfo.Process(values.data(), 0.0f, 20.0f);
    EXPECT_GT(Peak(values), 0.5f) << "LFO amplitude " << Name(stray);

    MultiWaveReader set;
    auto wave = std::make_unique<SampleFile>();
    wave->Samples() = {std::vector<float>(4096, 0.5f)};
    wave->SetSampleRate(48000);
    set.AddItem(std::move(wave));
    MswfRegion region;
    region.rootKey = 69;
    set.Regions().push_back(region);
    platform::SetLogSink([](const char*, void*) {}, nullptr);  // the note's region line
    RegionPlayer player;
    player.SetFrames(kFrames);
    player.AttachSample(&set);
    player.SetGain(stray);
    player.NoteOn(69, 1.0f);
    std::vector<float> left(kFrames), right(kFrames);
    player.Render(left.data(), right.data(), nullptr, 0.0f);
    player.AttachSample(nullptr);
    platform::SetLogSink(nullptr, nullptr);
    EXPECT_GT(Peak(left), 0.1f) << "sample gain " << Name(stray);
  }
}

TEST_F(StrayInput, ResonatorTimbreOutsideItsRangeStaysBounded) {
  std::vector<float> reference;
  for (float timbre : {0.0f, 1.0f, -0.5f, 1.5f, 2.0f, -3.0f, 40.0f, kNaN, kInf}) {
    ExciterResonatorOsc osc;
    osc.SetBlockSize(kFrames);
    osc.SetSampleRate(48000);
    osc.SeedNoise(7u);
    osc.Bank().SetTimbre(timbre);
    osc.Start();
    std::vector<float> left(kFrames), right(kFrames), all;
    for (int b = 0; b < 40; ++b) {
      osc.Process(left.data(), right.data(), 440.0f);
      all.insert(all.end(), left.begin(), left.end());
      all.insert(all.end(), right.begin(), right.end());
    }
    const float peak = Peak(all);
    EXPECT_GT(peak, 0.01f) << timbre;
    EXPECT_LT(peak, 10.0f) << timbre;
  }
}

}  // namespace
