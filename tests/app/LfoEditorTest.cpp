// The LFO editor alone over the page rig: the preview against the engine's voice LFO, the
// user wave against the engine's user cycle, the step bytes, the panel keys, SYNC and
// SMOOTH, the live bar and phase, and its pictures.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "engine/UserLfoWave.h"
#include "engine/VoiceLfo.h"
#include "pages/editors/modLFO.h"
#include "pages/widgets/uxScopeView.h"
#include "pages/widgets/uxWaveEdit.h"
#include "tests/app/PageRig.h"
#include "tests/support/AllocCounter.h"
#include "toolkit/uxBarCtrl.h"
#include "toolkit/uxValueLabel.h"

namespace {

using page_rig::PageRig;

constexpr uint32_t kPartD = 0x30000;
constexpr int kPart = 3;

class LfoEditor : public ::testing::Test {
 protected:
  modLFO& Build(int lfo = 1, uint32_t part = kPartD) {
    return rig.Build(part | static_cast<uint32_t>(lfo) << 12, "LFO", uxPOINT(0, 40), 800, 440, uxCOLOR(0));
  }
  void Panel(int canId, float value, int part = kPart) {
    tagUX_Message msg(EN_MSG_SET_VALUE, canId, part);
    msg.pData = &value;
    rig.Give(msg);
  }
  std::vector<std::string> Calls(const std::string& prefix) {
    std::vector<std::string> out;
    for (const std::string& line : rig.services.Take())
      if (line.rfind(prefix, 0) == 0) out.push_back(line);
    return out;
  }
  float Wave() { return rig.page().ValueLabel(modLFO::kWave)->GetFloatRawValue(); }

  PageRig<modLFO> rig;
};

TEST_F(LfoEditor, ThePreviewIsTheEnginesVoiceLfoAtHalfScale) {
  for (int wave : {VoiceLfo::kSin, VoiceLfo::kTri, VoiceLfo::kRampUp, VoiceLfo::kPulseDown3, VoiceLfo::kSinExp}) {
    modLFO& page = Build();
    rig.Show();
    page.ApplyValue(24, 50.0f);  // the preview ignores RATE, DEPTH and DELAY
    page.ApplyValue(8, 90.0f);
    page.ApplyValue(0, 3.0f);
    page.ApplyValue(16, static_cast<float>(wave));
    VoiceLfo lfo;
    lfo.SetSampleRate(1024.0f);
    lfo.SetBlockSize(1);
    lfo.SetAmplitude(0.8f);
    lfo.SetType(wave);
    for (int i = 0; i < modLFO::kPreviewPoints; ++i) {
      float v = 0.0f;
      lfo.Process(&v, 0.0f, 2.0f);
      ASSERT_FLOAT_EQ(page.Scope()->Points()[i].a, 0.5f * v) << "wave " << wave << " point " << i;
    }
  }
}

TEST_F(LfoEditor, TheUserWaveSwapsTheViewsAndSendsItsSteps) {
  modLFO& page = Build(2);
  rig.Show();
  rig.Give(tagUX_Message(UX_MSG_VALUES_CHANGED, kPart, 0));
  rig.services.Take();
  page.ApplyValue(16, 11.0f);
  EXPECT_TRUE(page.WaveEditor()->isEnabled());
  EXPECT_FALSE(page.Scope()->isEnabled());
  // No stored steps: the rising ramp k / 16, sent as bytes k x 255 / 16.
  std::string ramp = "SetLfoStepData 1 32000";
  for (int k = 0; k < 16; ++k) ramp.append(" ").append(std::to_string(k * 255 / 16));
  const std::vector<std::string> calls = rig.services.Take();
  EXPECT_EQ(calls.front(), ramp);
  EXPECT_NE(std::find(calls.begin(), calls.end(), "sendPanelText 405 3 [USER]"), calls.end());
  // A finished stroke sends them again; a press alone does not.
  rig.Give(tagUX_Message(UX_MSG_TOUCH_EVENT, 100, 200, TYPE_PRESS));
  EXPECT_TRUE(Calls("SetLfoStepData").empty());
  rig.Give(tagUX_Message(UX_MSG_TOUCH_EVENT, 100, 200, TYPE_RELEASE));
  EXPECT_EQ(Calls("SetLfoStepData").size(), 1u);
  page.ApplyValue(16, 4.0f);
  EXPECT_FALSE(page.WaveEditor()->isEnabled());
  EXPECT_TRUE(page.Scope()->isEnabled());
  EXPECT_TRUE(Calls("SetLfoStepData").empty());
}

TEST_F(LfoEditor, StoredStepsAndStoredWavesComeBackOnReload) {
  std::vector<uint8_t> record(1 + 32, 0);
  record[0] = 16;
  for (int k = 0; k < 16; ++k) record[1 + static_cast<std::size_t>(k)] = static_cast<uint8_t>(255 - 10 * k);
  const struct {
    std::vector<uint8_t> record;
    float storedWave;
    float firstLevel, lastLevel;
    float wave;
  } cases[] = {
      {record, 13.0f, 1.0f, 105.0f / 255.0f, 11.0f},
      {{}, 2.0f, 0.0f, 15.0f / 16.0f, 2.0f},
      {{15, 9, 9, 9}, 11.0f, 0.0f, 15.0f / 16.0f, 11.0f},  // a short record counts as none
  };
  for (const auto& c : cases) {
    rig.services.lfoSteps.clear();
    if (!c.record.empty()) rig.services.lfoSteps[(0 << 12) | (kPart << 16)] = c.record;
    rig.services.params[kPartD | 0x500] = c.storedWave;
    modLFO& page = Build(0);
    rig.Give(tagUX_Message(UX_MSG_VALUES_CHANGED, -1, 0));
    EXPECT_FLOAT_EQ(page.WaveEditor()->Level(0), c.firstLevel);
    EXPECT_FLOAT_EQ(page.WaveEditor()->Level(15), c.lastLevel);
    EXPECT_EQ(Wave(), c.wave);
    EXPECT_EQ(page.WaveEditor()->isEnabled(), c.wave == 11.0f);
  }
}

TEST_F(LfoEditor, WaveKeysStopAtTheEndsAndTheSyncKeyWraps) {
  modLFO& page = Build(1);
  rig.Show();
  const int waveKey = 388 + 8, syncKey = 387 + 8;
  Panel(waveKey, 3.0f);
  EXPECT_EQ(Wave(), 0.0f) << "no step below SIN";
  for (int i = 0; i < 14; ++i) Panel(waveKey, 2.0f);
  EXPECT_EQ(Wave(), 11.0f) << "no step past [USER]";
  Panel(waveKey, 4.0f);
  EXPECT_EQ(Wave(), 11.0f);
  Panel(waveKey, 3.0f);
  EXPECT_EQ(Wave(), 10.0f);
  Panel(waveKey, 2.0f, 0);
  EXPECT_EQ(Wave(), 10.0f) << "another part's key";

  const struct {
    float sync;
    bool rate;
  } steps[] = {{1.0f, true}, {2.0f, false}, {3.0f, false}, {0.0f, true}};
  for (const auto& s : steps) {
    rig.services.Take();
    Panel(syncKey, 1.0f);
    EXPECT_EQ(page.ValueLabel(modLFO::kSync)->GetFloatRawValue(), s.sync);
    EXPECT_EQ(Calls("sendPanelEnum"),
              std::vector<std::string>{"sendPanelEnum 395 3 " + std::to_string(static_cast<int>(s.sync))});
    EXPECT_EQ(page.ValueLabel(modLFO::kRate)->isActive(), s.rate) << s.sync;
    EXPECT_EQ(page.ValueLabel(modLFO::kNote)->isActive(), !s.rate) << s.sync;
    EXPECT_EQ(page.ValueLabel(modLFO::kDiv)->isActive(), !s.rate) << s.sync;
  }
}

TEST_F(LfoEditor, SmoothSetsTheGlideAndTheUserCurveIsTheEnginesCycle) {
  const struct {
    float smooth, glide;
  } cases[] = {{0.0f, 1.0f}, {100.0f, 0.0f}, {50.0f, 0.5f}, {150.0f, 0.0f}, {-10.0f, 1.0f}};
  modLFO& page = Build();
  for (const auto& c : cases) {
    page.ApplyValue(28, c.smooth);
    EXPECT_FLOAT_EQ(page.WaveEditor()->Glide(), c.glide) << c.smooth;
  }
  // The editor's curve, resampled onto the engine's 64 points a step, is the cycle the engine
  // builds from the same 16 bytes and smoothing.
  uint8_t bytes[16];
  std::srand(7);
  for (int k = 0; k < 16; ++k) {
    bytes[k] = static_cast<uint8_t>(std::rand() % 256);
    page.WaveEditor()->SetLevel(k, bytes[k] / 255.0f);
  }
  for (float smooth : {0.0f, 50.0f, 100.0f}) {
    page.ApplyValue(28, smooth);
    float cycle[UserLfoWave::kMaxPoints];
    ASSERT_EQ(UserLfoWave::Build(bytes, 16, smooth * 0.01f, cycle), 16 * UserLfoWave::kSegmentPoints);
    const uxWaveEdit* editor = page.WaveEditor();
    const int perStep = editor->CurveLength() / 16;
    ASSERT_GT(perStep, 0);
    for (int i = 0; i < editor->CurveLength(); ++i) {
      const int step = i / perStep, j = i % perStep;
      const int at = step * UserLfoWave::kSegmentPoints + (j + 1) * UserLfoWave::kSegmentPoints / perStep - 1;
      const float from = step == 0 ? 0.0f : bytes[step - 1] / 255.0f, to = bytes[step] / 255.0f;
      const float tolerance = 0.2f * std::fabs(to - from) + 0.01f;
      ASSERT_NEAR(2.0f * editor->Curve()[i] - 1.0f, cycle[at], tolerance) << "smooth " << smooth << " point " << i;
    }
  }
}

TEST_F(LfoEditor, TheBarAndMarkerFollowTheVoicesLfo) {
  VoiceStatus& voice = rig.services.voices[kPart];
  voice.lfo[1].output = 1.7f;
  voice.lfo[1].phase = 0.25f;
  modLFO& page = Build(1);
  rig.Show();
  page.OnPaint();
  EXPECT_FLOAT_EQ(page.Bar()->getLevel(), 1.0f) << "limited to the bar's top";
  EXPECT_EQ(page.Scope()->Marker(), 128);
  page.ApplyValue(16, 2.0f);
  page.OnPaint();
  EXPECT_EQ(page.Scope()->Marker(), 128) << "the voice's record already turned the rising ramp's phase round";
  voice.lfo[1].output = -0.5f;
  page.OnPaint();
  EXPECT_FLOAT_EQ(page.Bar()->getLevel(), -0.5f);
  // LFO number 3 and a part without a voice record: nothing read, nothing broken.
  modLFO& third = Build(3);
  rig.Show();
  third.OnPaint();
  third.ApplyValue(16, 11.0f);
  modLFO& lone = Build(0, 0x60000);
  rig.Show();
  lone.OnPaint();
  EXPECT_EQ(lone.Scope()->Marker(), -1);
}

// The live marker is a line: beside it the view is the same wherever the marker stands.
TEST_F(LfoEditor, TheLiveMarkerCarriesNoLabel) {
  VoiceStatus& voice = rig.services.voices[kPart];
  const auto screenWithMarkerAt = [&](float phase) {
    voice.lfo[1].phase = phase;
    Build(1);
    rig.Show();
    rig.Give(tagUX_Message(UX_MSG_VALUES_CHANGED, -1, 0));
    rig.dc.FillScreen(0);
    rig.Paint();
    return rig.Screen();
  };
  const toolkit_test::Picture near = screenWithMarkerAt(0.25f), far = screenWithMarkerAt(0.75f);
  // Right of the marker at column 128 (screen x 138), where a label would stand.
  for (int y = 90; y < 130; ++y)
    for (int x = 150; x < 200; ++x) ASSERT_EQ(near.at(x, y), far.at(x, y)) << x << ", " << y;
}

TEST_F(LfoEditor, ThePreviewAllocatesNothingAfterConstruction) {
  modLFO& page = Build();
  rig.Show();
  std::size_t allocations = 0;
  for (int wave = 0; wave <= 10; ++wave) {
    page.ApplyEncoderValue(16, static_cast<float>(wave));  // also sends the panel text
    testing_support::AllocGuard guard;
    page.ApplyEncoderValue(24, 40.0f);
    page.ApplyEncoderValue(28, 10.0f * static_cast<float>(wave));
    page.Update();
    allocations += guard.Count();
  }
  EXPECT_EQ(allocations, 0u);
}

TEST_F(LfoEditor, FocusRendersAndSendsTheLfosPanelIndex) {
  for (int lfo = 0; lfo < 3; ++lfo) {
    Build(lfo);
    rig.services.Take();
    rig.Show();
    EXPECT_EQ(Calls("sendCANFocus"), std::vector<std::string>{"sendCANFocus " + std::to_string(10 + lfo)});
  }
}

TEST_F(LfoEditor, GoldenPictures) {
  const struct {
    const char* name;
    float wave;
  } cases[] = {{"lfo_sin", 0.0f}, {"lfo_pls_dw3", 9.0f}, {"lfo_user_smooth50", 11.0f}};
  std::vector<uint8_t> record(1 + 32, 0);
  record[0] = 16;
  const uint8_t steps[16] = {128, 200, 255, 200, 128, 60, 0, 60, 128, 230, 128, 30, 128, 180, 80, 128};
  for (int k = 0; k < 16; ++k) record[1 + static_cast<std::size_t>(k)] = steps[k];
  rig.services.lfoSteps[(1 << 12) | (kPart << 16)] = record;
  for (const auto& c : cases) {
    Build(1);
    rig.services.params[kPartD | 0x1500] = c.wave;
    rig.services.params[kPartD | 0x1501] = 2.01f;
    rig.services.params[kPartD | 0x1502] = 60.0f;
    rig.services.params[kPartD | 0x1505] = 0.3f;
    rig.services.params[kPartD | 0x1509] = 50.0f;
    rig.Show();
    rig.Give(tagUX_Message(UX_MSG_VALUES_CHANGED, -1, 0));
    rig.dc.FillScreen(0);
    rig.Paint();
    EXPECT_TRUE(toolkit_test::MatchesGolden(c.name, rig.Screen())) << c.name;
  }
}

}  // namespace
