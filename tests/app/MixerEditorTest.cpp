// The mixer page over the page rig: the routing pictures, the panel's selector and
// cross-fade keys, the cross-fade indicator, the shaper icons and controllers.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "pages/editors/modMIX.h"
#include "pages/widgets/uxXFadeCtrl.h"
#include "tests/app/PageFixtures.h"
#include "tests/app/PageMessages.h"
#include "tests/app/PageRig.h"
#include "toolkit/uxBarCtrl.h"
#include "toolkit/uxImage.h"
#include "toolkit/uxValueLabel.h"

namespace {

using page_rig::PageRig;
namespace msg = page_msg;

constexpr int kPart = 3;
constexpr uint32_t kId = 0x30000;

class MixerEditor : public ::testing::Test {
 protected:
  modMIX& Build() {
    modMIX& m = rig.Build(kId, " MIXER ", uxPOINT(0, 40), 800, 440, uxCOLOR(0x303030), &shaper);
    rig.Show();
    rig.services.Take();
    return m;
  }
  void Stored(modMIX& m, float selA, float selB) {
    rig.services.params[m.ValueLabel(modMIX::kSelA)->GetID()] = selA;
    rig.services.params[m.ValueLabel(modMIX::kSelB)->GetID()] = selB;
    rig.Give(msg::ValuesChanged(kPart));
  }
  void Key(int canId, float value) { rig.Give(msg::SetValue(canId, kPart, &value)); }
  bool Sent(const std::vector<std::string>& calls, const char* line) {
    return std::find(calls.begin(), calls.end(), line) != calls.end();
  }
  int shaper = 0;
  page_rig::ImageRoot images;
  PageRig<modMIX> rig;
};

TEST_F(MixerEditor, RoutingPictureBySelectors) {
  modMIX& m = Build();
  struct Case {
    float selA, selB;
    int picture;
    bool indicator;
  };
  // The last pair is outside the table: the routing stays as it was.
  const Case cases[] = {{2, 1, 0, true}, {2, 0, 0, true}, {0, 0, 1, false}, {1, 0, 2, false},
                        {0, 1, 3, false}, {1, 1, 4, false}, {5, 0, 4, false}};
  for (const Case& c : cases) {
    Stored(m, c.selA, c.selB);
    EXPECT_EQ(m.Routing()->shownImage(), c.picture) << c.selA << " " << c.selB;
    EXPECT_EQ(m.Indicator()->isEnabled(), c.indicator) << c.selA << " " << c.selB;
  }
}

TEST_F(MixerEditor, SelectorKeys) {
  modMIX& m = Build();
  Key(356, 4);  // FLT-B
  auto calls = rig.services.Take();
  EXPECT_TRUE(Sent(calls, "sendPanelEnum 356 3 2"));
  EXPECT_TRUE(Sent(calls, "sendPanelEnum 357 3 1"));
  Key(357, 0);  // selB to FLT-B
  EXPECT_TRUE(Sent(rig.services.Take(), "sendPanelEnum 357 3 2"));
  EXPECT_EQ(m.Routing()->shownImage(), 4);
  Key(356, 4);  // OSC-XFADE: the second selector shows nothing and is inert
  calls = rig.services.Take();
  EXPECT_TRUE(Sent(calls, "sendPanelEnum 356 3 3"));
  EXPECT_TRUE(Sent(calls, "sendPanelEnum 357 3 0"));
  EXPECT_EQ(m.Routing()->shownImage(), 0);
  Key(357, 0);
  EXPECT_FLOAT_EQ(m.ValueLabel(modMIX::kSelB)->GetFloatRawValue(), 1.0f);
  EXPECT_EQ(m.Routing()->shownImage(), 0);
  Key(356, 4);  // back to FLT-A
  EXPECT_EQ(m.Routing()->shownImage(), 3);
}

TEST_F(MixerEditor, CrossFadeIndicator) {
  modMIX& m = Build();
  struct Case {
    float xfade, indicator;
  };
  for (const Case& c : {Case{-100, 0}, Case{100, 200}, Case{0, 100}, Case{-250, 0}}) {
    rig.services.params[m.ValueLabel(modMIX::kXfade)->GetID()] = c.xfade;
    rig.Give(msg::ValuesChanged(-1));
    EXPECT_FLOAT_EQ(m.Indicator()->Wedge(), c.indicator) << c.xfade;
    EXPECT_FLOAT_EQ(m.Indicator()->Marker(), c.indicator) << c.xfade;
  }
  // Values 2 and 3 of the first selector key step the cross-fade up and down.
  rig.services.params[m.ValueLabel(modMIX::kXfade)->GetID()] = 0;
  rig.Give(msg::ValuesChanged(-1));
  const float before = m.ValueLabel(modMIX::kXfade)->GetFloatValue();
  Key(356, 2);
  const float up = m.ValueLabel(modMIX::kXfade)->GetFloatValue();
  EXPECT_GT(up, before);
  Key(356, 3);
  EXPECT_FLOAT_EQ(m.ValueLabel(modMIX::kXfade)->GetFloatValue(), before);
  EXPECT_FLOAT_EQ(m.Indicator()->Wedge(), before + 100.0f);
}

TEST_F(MixerEditor, ShaperIconsFollowTheSharedPosition) {
  modMIX& m = Build();
  for (int at : {0, 1, 2, 3, 7}) {
    shaper = at;
    Key(339, 1);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(m.ShaperIcon(k)->shownImage(), at == k + 1 ? 1 : 0) << at << " " << k;
  }
  shaper = 2;
  rig.Give(msg::Focus(1, 0));
  EXPECT_EQ(m.ShaperIcon(1)->shownImage(), 1);
  EXPECT_TRUE(Sent(rig.services.Take(), "sendCANFocus 13"));
}

TEST_F(MixerEditor, LevelsByControllerAndEncoder) {
  rig.services.ccMap[kId + 0x1011] = 21;
  modMIX& m = Build();
  EXPECT_EQ(m.OnMidiCC(0, kPart, 21, 127), 1);
  const float v = m.ValueLabel(modMIX::kOsc2)->GetFloatValue();
  EXPECT_GT(v, 0.0f);
  EXPECT_FLOAT_EQ(m.LevelBar(modMIX::kOsc2Bar)->getLevel(), std::min(v, 100.0f));
  char want[64];
  std::snprintf(want, sizeof want, "ValueChanged %X 22 %g", kId + 0x1011, static_cast<double>(v));
  EXPECT_TRUE(Sent(rig.services.Take(), want));
  m.ValueLabel(modMIX::kNoise)->SetFloatValue(40.0f, 0);
  rig.Give(msg::EncoderValueChanged(2));
  EXPECT_FLOAT_EQ(m.LevelBar(modMIX::kNoiseBar)->getLevel(), 40.0f);
}

TEST_F(MixerEditor, GoldenPicture) {
  modMIX& m = Build();
  shaper = 3;
  Stored(m, 1, 0);
  rig.Give(msg::Focus(1, 1));
  rig.Paint();
  EXPECT_TRUE(toolkit_test::MatchesGolden("mixer_editor", rig.Screen()));
}

}  // namespace
