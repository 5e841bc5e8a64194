// The effects page of part C alone over recording page services: the slot list, type
// browsing and assignment, bypass, focus and the per-part refresh, and the configuration
// panel base on the page's shared labels.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "pages/effects/appVA_Effects.h"
#include "pages/effects/cfgVA_Base.h"
#include "pages/effects/cfgVA_None.h"
#include "tests/app/PageRig.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TestPaths.h"
#include "toolkit/uxButton.h"
#include "toolkit/uxTableCtrl.h"
#include "toolkit/uxValueLabel.h"

namespace {

constexpr uint32_t kPageId = 0xA0000;  // part C: effects target 10
constexpr int kPart = 2;
constexpr int kEncoderA = 144, kEncoderB = 145;
constexpr int kRight = 130, kPush = 132;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

class EffectsPage : public ::testing::Test {
 protected:
  void SetUp() override {
    rig.Build(kPageId, "FX 3", uxPOINT(0, 40), 800, 440);
    rig.Show();
    rig.services.Take();
  }
  appVA_Effects& page() { return rig.page(); }
  // A touch on the type button of row n (1-4 are in view), delivered with the next tick.
  void Choose(int n) {
    rig.Touch(150, 60 + 48 * (n - 1) + 24);
    rig.Tick(false);
  }
  void TouchOn(int n) {
    rig.Touch(300, 60 + 48 * (n - 1) + 24);
    rig.Tick(false);
  }
  // Encoder A to TYPE entry `type` from the start of the list (two detents an entry).
  void Browse(int type) {
    for (int i = 0; i < 20; ++i) rig.Encoder(kEncoderA, 131);
    for (int i = 0; i < 2 * type; ++i) rig.Encoder(kEncoderA, kRight);
  }
  // Choosing a row that holds an effect sends its switch (tested on its own); only what the
  // push sends is left.
  void Assign(int row, int type) {
    Choose(row);
    rig.services.Take();
    Browse(type);
    rig.Encoder(kEncoderA, kPush);
  }
  // What reached the data set or the engine: SetParamById, SetEngineParam, and ValueChanged
  // with more than a repaint. Browsing reports the TYPE label with flags 1 only.
  std::vector<std::string> Sent() {
    std::vector<std::string> out;
    for (const std::string& call : rig.services.Take()) {
      if (call.rfind("SetParamById", 0) == 0) out.push_back(call);
      unsigned uid = 0, flags = 0;
      if (std::sscanf(call.c_str(), "ValueChanged %X %u", &uid, &flags) == 2 && flags > FLAG_REPAINT) out.push_back(call);
      if (call.rfind("SetEngineParam", 0) == 0) out.push_back(call);
    }
    return out;
  }
  std::vector<std::string> Types() {
    std::vector<std::string> out;
    for (int s = 0; s < appVA_Effects::kSlots; ++s) out.emplace_back(page().TypeButton(s)->GetText());
    return out;
  }
  int EnabledPanel() {
    int found = -1;
    for (int t = 0; t < appVA_Effects::kTypes; ++t) {
      if (!page().Panel(t)->isEnabled()) continue;
      EXPECT_EQ(found, -1) << "a second panel is shown: " << t;
      found = t;
    }
    return found;
  }
  void Stored(int slot, float type, float bypass) {
    rig.services.params[page().Uid(slot, appVA_Effects::kTypeParam)] = type;
    rig.services.params[page().Uid(slot, appVA_Effects::kBypassParam)] = bypass;
  }

  testing_support::TempDataRoot root;  // no reverb presets of this machine
  page_rig::PageRig<appVA_Effects> rig;
  testing_support::LogCapture log;
};

TEST_F(EffectsPage, BrowsingStoresNothingAndThePushAssignsTheTypeToTheRow) {
  for (int s = 0; s < appVA_Effects::kSlots; ++s) {
    char number[4];
    std::snprintf(number, sizeof number, "%02d", s + 1);
    EXPECT_STREQ(page().NumberButton(s)->GetText(), number);
  }
  EXPECT_EQ(Types(), std::vector<std::string>(10, "----"));
  EXPECT_EQ(page().Label(appVA_Effects::kTypeLabel)->GetID(), 0xA00F0);

  Choose(4);
  EXPECT_EQ(page().SelectedSlot(), 3);
  Browse(4);
  EXPECT_STREQ(page().Label(1)->getText(), "MOOGFLT");
  EXPECT_TRUE(Sent().empty()) << "browsing reaches neither the data set nor the engine";

  log.Clear();
  rig.Encoder(kEncoderA, kPush);
  // Then the ladder's defaults in its own order; the cutoff stands on its step (96.5 < 100 <= 102.2).
  EXPECT_EQ(Sent(), (std::vector<std::string>{"SetParamById A300F 1", "SetParamById A30F0 4", "ValueChanged A3004 7 50",
                                              "ValueChanged A3002 7 30", "ValueChanged A3000 7 100"}));
  EXPECT_EQ(page().Label(9)->GetFloatRawValue(), 10.0f);
  EXPECT_NE(log.Text().find("ID A00F0  nr:3, FXType:4\n"), std::string::npos) << log.Text();
  EXPECT_STREQ(page().TypeButton(3)->GetText(), "MOOGFLT");
  EXPECT_FALSE(page().OnButton(3)->getButtonState()) << "a new effect starts bypassed";
  EXPECT_EQ(EnabledPanel(), 4);
  EXPECT_EQ(page().Panel(4)->Slot(), 3);
  for (int t = 0; t < appVA_Effects::kTypes; ++t) EXPECT_EQ(page().TypeInUse(t), t == 4) << t;
}

TEST_F(EffectsPage, APushWithoutARowOrWithATypeAlreadyStandingChangesNothing) {
  Browse(4);
  rig.Encoder(kEncoderA, kPush);
  EXPECT_TRUE(Sent().empty()) << "no row chosen";

  Assign(1, 4);
  ASSERT_EQ(Sent().size(), 5u);
  struct Case {
    int row;
    int type;
    const char* why;
  } const cases[] = {
      {2, 4, "type 4 stands in slot 0"},
      {1, 4, "the row already has it"},
      {3, 0, "an empty row pushed on \"----\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    Assign(c.row, c.type);
    EXPECT_TRUE(Sent().empty());
  }
  EXPECT_EQ(Types(), (std::vector<std::string>{"MOOGFLT", "----", "----", "----", "----", "----", "----", "----",
                                               "----", "----"}));
}

TEST_F(EffectsPage, DashesClearASlotAndMayStandInAnyNumberOfSlots) {
  Assign(1, 4);
  Assign(2, 2);
  Sent();
  Assign(1, 0);
  EXPECT_EQ(Sent(), (std::vector<std::string>{"SetParamById A000F 1", "SetParamById A00F0 0"}));
  EXPECT_EQ(EnabledPanel(), 0);
  EXPECT_EQ(page().Panel(0)->Slot(), 0);
  EXPECT_FALSE(page().TypeInUse(4));
  EXPECT_TRUE(page().TypeInUse(2));
  // The freed type goes to another slot.
  Assign(3, 4);
  EXPECT_EQ(Sent(), (std::vector<std::string>{"SetParamById A200F 1", "SetParamById A20F0 4", "ValueChanged A2004 7 50",
                                              "ValueChanged A2002 7 30", "ValueChanged A2000 7 100"}));
  EXPECT_EQ(Types(), (std::vector<std::string>{"----", "PARAM-EQ", "MOOGFLT", "----", "----", "----", "----", "----",
                                               "----", "----"}));
}

TEST_F(EffectsPage, ChoosingARowDrivesTheFirstLabelOfEachEncoderAndTheOnButtonSwitchesTheSlot) {
  Assign(1, 4);
  Sent();
  // Touching the ON button of the chosen row switches the effect on, again off.
  TouchOn(1);
  EXPECT_TRUE(page().OnButton(0)->getButtonState());
  std::vector<std::string> sent = Sent();
  ASSERT_FALSE(sent.empty());
  EXPECT_EQ(sent.back(), "SetParamById A000F 0");
  TouchOn(1);
  sent = Sent();
  ASSERT_FALSE(sent.empty());
  EXPECT_EQ(sent.back(), "SetParamById A000F 1");

  // Whatever label was touched before, a chosen row checks labels 1, 4, 7 and 9 and sends
  // the row's switch.
  for (int entry = 2; entry <= 10; ++entry) page().Label(entry)->SetChecked(true);
  page().OnButton(0)->setButtonState(true);
  Choose(1);
  for (int entry = 1; entry <= 10; ++entry)
    EXPECT_EQ(page().Label(entry)->isChecked(), entry == 1 || entry == 4 || entry == 7 || entry == 9) << entry;
  sent = Sent();
  ASSERT_FALSE(sent.empty());
  EXPECT_EQ(sent.back(), "SetParamById A000F 0");

  // An empty row's ON button stays off and sends nothing.
  Choose(2);
  page().OnButton(1)->setButtonState(true);
  rig.Give(tagUX_Message(UX_MSG_ON_BUTTON, appVA_Effects::kOnButtonId, 0));
  EXPECT_FALSE(page().OnButton(1)->getButtonState());
  EXPECT_TRUE(Sent().empty());
  // Nor does an ON press while the page is not shown.
  Choose(1);
  Sent();
  rig.Give(tagUX_Message(UX_MSG_FOCUS, 2, 0));
  rig.Give(tagUX_Message(UX_MSG_ON_BUTTON, appVA_Effects::kOnButtonId, 0));
  EXPECT_TRUE(Sent().empty());
}

TEST_F(EffectsPage, FocusShowsTheEmptyPanelWithoutARowElseTheChosenSlot) {
  EXPECT_EQ(EnabledPanel(), 0);
  EXPECT_EQ(page().Panel(0)->Slot(), -1);
  for (int entry = 2; entry <= 10; ++entry) EXPECT_EQ(page().Label(entry)->GetID(), -1) << entry;

  Assign(2, 2);
  Choose(3);
  Choose(2);
  page().ShowConfigPanel(0, -1);
  rig.Show();
  EXPECT_EQ(EnabledPanel(), 2);
  EXPECT_EQ(page().Panel(2)->Slot(), 1);
}

TEST_F(EffectsPage, AValuesChangedMessageForThisPartReloadsEverySlot) {
  Assign(1, 3);
  Choose(1);
  Stored(0, 4, 0.0f);
  Stored(1, 2, 1.0f);
  Stored(2, 12, 0.0f);    // no such type
  Stored(3, kNaN, 0.0f);  // nor this
  Stored(4, 5, kNaN);     // a bypass that is no number reads as off
  Stored(5, -3, 0.0f);
  Stored(6, 0, 0.0f);  // an empty slot is never on
  Sent();

  rig.Give(tagUX_Message(UX_MSG_VALUES_CHANGED, kPart - 1, 0));
  EXPECT_STREQ(page().TypeButton(0)->GetText(), "ST-DLY") << "another part's values";
  EXPECT_EQ(page().SelectedSlot(), 0);

  for (int param : {kPart, -1}) {
    SCOPED_TRACE(param);
    Choose(1);
    Sent();
    rig.Give(tagUX_Message(UX_MSG_VALUES_CHANGED, param, 0));
    EXPECT_EQ(Types(), (std::vector<std::string>{"MOOGFLT", "PARAM-EQ", "----", "----", "TUBEAMP", "----", "----",
                                                 "----", "----", "----"}));
    const bool on[] = {true, false, false, false, false, false, false, false, false, false};
    for (int s = 0; s < appVA_Effects::kSlots; ++s) EXPECT_EQ(page().OnButton(s)->getButtonState(), on[s]) << s;
    EXPECT_EQ(page().Table()->getSelection(), -1);
    EXPECT_EQ(page().SelectedSlot(), -1);
    EXPECT_EQ(EnabledPanel(), 0) << "no row: the encoders edit nothing";
    for (int t = 0; t < appVA_Effects::kTypes; ++t) EXPECT_EQ(page().TypeInUse(t), t == 2 || t == 4 || t == 5) << t;
    EXPECT_TRUE(Sent().empty());
  }
  // The marks follow the loaded types: 3 is free again, 4 is taken.
  Assign(2, 4);
  EXPECT_TRUE(Sent().empty());
  Assign(3, 3);
  const std::vector<std::string> sent = Sent();
  ASSERT_GE(sent.size(), 2u);
  EXPECT_EQ(std::vector<std::string>(sent.begin(), sent.begin() + 2),
            (std::vector<std::string>{"SetParamById A200F 1", "SetParamById A20F0 3"}));
}

TEST_F(EffectsPage, GoldenPicture) {
  Stored(0, 4, 0.0f);
  Stored(1, 2, 1.0f);
  Stored(2, 7, 0.0f);
  rig.Give(tagUX_Message(UX_MSG_VALUES_CHANGED, -1, 0));
  Choose(1);
  rig.dc.FillScreen(0);
  rig.Show();  // as when the FX tab is chosen: every control repaints
  rig.Paint();
  EXPECT_TRUE(toolkit_test::MatchesGolden("effects_page", rig.Screen()));
}

// A panel of four labels on the page's label set, as an effect type's table gives them.
const FxLabelRow kTestRows[] = {
    {2, "Level", "dB", Formatter::kDb, true, 1, 4, {}, -10.0f, 2},
    {4, "Cutoff", "Hz", Formatter::kCutoff, true, 1, 2, {}, 100.0f, 1},
    {5, "Mode", nullptr, Formatter::kNone, false, 8, 3, {"LP", "HP"}, 1.0f, 3},
    {7, "Rate", "Hz", Formatter::kRate, true, 1, 6, {}, 0.2f, 0},
};

TEST_F(EffectsPage, APanelLabelsTheSlotWritesDefaultsInOrderAndRefreshesEnabledLabels) {
  cfgVA_Base panel(&rig.services, kPageId, page().LabelSet(), &page(), "TEST", "Blank.png", kTestRows);
  EXPECT_FALSE(panel.isEnabled());
  panel.SetFocus(true);
  panel.SetupSlot(3);
  EXPECT_TRUE(panel.isEnabled());
  struct Label {
    int entry;
    int uid;
    int mode;
    bool checked;
    const char* text;
  } const labels[] = {
      {2, 0xA3004, 1, true, "Level"}, {3, -1, 0, false, ""}, {4, 0xA3002, 1, true, "Cutoff"},
      {5, 0xA3003, 8, false, "Mode"}, {6, -1, 0, false, ""}, {7, 0xA3006, 1, true, "Rate"},
      {8, -1, 0, false, ""},          {9, -1, 0, false, ""}, {10, -1, 0, false, ""},
  };
  for (const Label& l : labels) {
    SCOPED_TRACE(l.entry);
    uxValueLabel* label = page().Label(l.entry);
    EXPECT_EQ(label->GetID(), l.uid);
    EXPECT_EQ(label->GetValueType(), l.mode);
    EXPECT_EQ(label->isChecked(), l.checked);
    EXPECT_STREQ(label->getLabelText(), l.text);
  }
  EXPECT_EQ(page().Label(5)->GetStepCount(), 2);
  rig.services.Take();

  panel.SetDefaults();
  EXPECT_EQ(rig.services.Take(), (std::vector<std::string>{"ValueChanged A3002 7 100", "ValueChanged A3004 7 -10",
                                                           "ValueChanged A3003 7 1"}));
  EXPECT_FLOAT_EQ(page().Label(4)->GetFloatRawValue(), 10);
  EXPECT_FLOAT_EQ(page().Label(2)->GetFloatRawValue(), 65);
  EXPECT_STREQ(page().Label(5)->getText(), "HP");

  rig.services.params[0xA3004] = -48.1f;
  rig.services.params[0xA3002] = 17401.0f;
  rig.services.params[0xA3006] = 0.5f;
  page().Label(7)->SetEnabled(false);
  panel.RefreshValues(1);
  EXPECT_EQ(rig.services.Take(), (std::vector<std::string>{"ValueChanged A3004 1 -48.1", "ValueChanged A3002 1 17401",
                                                           "ValueChanged A3003 1 0"}));
  EXPECT_FLOAT_EQ(page().Label(2)->GetFloatRawValue(), 4);
  EXPECT_FLOAT_EQ(page().Label(4)->GetFloatRawValue(), 0) << "above the table";

  // A turn steps the position and sends the number as shown.
  page().Label(1)->SetChecked(false);
  page().Label(2)->SetFloatRawValue(2);
  rig.Encoder(kEncoderA, kRight);
  page().Label(4)->SetFloatRawValue(10);
  rig.Encoder(kEncoderB, kRight);
  EXPECT_EQ(rig.services.Take(), (std::vector<std::string>{"ValueChanged A3004 23 -48.1", "SendMessage 275 144 130",
                                                           "ValueChanged A3002 23 108.2", "SendMessage 275 145 130"}));
  EXPECT_STREQ(page().Label(2)->getText(), "-48.1");
}

TEST_F(EffectsPage, TheEmptyPanelBlanksEveryLabelAndIdleLabelsNeverSend) {
  cfgVA_Base bare(&rig.services, kPageId, page().LabelSet(), &page(), "BARE", "Blank.png");
  bare.SetupSlot(2);
  bare.RefreshValues(1);
  bare.SetDefaults();
  EXPECT_TRUE(rig.services.Take().empty());

  page().Panel(0)->SetupSlot(-1);
  for (int entry = 2; entry <= 10; ++entry) {
    SCOPED_TRACE(entry);
    uxValueLabel* label = page().Label(entry);
    EXPECT_EQ(label->GetID(), -1);
    EXPECT_EQ(label->GetValueType(), 0);
    EXPECT_FALSE(label->isChecked());
    EXPECT_STREQ(label->getLabelText(), "");
    EXPECT_STREQ(label->getUnitText(), "");
    EXPECT_STREQ(label->getText(), entry <= 7 ? "-" : "");
  }
  page().Panel(0)->RefreshValues(1);
  page().Panel(0)->SetDefaults();
  for (int entry = 2; entry <= 10; ++entry) page().Label(entry)->SetChecked(true);
  page().Label(1)->SetChecked(false);
  for (int encoder = kEncoderA; encoder <= 147; ++encoder)
    for (int code : {kRight, 131, kPush}) rig.Encoder(static_cast<uint16_t>(encoder), static_cast<uint8_t>(code));
  EXPECT_TRUE(rig.services.Take().empty());
}

}  // namespace
