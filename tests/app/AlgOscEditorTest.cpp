// The algorithmic oscillator editor alone over the page rig: the cycle against the
// generators' own formulas, the front panel's keys, mute and refresh, the live view and its
// pictures.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/AlgWaveforms.h"
#include "pages/editors/modALGOsc.h"
#include "pages/widgets/uxScopeView.h"
#include "tests/app/PageRig.h"
#include "tests/support/AllocCounter.h"
#include "toolkit/uxValueLabel.h"

namespace {

using page_rig::PageRig;

constexpr uint32_t kPartB = 0x10000;
constexpr int kPart = 1;
constexpr double kPi = 3.141592653589793;

class AlgOscEditor : public ::testing::Test {
 protected:
  modALGOsc& Build(int instance = 1, uint32_t part = kPartB) {
    return rig.Build(part | static_cast<uint32_t>(instance) << 12, "Algorithm", uxPOINT(0, 40), 800, 440,
                     uxCOLOR(0x303030));
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
  float Algorithm() { return rig.page().ValueLabel(modALGOsc::kAlgorithm)->GetFloatRawValue(); }

  PageRig<modALGOsc> rig;
};

// The formulas the cycle must follow, at chosen points (u = j / 512).
TEST_F(AlgOscEditor, CyclesFollowTheAlgorithmFormulas) {
  const struct {
    int algorithm;
    double (*expected)(int j);
    double tolerance;
  } cases[] = {
      {0, [](int j) { return j / 256.0 - 1.0; }, 1e-6},
      // two whole saw cycles of 256 points; the phase steps before the first point is written
      {3, [](int j) { return 2.0 * (static_cast<double>((j + 1) % 256) / 256.0) - 1.0; }, 1e-4},
      {7, [](int j) { return (j < 128 || (j >= 256 && j < 384)) ? 1.0 : -1.0; }, 0.0},
      {6, [](int j) { return std::sin(2.0 * kPi * std::pow(j / 512.0, 1.0 / 1.02)); }, 1e-4},
  };
  for (const auto& c : cases) {
    modALGOsc& page = Build();
    page.ApplyValue(28, static_cast<float>(c.algorithm));
    page.ApplyValue(1, 0.0f);
    for (int j : {0, 1, 100, 127, 128, 200, 255, 256, 300, 383, 384, 450, 511}) {
      if (c.algorithm == 3 && (j == 255 || j == 511)) continue;  // the wrap may fall one point either side
      EXPECT_NEAR(page.Cycle()[j], c.expected(j), c.tolerance) << "algorithm " << c.algorithm << " point " << j;
    }
    const int n = page.CycleView()->PointCount();
    for (int k : {0, n / 3, n - 1}) {
      const int at = static_cast<int>(512.0f / n * k);
      EXPECT_FLOAT_EQ(page.CycleView()->Points()[k].a, 0.5f + page.Cycle()[at] * 0.35f);
    }
  }
}

TEST_F(AlgOscEditor, TheCycleIsTheGeneratorsOwnAtEveryShape) {
  modALGOsc& page = Build();
  float expected[modALGOsc::kCycle];
  for (int a = 0; a < algwave::kAlgorithmCount; ++a)
    for (float shape : {0.0f, 64.0f, 128.0f, 200.0f}) {
      page.ApplyValue(8, 30.0f);
      page.ApplyValue(28, static_cast<float>(a));
      page.ApplyValue(1, shape);
      ASSERT_TRUE(algwave::Generate(a, expected, modALGOsc::kCycle, shape / 256.0f, 0.3f));
      for (int j = 0; j < modALGOsc::kCycle; ++j) ASSERT_EQ(page.Cycle()[j], expected[j]) << a << " " << j;
    }
}

TEST_F(AlgOscEditor, AnUnknownAlgorithmKeepsTheLastCycle) {
  modALGOsc& page = Build();
  page.ApplyValue(28, 6.0f);
  page.ApplyValue(1, 100.0f);
  const std::vector<float> before(page.Cycle(), page.Cycle() + modALGOsc::kCycle);
  for (float bad : {8.0f, 200.0f, -1.0f, NAN}) {
    page.ApplyValue(28, bad);
    page.ApplyValue(1, 30.0f);
    EXPECT_EQ(std::vector<float>(page.Cycle(), page.Cycle() + modALGOsc::kCycle), before) << bad;
  }
}

TEST_F(AlgOscEditor, AlgorithmKeysStopAtTheEndsButStillWrite) {
  modALGOsc& page = Build(1);
  rig.Show();
  const int key = 16 + 298;
  for (int i = 0; i < 9; ++i) Panel(key, 2.0f);
  EXPECT_EQ(Algorithm(), 7.0f);
  rig.services.Take();
  Panel(key, 2.0f);
  const auto values = Calls("ValueChanged 11218");
  ASSERT_EQ(values.size(), 1u);
  EXPECT_EQ(values[0], "ValueChanged 11218 7 7");
  for (int i = 0; i < 9; ++i) Panel(key, 3.0f);
  EXPECT_EQ(Algorithm(), 0.0f);
  rig.services.Take();
  Panel(key, 3.0f);
  EXPECT_EQ(Calls("ValueChanged 11218"), std::vector<std::string>{"ValueChanged 11218 7 0"});
  (void)page;
}

TEST_F(AlgOscEditor, UnisonKeyWrapsAtFour) {
  modALGOsc& page = Build(0);
  rig.Show();
  rig.services.Take();
  for (int press = 1; press <= 4; ++press) {
    Panel(299, 8.0f);
    EXPECT_EQ(page.ValueLabel(modALGOsc::kUnison)->GetFloatRawValue(), static_cast<float>(press % 4));
  }
  const auto sends = Calls("sendPanelEnum");
  ASSERT_EQ(sends.size(), 4u);
  EXPECT_EQ(sends[3], "sendPanelEnum 300 1 0");
}

TEST_F(AlgOscEditor, MuteGreysTheAlgorithmAndRefreshResends) {
  modALGOsc& page = Build(0);
  rig.Show();
  page.ApplyValue(28, 3.0f);
  rig.services.Take();
  Panel(299, 7.0f);
  EXPECT_TRUE(page.Muted());
  EXPECT_TRUE(page.ValueLabel(modALGOsc::kAlgorithm)->isGrayed());
  std::vector<std::string> calls = rig.services.Take();
  EXPECT_EQ(calls, (std::vector<std::string>{"sendPanelText 299 1     <MUTE>  ", "ValueChanged 1021C 6 1"}));
  Panel(298, 2.0f);  // muted: the key writes the same algorithm
  EXPECT_EQ(Algorithm(), 3.0f);
  rig.services.Take();
  Panel(298, 6.0f);
  EXPECT_EQ(rig.services.Take(), std::vector<std::string>{"sendPanelText 299 1     <MUTE>  "});
  Panel(299, 7.0f);
  EXPECT_FALSE(page.ValueLabel(modALGOsc::kAlgorithm)->isGrayed());
  rig.services.Take();
  Panel(298, 6.0f);
  EXPECT_EQ(rig.services.Take(), (std::vector<std::string>{"sendPanelText 299 1 HSnyc SAW", "sendPanelEnum 300 1 0"}));
}

TEST_F(AlgOscEditor, ReloadRestoresMuteFromTheDataSet) {
  modALGOsc& page = Build(1);
  rig.Show();
  rig.services.params[kPartB | 0x121C] = 1.0f;
  rig.services.params[kPartB | 0x1218] = 5.0f;
  rig.Give(tagUX_Message(UX_MSG_VALUES_CHANGED, -1, 0));
  EXPECT_TRUE(page.Muted());
  EXPECT_EQ(Algorithm(), 5.0f);
}

TEST_F(AlgOscEditor, FocusFollowsTheInstance) {
  for (int instance : {0, 1}) {
    Build(instance);
    rig.services.Take();
    rig.Show();
    EXPECT_EQ(Calls("sendCANFocus"), std::vector<std::string>{"sendCANFocus " + std::to_string(4 + instance)});
  }
}

TEST_F(AlgOscEditor, LiveViewEveryFourthPaint) {
  modALGOsc& page = Build(1);
  rig.Show();
  VoiceStatus& voice = rig.services.voices[kPart];
  float block[64];
  for (int i = 0; i < 64; ++i) block[i] = static_cast<float>(i) / 64.0f;
  voice.oscillator[1].frequency.store(440.0f);
  voice.oscillator[1].table.store(block);
  voice.oscillator[1].length.store(64);
  page.OnPaint();
  EXPECT_EQ(page.LiveView()->TopLeft(), "440.00 Hz");
  const int n = page.LiveView()->PointCount();
  for (int k : {0, 7, n - 1}) EXPECT_FLOAT_EQ(page.LiveView()->Points()[k].a, 0.08f + block[k * 64 / n] * 0.8f);
  voice.oscillator[1].frequency.store(220.0f);
  for (int p = 0; p < 3; ++p) page.OnPaint();
  EXPECT_EQ(page.LiveView()->TopLeft(), "440.00 Hz");
  page.OnPaint();
  EXPECT_EQ(page.LiveView()->TopLeft(), "220.00 Hz");
}

TEST_F(AlgOscEditor, MissingMonitorLeavesTheViews) {
  modALGOsc& page = Build(0, 0x50000);
  rig.Show();
  for (int p = 0; p < 8; ++p) page.OnPaint();
  EXPECT_EQ(page.LiveView()->TopLeft(), "");
}

TEST_F(AlgOscEditor, RedrawsAllocateNothingAfterConstruction) {
  modALGOsc& page = Build();
  rig.Show();
  float block[64] = {};
  VoiceStatus& voice = rig.services.voices[kPart];
  voice.oscillator[1].table.store(block);
  voice.oscillator[1].length.store(64);
  testing_support::AllocGuard guard;
  for (int r = 0; r < 100; ++r) {
    page.ApplyValue(1, static_cast<float>(r * 2), false);
    page.ApplyValue(8, static_cast<float>(r), false);
    page.DrawWaveform();
    page.OnPaint();
  }
  EXPECT_EQ(guard.Count(), 0u);
}

TEST_F(AlgOscEditor, GoldenPictures) {
  const char* names[8] = {"just_saw", "va_sweep", "dual_pwm", "hsync_saw", "pwm", "format_sin", "pd_sin", "fract_pwm"};
  float block[128];
  for (int i = 0; i < 128; ++i) block[i] = 0.5f + 0.4f * std::sin(6.2831853f * i / 128.0f);
  for (int a = 0; a < algwave::kAlgorithmCount; ++a) {
    for (float shape : {0.0f, 128.0f}) {
      Build();
      rig.Show();
      rig.services.params[kPartB | 0x1218] = static_cast<float>(a);
      rig.services.params[kPartB | 0x1217] = shape;
      rig.services.params[kPartB | 0x1219] = 50.0f;
      rig.services.params[kPartB | 0x1214] = 1.0f;
      rig.services.params[kPartB | 0x1210] = 12.0f;
      rig.services.params[kPartB | 0x1211] = -7.0f;
      rig.services.params[kPartB | 0x1213] = 15.0f;
      rig.services.params[kPartB | 0x1215] = 60.0f;
      rig.services.params[kPartB | 0x1216] = -20.0f;
      rig.services.params[kPartB | 0x121B] = 25.0f;
      VoiceStatus& voice = rig.services.voices[kPart];
      voice.oscillator[1].frequency.store(261.63f);
      voice.oscillator[1].table.store(block);
      voice.oscillator[1].length.store(128);
      rig.Give(tagUX_Message(UX_MSG_VALUES_CHANGED, -1, 0));
      rig.dc.FillScreen(0);
      rig.Paint();
      const std::string name = std::string("algosc_") + names[a] + (shape == 0.0f ? "_shape0" : "_shape128");
      EXPECT_TRUE(toolkit_test::MatchesGolden(name, rig.Screen())) << name;
      voice.oscillator[1].table.store(nullptr);
    }
  }
}

}  // namespace
