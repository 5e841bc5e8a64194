// The envelope editor alone over the page rig: its time lookup, the curve against the
// engine's envelope run at the page's 50 steps a second, the modes and the pedal's second
// release, the ratio floors, the live marker, focus, controllers and its picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "engine/EnvGen.h"
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

// Above the ratio floors the page's walk is the engine's envelope at 50 steps a second.
TEST_F(EnvelopeEditor, AttackDecayAndReleaseAreTheEngineEnvelopeAtFiftyStepsASecond) {
  const struct {
    int attackCurve, decayCurve;
    float attack, decay, release, sustain;
  } cases[] = {{50, 50, 1.01f, 0.99f, 1.53f, 0.5f},
               {40, 80, 0.43f, 2.03f, 0.81f, 0.3f},
               {100, 10, 2.07f, 0.51f, 1.03f, 0.7f}};
  for (const auto& c : cases) {
    Build();
    Set(1, EnvGen::kCurveTable[c.attackCurve]);
    Set(9, EnvGen::kCurveTable[c.decayCurve]);
    Set(0, c.attack);
    Set(8, c.decay);
    Set(24, c.release);
    Set(16, c.sustain * 100.0f);

    EnvGen env;
    env.SetSampleRate(modADSR::kPointsPerSecond);
    env.SetMode(0);
    env.SetAttackCurve(c.attackCurve);
    env.SetDecayReleaseCurve(c.decayCurve);
    env.SetAttack(c.attack * 1000.0f);
    env.SetDecay(c.decay * 1000.0f);
    env.SetRelease(c.release * 1000.0f);
    env.SetSustain(c.sustain);
    env.Trigger(1.0f);
    // The whole curve fits the view here: one step a point.
    int i = 0;
    float level = 0.0f;
    for (; i < Points(); ++i) {
      env.Process(nullptr, &level);
      ASSERT_NEAR(At(i).a, 0.9f * level, 2e-5f) << "point " << i;
      if (env.state() == EnvGen::kSustain) break;
    }
    // The plateau, then the release from its marked start.
    int start = i;
    while (start < Points() && At(start).marks[uxScopeView::kDottedMark] == 0) ++start;
    ASSERT_LT(start, Points());
    EXPECT_EQ(start - i, modADSR::kPlateau);
    EXPECT_FLOAT_EQ(At(start).a, 0.9f * c.sustain);
    env.Release();
    for (int k = start + 1; k < Points(); ++k) {
      env.Process(nullptr, &level);
      ASSERT_NEAR(At(k).a, 0.9f * level, 2e-5f) << "release point " << k;
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

TEST_F(EnvelopeEditor, RatiosBelowTheFloorsDrawAsTheFloorsAndZeroTimesDrawNoNaN) {
  Build();
  Set(0, 0.5f);
  Set(8, 0.5f);
  Set(24, 0.5f);
  Set(16, 50.0f);
  Set(1, 0.1f / 0.05f);
  Set(9, 0.0001f / 0.01f);
  std::vector<float> floors;
  for (int i = 0; i < Points(); ++i) floors.push_back(At(i).a);
  Set(1, 0.0f);
  Set(9, 0.0f);
  for (int i = 0; i < Points(); ++i) ASSERT_FLOAT_EQ(At(i).a, floors[static_cast<std::size_t>(i)]) << i;
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
