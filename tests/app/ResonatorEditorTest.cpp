// The resonator editor alone over the page rig: the histogram against the engine's own
// partials and weights, the times, the mute switch on the front panel, spread and spacing,
// and its pictures.
#include <gtest/gtest.h>

#include "data/ParamTable.h"
#include "engine/ResonatorOsc.h"
#include "pages/editors/modRESOsc.h"
#include "tests/app/PageRig.h"
#include "tests/support/AllocCounter.h"
#include "toolkit/uxValueLabel.h"

namespace {

using page_rig::PageRig;

constexpr uint32_t kPartB = 0x10000;
constexpr int kPart = 1;

class ResonatorEditor : public ::testing::Test {
 protected:
  modRESOsc& Build(int osc = 0, uint32_t part = kPartB) {
    return rig.Build(part | static_cast<uint32_t>(osc) << 12, "Resonator", uxPOINT(0, 40), 800, 440,
                     uxCOLOR(0x303030));
  }
  void Panel(int canId, float value, int part = kPart) {
    tagUX_Message msg(EN_MSG_SET_VALUE, canId, part);
    msg.pData = &value;
    rig.Give(msg);
  }

  PageRig<modRESOsc> rig;
};

// What sounds: the weights the render multiplies the partials by, per mode.
TEST(ResonatorWeights, EachModeWeightsThePartialsAsTheRenderDoes) {
  const struct {
    int mode;
    float timbre;
    std::vector<float> first;
  } cases[] = {
      {ResonatorOsc::kOddDamped, 0.25f, {0.75f, 1.0f, 0.75f, 1.0f}},
      {ResonatorOsc::kAllDamped, 0.25f, {0.75f, 0.75f, 0.75f, 0.75f}},
      {ResonatorOsc::kEveryNth, 0.0f, {1.0f, 1.0f, 1.0f, 1.0f}},
      {ResonatorOsc::kEveryNth, 2.0f / 32.0f, {0.0f, 0.0f, 1.0f, 0.0f}},  // every third: partials 2, 5, ...
      {ResonatorOsc::kCosineComb, 0.0f, {1.0f, 1.0f, 1.0f, 1.0f}},
      {9, 0.5f, {1.0f, 1.0f, 1.0f, 1.0f}},
  };
  for (const auto& c : cases) {
    float w[ResonatorOsc::kMaxPartials];
    ResonatorOsc::Weights(c.mode, c.timbre, 4, w);
    for (int m = 0; m < 4; ++m) EXPECT_NEAR(w[m], c.first[m], 1e-6) << "mode " << c.mode << " partial " << m;
  }
}

TEST_F(ResonatorEditor, BarsAreTheEnginesPartialsTimesItsWeights) {
  for (int mode = 0; mode < 4; ++mode) {
    for (float timbre : {0.0f, 64.0f, 200.0f, 256.0f}) {
      modRESOsc& page = Build();
      page.ApplyValue(25, 300.0f);
      page.ApplyValue(8, 60.0f);
      page.ApplyValue(9, static_cast<float>(mode));
      page.ApplyValue(1, timbre);
      ResonatorOsc reference;
      reference.SetStretch(300.0f * 0.001f);
      reference.SetDamping(60.0f * 0.01f);
      reference.SetTimbre(timbre * 0.0039f);
      const int count = reference.UpdateModes();
      ASSERT_EQ(page.BarCount(), count);
      float w[ResonatorOsc::kMaxPartials];
      ResonatorOsc::Weights(mode, timbre * 0.0039f, count, w);
      for (int m = 0; m < count; ++m) {
        EXPECT_FLOAT_EQ(page.Bars()[m].position, reference.DisplayAt(m).frequency);
        EXPECT_FLOAT_EQ(page.Bars()[m].level, reference.DisplayAt(m).damping * w[m]) << mode << " " << m;
      }
    }
  }
}

TEST_F(ResonatorEditor, TimesTakeTheirTableIndex) {
  const struct {
    float seconds;
    float index;
  } cases[] = {{0.0015f, 4.0f}, {0.0005f, 0.0f}, {0.001f, 3.0f}, {40.0f, 0.0f}};
  for (const auto& c : cases) {
    modRESOsc& page = Build();
    page.ApplyValue(27, c.seconds);
    page.ApplyValue(26, c.seconds);
    EXPECT_EQ(page.ValueLabel(modRESOsc::kAttack)->GetFloatRawValue(), c.index) << c.seconds;
    EXPECT_EQ(page.ValueLabel(modRESOsc::kDecay)->GetFloatRawValue(), c.index) << c.seconds;
  }
}

TEST_F(ResonatorEditor, OnlySevenTogglesTheMute) {
  modRESOsc& page = Build(0);
  rig.Show();
  rig.services.Take();
  for (float other : {6.0f, 8.0f, 0.0f}) Panel(299, other);
  EXPECT_FALSE(page.Muted());
  EXPECT_TRUE(rig.services.Take().empty());
  Panel(299, 7.0f);
  EXPECT_TRUE(page.Muted());
  EXPECT_EQ(rig.services.Take(),
            (std::vector<std::string>{"sendPanelText 299 1     <MUTE>  ", "ValueChanged 1022B 6 1"}));
  Panel(298, 6.0f);
  EXPECT_EQ(rig.services.Take(), std::vector<std::string>{"sendPanelText 299 1     <MUTE>  "});
  Panel(299, 7.0f);
  EXPECT_EQ(rig.services.Take(), (std::vector<std::string>{"sendPanelText 299 1 SIN-MOD", "ValueChanged 1022B 6 0"}));
  Panel(298, 6.0f);
  EXPECT_EQ(rig.services.Take(), (std::vector<std::string>{"sendPanelText 299 1 SIN-MOD", "sendPanelEnum 300 1 1"}));
  Panel(315, 7.0f);  // the other oscillator's key
  EXPECT_FALSE(page.Muted());
}

TEST_F(ResonatorEditor, SpreadSetsSpacingAndComesFromThePanelInTenths) {
  modRESOsc& page = Build(1);
  page.ApplyValue(25, 400.0f);
  EXPECT_FLOAT_EQ(page.Spacing(), 0.7f);
  EXPECT_FLOAT_EQ(page.Resonator().Stretch(), 0.4f);
  const int canId = GetParamCanId(1, 0x224);
  if (canId < 0) GTEST_SKIP() << "no panel row for SPREAD";
  Panel(canId, 20.0f);
  EXPECT_FLOAT_EQ(page.ValueLabel(modRESOsc::kSpread)->GetFloatValue(), 200.0f);
  EXPECT_FLOAT_EQ(page.Spacing(), 0.6f);
}

TEST_F(ResonatorEditor, FocusFollowsTheOscillator) {
  for (int osc : {0, 1}) {
    Build(osc);
    rig.services.Take();
    rig.Show();
    std::vector<std::string> focus;
    for (const std::string& line : rig.services.Take())
      if (line.rfind("sendCANFocus", 0) == 0) focus.push_back(line);
    EXPECT_EQ(focus, std::vector<std::string>{"sendCANFocus " + std::to_string(4 + osc)});
  }
}

TEST_F(ResonatorEditor, RedrawsAllocateNothingAfterConstruction) {
  modRESOsc& page = Build();
  rig.Show();
  page.ApplyValue(9, 3.0f);  // sends the mode text
  testing_support::AllocGuard guard;
  for (int r = 0; r < 100; ++r) {
    page.ApplyValue(1, static_cast<float>(r * 2), false);
    page.ApplyValue(25, static_cast<float>(r * 10), false);
    page.ApplyValue(8, static_cast<float>(r), false);
  }
  EXPECT_EQ(guard.Count(), 0u);
}

TEST_F(ResonatorEditor, GoldenPictures) {
  const char* names[4] = {"sin_mod", "saw_sqr", "sin_saw", "modulo"};
  for (int mode = 0; mode < 4; ++mode) {
    Build();
    rig.Show();
    rig.services.params[kPartB | 0x223] = static_cast<float>(mode);
    rig.services.params[kPartB | 0x226] = 96.0f;
    rig.services.params[kPartB | 0x22C] = 60.0f;
    rig.services.params[kPartB | 0x224] = 300.0f;
    rig.services.params[kPartB | 0x227] = 25.0f;
    rig.services.params[kPartB | 0x229] = 0.0015f;
    rig.services.params[kPartB | 0x22A] = 0.5f;
    rig.services.params[kPartB | 0x220] = -12.0f;
    rig.services.params[kPartB | 0x221] = 5.0f;
    rig.services.params[kPartB | 0x225] = 30.0f;
    rig.Give(tagUX_Message(UX_MSG_VALUES_CHANGED, -1, 0));
    rig.dc.FillScreen(0);
    rig.Paint();
    const std::string name = std::string("resonator_") + names[mode];
    EXPECT_TRUE(toolkit_test::MatchesGolden(name, rig.Screen())) << name;
  }
}

}  // namespace
