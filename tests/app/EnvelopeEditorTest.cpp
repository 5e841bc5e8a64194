// The envelope editor alone over the page rig: its time lookup, the curve against the
// envelope a voice plays at 48 kHz from the same settings, the modes and the pedal's second
// release, settings out of range, the live marker, focus, controllers and its picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/EnvGen.h"
#include "engine/SynthVoice.h"
#include "engine/VoiceBuffers.h"
#include "numeric/MathTables.h"
#include "pages/editors/modADSR.h"
#include "pages/widgets/uxScopeView.h"
#include "tests/app/PageRig.h"
#include "tests/support/AllocCounter.h"
#include "toolkit/uxValueLabel.h"

namespace {

using page_rig::PageRig;

constexpr uint32_t kPartB = 0x10000;

class EnvelopeEditor : public ::testing::Test {
 protected:
  modADSR& Build(int envelope = 0, uint32_t part = kPartB) {
    modADSR& page = rig.Build(part | static_cast<uint32_t>(envelope) << 12, "ENV", uxPOINT(0, 40), 800, 440,
                              uxCOLOR(0));
    return page;
  }
  // A stored setting: times in seconds, levels in percent, modes as index.
  void Set(int slot, float value) { rig.page().SetEnvelopeValue(slot, value); }
  const uxScopeView::Point& At(int i) { return rig.page().Scope()->Points()[i]; }
  int Points() { return rig.page().Scope()->PointCount(); }

  PageRig<modADSR> rig;
};

TEST_F(EnvelopeEditor, TimeLookupFindsTheStepATimeFallsIn) {
  const struct {
    float seconds;
    int index;
  } cases[] = {{0.0015f, 4}, {0.0005f, 0}, {0.0001f, 0}, {0.00051f, 1}, {1.0f, 50}, {32.0f, 100},
               {32.5f, 0},   {-1.0f, 0},   {NAN, 0}};
  for (const auto& c : cases) EXPECT_EQ(modADSR::TimeIndex(c.seconds), c.index) << c.seconds;
}

// The envelope as a voice plays it: the stored settings go through the voice's own
// parameter path, and its envelope runs at 48 kHz from a note on to the sustain level, then
// from a note off. Levels per sample.
struct PlayedEnvelope {
  std::vector<double> rise, fall;
};

PlayedEnvelope PlayEnvelope(float ratioA, float ratioDR, float attack, float decay, float release, float sustain) {
  constexpr int32_t kRate = 48000;
  initMathTables();
  VoiceControllers controllers;
  VoiceBuffers buffers(128);
  SynthVoice voice(0, &controllers, &buffers);
  voice.SetBlockSize(128);
  voice.SetSampleRate(kRate);
  voice.InitRouting();
  const float stored[] = {ratioA, ratioDR, attack, decay, sustain, release};
  for (int k = 0; k < 6; ++k) voice.SetParam(false, 0, 1024 + k, stored[k]);
  voice.ApplyParams();
  EnvGen& env = voice.envelope(0);
  PlayedEnvelope played;
  env.Trigger(1.0f);
  for (int n = 0; n < 60 * kRate && env.state() != EnvGen::kSustain; ++n) {
    env.Process(nullptr, nullptr);
    played.rise.push_back(env.level());
  }
  env.Release();
  for (int n = 0; n < 12 * kRate; ++n) {  // 590 points at 50 a second fit
    env.Process(nullptr, nullptr);
    played.fall.push_back(env.level());
  }
  return played;
}

constexpr int kSamplesPerPoint = 48000 / static_cast<int>(modADSR::kPointsPerSecond);

// How far point `point` of a walk (step n at (n + 1) / 50 s) lies from the played levels.
// A stage that ends between two steps ends on the page at the step after, so a point also
// passes when it lies within the levels played one step either side of it.
double Distance(const std::vector<double>& played, int point, float drawn) {
  const auto at = [&](long n) {
    return played[static_cast<std::size_t>(std::clamp<long>(n, 0, static_cast<long>(played.size()) - 1))];
  };
  const long n = static_cast<long>(point + 1) * kSamplesPerPoint - 1;
  const double level = drawn / 0.9;
  const double exact = std::fabs(level - at(n));
  double low = at(n), high = at(n);
  for (long k = n - kSamplesPerPoint; k <= n + kSamplesPerPoint; ++k) {
    low = std::min(low, at(k));
    high = std::max(high, at(k));
  }
  const double within = level < low ? low - level : (level > high ? level - high : 0.0);
  return std::min(exact, within);
}

// The drawn curve is the envelope the voice plays, whether its settings came with a load (the
// data set's curve index and seconds) or from the encoders (table indexes), the smallest
// curve settings included.
TEST_F(EnvelopeEditor, TheDrawnCurveIsTheEnvelopeTheVoicePlays) {
  const struct {
    int ratioA, ratioDR;
    float attack, decay, release, sustain;
  } cases[] = {{50, 50, 1.0f, 1.0f, 1.5f, 50.0f},  {40, 80, 0.44f, 2.04f, 0.82f, 30.0f},
               {100, 10, 2.06f, 0.5f, 1.04f, 70.0f}, {0, 0, 0.4f, 0.6f, 0.6f, 40.0f},
               {5, 25, 1.2f, 0.8f, 1.0f, 60.0f},     {20, 3, 0.7f, 1.4f, 2.0f, 20.0f}};
  for (const auto& c : cases) {
    const PlayedEnvelope played = PlayEnvelope(static_cast<float>(c.ratioA), static_cast<float>(c.ratioDR), c.attack,
                                               c.decay, c.release, c.sustain);
    for (const bool load : {true, false}) {
      SCOPED_TRACE(testing::Message() << "ratios " << c.ratioA << "/" << c.ratioDR << (load ? " loaded" : " turned"));
      Build();
      if (load) {
        const float stored[] = {static_cast<float>(c.ratioA), static_cast<float>(c.ratioDR), c.attack, c.decay,
                                c.sustain, c.release};
        for (uint32_t k = 0; k < 6; ++k) rig.services.params[kPartB | (0x400 + k)] = stored[k];
        rig.Give(tagUX_Message(UX_MSG_VALUES_CHANGED, -1, 0));
      } else {
        Set(0, c.attack);
        Set(8, c.decay);
        Set(24, c.release);
        Set(16, c.sustain);
        rig.page().UpdateFromEncoder(1, static_cast<float>(c.ratioA));
        rig.page().UpdateFromEncoder(9, static_cast<float>(c.ratioDR));
      }
      // Attack and decay, one point a step up to the plateau.
      int i = 0, off = 0;
      double worst = 0.0;
      const float plateau = 0.9f * c.sustain * 0.01f;
      for (; i + 2 < Points() && !(At(i).a == plateau && At(i + 1).a == plateau && At(i + 2).a == plateau); ++i) {
        const double d = Distance(played.rise, i, At(i).a);
        worst = std::max(worst, d);
        off += d > 0.002;
      }
      EXPECT_LT(worst, 0.01) << "attack and decay";
      EXPECT_LE(off, 2) << "points beside the played envelope";
      int start = i;
      while (start < Points() && At(start).marks[uxScopeView::kDottedMark] == 0) ++start;
      ASSERT_LT(start, Points());
      worst = 0.0;
      for (int k = start + 1; k < Points(); ++k) worst = std::max(worst, Distance(played.fall, k - start - 1, At(k).a));
      EXPECT_LT(worst, 0.01) << "release";
    }
  }
}

TEST_F(EnvelopeEditor, EachModeGreysItsUnusedLabelsAndDrawsItsShape) {
  const struct {
    int mode;
    bool decay, sustain, release, pedal;
    float peak, end;
  } cases[] = {
      {0, true, true, true, true, 0.9f, 0.0f},     {1, false, false, true, false, 0.9f, 0.0f},
      {2, true, false, false, false, 0.9f, 0.0f},  {3, true, false, false, false, 0.9f, 0.0f},
      {4, true, true, true, true, 0.9f, 0.0f},     {5, false, false, true, false, 0.9f, 0.0f},
      {6, true, false, false, false, 0.9f, 0.0f},
  };
  for (const auto& c : cases) {
    modADSR& page = Build();
    Set(0, 0.2f);
    Set(8, 0.5f);
    Set(24, 0.3f);
    Set(16, 40.0f);
    Set(27, static_cast<float>(c.mode));
    EXPECT_TRUE(page.ValueLabel(modADSR::kAttack)->isActive()) << c.mode;
    EXPECT_EQ(page.ValueLabel(modADSR::kDecay)->isActive(), c.decay) << c.mode;
    EXPECT_EQ(page.ValueLabel(modADSR::kSustain)->isActive(), c.sustain) << c.mode;
    EXPECT_EQ(page.ValueLabel(modADSR::kRelease)->isActive(), c.release) << c.mode;
    EXPECT_EQ(page.ValueLabel(modADSR::kPedal)->isActive(), c.pedal) << c.mode;
    EXPECT_FALSE(page.ValueLabel(modADSR::kReleaseB)->isActive()) << c.mode;
    float peak = 0.0f;
    int atPeak = 0;
    for (int i = 0; i < Points(); ++i) {
      peak = std::max(peak, At(i).a);
      atPeak += At(i).a == 0.9f;
    }
    EXPECT_FLOAT_EQ(peak, c.peak) << c.mode;
    EXPECT_FLOAT_EQ(At(Points() - 1).a, c.end) << c.mode;
    const unsigned shape = static_cast<unsigned>(c.mode) & 3u;
    // AR holds the peak for the whole plateau; AD is down to 0 and flat long before the edge.
    if (shape == 1) {
      EXPECT_GE(atPeak, modADSR::kPlateau) << c.mode;
    } else if (shape >= 2) {
      EXPECT_EQ(At(Points() / 2).a, 0.0f) << c.mode;
    }
  }
}

TEST_F(EnvelopeEditor, TheSecondReleaseWidensTheScaleAndFillsChannelBOnlyWithPedalRelease) {
  const struct {
    int pedal;
    float releaseB;
    bool channelB, wider;
  } cases[] = {{2, 6.0f, true, true}, {2, 1.0f, true, false}, {1, 6.0f, false, false}, {0, 6.0f, false, false}};
  // Where the release starts (its dotted mark) tells the scale: a wider scale puts it further left.
  const auto releaseStart = [&] {
    for (int i = 0; i < Points(); ++i)
      if (At(i).marks[uxScopeView::kDottedMark]) return i;
    return -1;
  };
  // Long enough times that the curve no longer fits at one point a step.
  const auto settings = [&] {
    Set(0, 3.0f);
    Set(8, 3.0f);
    Set(24, 4.0f);
    Set(16, 50.0f);
  };
  Build();
  settings();
  const int plain = releaseStart();
  for (const auto& c : cases) {
    modADSR& page = Build();
    settings();
    Set(25, c.releaseB * 2.0f);
    Set(26, static_cast<float>(c.pedal));
    EXPECT_EQ(page.ValueLabel(modADSR::kReleaseB)->isActive(), c.pedal == 2);
    const bool anyB = std::any_of(page.Scope()->Points(), page.Scope()->Points() + Points(),
                                  [](const uxScopeView::Point& p) { return p.b >= 0.0f; });
    EXPECT_EQ(anyB, c.channelB) << c.pedal << " " << c.releaseB;
    // total = attack + decay + 200 + half the longer release, in points of 1/50 s: a longer
    // release B squeezes the walk by (150 + 150 + 200 + 100) / (150 + 150 + 200 + release B / 2).
    if (c.wider) {
      EXPECT_NEAR(releaseStart(), plain * 600.0f / (500.0f + 50.0f * c.releaseB), 2.0f) << c.releaseB;
    } else {
      EXPECT_EQ(releaseStart(), plain) << c.pedal << " " << c.releaseB;
    }
  }
}

TEST_F(EnvelopeEditor, CurveSettingsOutOfRangeAndZeroTimesDrawNoNaN) {
  Build();
  Set(0, 0.5f);
  Set(8, 0.5f);
  Set(24, 0.5f);
  Set(16, 50.0f);
  // The voice clamps the curve index; what is no number is its first entry.
  const struct {
    float stored, as;
  } cases[] = {{-5.0f, 0.0f}, {NAN, 0.0f}, {0.7f, 0.0f}, {250.0f, 100.0f}, {37.9f, 37.0f}};
  for (const auto& c : cases) EXPECT_EQ(modADSR::RatioEntry(c.stored), EnvGen::kCurveTable[static_cast<int>(c.as)]) << c.stored;
  Set(1, NAN);
  Set(9, -1.0f);
  for (int slot : {0, 8, 24, 25}) Set(slot, 0.0f);
  Set(26, 2.0f);
  for (int i = 0; i < Points(); ++i) {
    ASSERT_TRUE(std::isfinite(At(i).a)) << i;
    ASSERT_TRUE(std::isfinite(At(i).b)) << i;
  }
}

TEST_F(EnvelopeEditor, TheLiveMarkerSitsOnceOnTheMonitoredStage) {
  const struct {
    int32_t state;
    float level;
    float low, high;  // where the marked point's level lies
  } cases[] = {{EnvGen::kAttack, 0.5f, 0.45f, 0.9f},
               {EnvGen::kDecay, 0.6f, 0.36f, 0.55f},
               {EnvGen::kSustain, 0.4f, 0.36f, 0.36f},
               {EnvGen::kRelease, 0.2f, 0.0f, 0.18f},
               {EnvGen::kIdle, 0.0f, -1.0f, -1.0f}};
  for (const auto& c : cases) {
    rig.services.voices[1].envelope[2].state = c.state;
    rig.services.voices[1].envelope[2].level = c.level;
    Build(2);
    Set(0, 0.5f);
    Set(8, 0.5f);
    Set(24, 1.0f);
    Set(16, 40.0f);
    rig.Show();
    rig.page().OnPaint();
    rig.page().OnPaint();
    int marks = 0, at = -1;
    for (int i = 0; i < Points(); ++i)
      if (At(i).marks[0]) ++marks, at = i;
    if (c.low < 0.0f) {
      EXPECT_EQ(marks, 0) << c.state;
      continue;
    }
    ASSERT_EQ(marks, 1) << c.state;
    EXPECT_GE(At(at).a, c.low - 1e-6f) << c.state;
    if (c.state == EnvGen::kSustain) {
      EXPECT_GT(At(at - 3).a, c.low) << "the decay ends just before the marked point";
    }
    EXPECT_LE(At(at).a, c.high + 1e-6f) << c.state;
  }
}

TEST_F(EnvelopeEditor, TheCaptionNamesTheMonitoredStateAndAMissingMonitorIsHarmless) {
  rig.services.voices[0].envelope[1].state = EnvGen::kRelease;
  modADSR& page = Build(1, 0);
  rig.Show();
  page.OnPaint();
  page.OnPaint();
  EXPECT_EQ(page.Scope()->TopRight(), "release");
  rig.services.voices[0].envelope[1].state = 42;
  page.OnPaint();
  page.OnPaint();
  EXPECT_EQ(page.Scope()->TopRight(), "release");
  // Part 5 has no voice record.
  modADSR& lone = Build(0, 0x50000);
  rig.Show();
  for (int i = 0; i < 4; ++i) lone.OnPaint();
  EXPECT_EQ(lone.Scope()->TopRight(), "");
}

TEST_F(EnvelopeEditor, TheWalkAllocatesNothingAfterConstruction) {
  modADSR& page = Build();
  rig.Show();
  testing_support::AllocGuard guard;
  for (int mode = 0; mode < 7; ++mode) {
    Set(27, static_cast<float>(mode));
    Set(26, 2.0f);
    Set(0, 0.1f * static_cast<float>(mode + 1));
    page.UpdateFromEncoder(24, 60.0f);
    page.PlotEnvelope(true);
  }
  EXPECT_EQ(guard.Count(), 0u);
}

TEST_F(EnvelopeEditor, FocusSendsTheEnvelopesPanelIndex) {
  const int expected[4] = {1, 3, 0, 2};
  for (int envelope = 0; envelope < 4; ++envelope) {
    Build(envelope);
    rig.services.Take();
    rig.Show();
    rig.Give(tagUX_Message(UX_MSG_FOCUS, 2, 0));
    EXPECT_EQ(rig.services.Take(), std::vector<std::string>{"sendCANFocus " + std::to_string(expected[envelope])});
  }
}

TEST_F(EnvelopeEditor, AControllerStoresSecondsWithFlags22) {
  const uint32_t attack = kPartB | 0x1000 | 0x402;
  rig.services.ccMap[attack] = 20;
  modADSR& page = Build(1);
  rig.services.Take();
  EXPECT_EQ(page.OnMidiCC(0, 1, 20, 64), 1);
  EXPECT_EQ(rig.services.Take(), std::vector<std::string>{"ValueChanged 11402 22 1"});
  EXPECT_EQ(page.ValueLabel(modADSR::kAttack)->GetFloatRawValue(), 50.0f);
}

TEST_F(EnvelopeEditor, GoldenPictures) {
  const struct {
    const char* name;
    int mode, pedal;
  } cases[] = {{"envelope_adsr_pedal2", 0, 2}, {"envelope_ar", 1, 0}};
  for (const auto& c : cases) {
    Build();
    rig.services.params[kPartB | 0x402] = 0.4f;
    rig.services.params[kPartB | 0x403] = 0.8f;
    rig.services.params[kPartB | 0x404] = 60.0f;
    rig.services.params[kPartB | 0x405] = 1.2f;
    rig.services.params[kPartB | 0x409] = 3.0f;
    rig.services.params[kPartB | 0x400] = 20.0f;
    rig.services.params[kPartB | 0x401] = 10.0f;
    rig.services.params[kPartB | 0x407] = static_cast<float>(c.mode);
    rig.services.params[kPartB | 0x408] = static_cast<float>(c.pedal);
    rig.Show();
    rig.Give(tagUX_Message(UX_MSG_VALUES_CHANGED, -1, 0));
    rig.dc.FillScreen(0);
    rig.Paint();
    EXPECT_TRUE(toolkit_test::MatchesGolden(c.name, rig.Screen())) << c.name;
  }
}

}  // namespace
