// The part page alone over recording page services: the preset browser against a temporary
// preset folder, the play-setting labels with the panel's values and their pickup, and the
// page's picture.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "data/ParamTable.h"
#include "pages/part/appVA_Part.h"
#include "platform/Paths.h"
#include "tests/app/PageRig.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TestPaths.h"
#include "toolkit/uxButton.h"
#include "toolkit/uxKeyboardCtrl.h"
#include "toolkit/uxLabel.h"
#include "toolkit/uxPopupMsg.h"
#include "toolkit/uxTableCtrl.h"
#include "toolkit/uxTableRow.h"
#include "toolkit/uxValueLabel.h"

namespace {

constexpr char kPresets[] = "/var/lib/ruv/working/presets/";

class PartPage : public ::testing::Test {
 protected:
  // A category folder, with empty preset files (the page only lists them).
  void Category(const std::string& category, std::initializer_list<const char*> files = {}) {
    root.MakeDir(kPresets + category);
    for (const char* f : files) std::ofstream(platform::DataPath(kPresets + category + "/" + f)) << "x";
  }
  bool Exists(const std::string& relative) {
    return std::filesystem::exists(platform::DataPath(kPresets + relative));
  }
  appVA_Part& Build(uint32_t id = 0) {
    appVA_Part& page = rig.Build(id, "PART A", uxPOINT(0, 40), 800, 440, 0x404040);
    rig.Show();
    rig.services.Take();
    return page;
  }
  // The page's state after a preset was loaded: what the core's reload gives it.
  void Loaded(const std::string& presetName) {
    rig.services.presetNames[0] = presetName;
    rig.Give(tagUX_Message(UX_MSG_VALUES_CHANGED, -1, -1));
    rig.services.Take();
  }
  std::vector<std::string> Rows() {
    std::vector<std::string> out;
    uxTableCtrl* table = rig.page().Table();
    for (int i = 0; i < table->getRowCount(); ++i) {
      uxTableRow* row = table->getRow(i);
      const auto* number = dynamic_cast<uxButton*>(row->getColumn(0));
      const auto* name = dynamic_cast<uxButton*>(row->getColumn(1));
      out.push_back(std::string(number->GetText()) + " " + name->GetText());
    }
    return out;
  }
  void SelectRow(int index) {
    rig.page().Table()->selectRow(index, true);
    rig.Give(tagUX_Message(UX_MSG_TABLE_ITEM_SEL, index, 0));
  }
  void Press(int button) {
    uxButton* b = rig.page().Button(button);
    b->SetChecked(!b->isChecked());
    rig.Give(tagUX_Message(UX_MSG_ON_BUTTON, button, 0));
  }
  // The on-screen keyboard's OK with the given edit text.
  void TypeAndClose(const char* text) {
    uxKeyboardCtrl* keyboard = rig.page().Keyboard();
    if (text != nullptr) keyboard->setText(text);
    rig.Give(tagUX_Message(UX_MSG_TOUCH_EVENT, 0, 0, TYPE_RELEASE));  // the finger that opened it
    rig.Give(tagUX_Message(UX_MSG_ON_BUTTON, uxKeyboardCtrl::kOk, 0));
  }
  std::vector<std::string> Calls(const char* prefix) {
    std::vector<std::string> out;
    for (const std::string& c : rig.services.Take())
      if (c.rfind(prefix, 0) == 0) out.push_back(c);
    return out;
  }
  void PanelValue(int ctrl, float value, int part = 0) { PanelFrame(GetParamCanId(0, ctrl), value, part); }
  void PanelFrame(int canId, float value, int part = 0) {
    tagUX_Message msg(EN_MSG_SET_VALUE, canId, part);
    msg.pData = &value;
    rig.Give(msg);
  }

  testing_support::TempDataRoot root;
  testing_support::LogCapture log;
  page_rig::PageRig<appVA_Part> rig;
};

std::vector<std::string> Numbered(std::vector<std::string> names) {
  for (std::size_t i = 0; i < names.size(); ++i) {
    char n[24];
    std::snprintf(n, sizeof n, "%03zu", i + 1);
    names[i] = std::string(n) + " " + names[i];
  }
  return names;
}

TEST_F(PartPage, CategoriesAreSortedByteWiseAndPaddedToEightRows) {
  struct Case {
    std::vector<std::string> dirs;  // null entry: no presets folder at all
    bool folder;
    std::vector<std::string> rows;
  };
  const Case cases[] = {
      {{}, false, {"", "", "", "", "", "", "", ""}},
      {{}, true, {"", "", "", "", "", "", "", ""}},
      {{"bass", "Lead", "Z", "a b", "_x"}, true, {"Lead", "Z", "_x", "a b", "bass", "", "", ""}},
      {{"1", "2", "3", "4", "5", "6", "7", "8", "9"}, true, {"1", "2", "3", "4", "5", "6", "7", "8", "9"}},
  };
  for (const Case& c : cases) {
    std::filesystem::remove_all(platform::DataPath(kPresets));
    if (c.folder) root.MakeDir(kPresets);
    for (const std::string& d : c.dirs) Category(d);
    Build();
    EXPECT_EQ(Rows(), Numbered(c.rows));
    EXPECT_TRUE(rig.page().Button(appVA_Part::kCategory)->isChecked());
  }
}

TEST_F(PartPage, PresetListHoldsOnlyPresetFilesOfTheCategory) {
  Category("Bass", {"Sub.preset", "Acid.preset", "notes.txt", "old.preset.bak"});
  Category("Bass/Deep");
  Build();
  SelectRow(0);  // "Bass"
  EXPECT_STREQ(rig.page().CategoryLabel()->getText(), "Bass");
  EXPECT_FALSE(rig.page().Button(appVA_Part::kCategory)->isChecked());
  EXPECT_EQ(Rows(), Numbered({"Acid", "Sub", "", "", "", "", "", ""}));
  EXPECT_TRUE(Calls("LoadPreset").empty()) << "choosing a category loads nothing";

  // CATEGORY on shows the categories again and forgets the category.
  Press(appVA_Part::kCategory);
  EXPECT_EQ(Rows(), Numbered({"Bass", "", "", "", "", "", "", ""}));
  EXPECT_STREQ(rig.page().CategoryLabel()->getText(), "");
}

TEST_F(PartPage, LoadingTakesTheRowWithItsCategoryAndReportsFailure) {
  Category("Bass", {"Acid.preset", "Sub.preset"});
  Build();
  SelectRow(0);
  rig.services.Take();

  SelectRow(1);
  EXPECT_EQ(Calls("LoadPreset"), std::vector<std::string>{"LoadPreset 0 Bass/Sub 1 1"});
  EXPECT_STREQ(rig.page().PresetLabel()->getText(), "Sub");
  EXPECT_STREQ(rig.page().LoadedCategoryLabel()->getText(), "Bass");

  // The loaded preset again: only a forced load (touch, encoder push) reloads it.
  rig.page().LoadSelectedPreset(false);
  EXPECT_TRUE(Calls("LoadPreset").empty());
  rig.page().LoadSelectedPreset(true);
  EXPECT_EQ(Calls("LoadPreset").size(), 1u);

  // An empty row loads nothing.
  SelectRow(5);
  EXPECT_TRUE(Calls("LoadPreset").empty());

  rig.services.loadResult = 0;
  SelectRow(0);
  EXPECT_EQ(Calls("LoadPreset"), std::vector<std::string>{"LoadPreset 0 Bass/Acid 1 1"});
  EXPECT_STREQ(rig.page().PresetLabel()->getText(), "<FILE ERROR>");
}

TEST_F(PartPage, EncoderPushLoadsTheSelectedRowOnTheNextTick) {
  Category("Pad", {"Warm.preset"});
  Build(0x20000);
  SelectRow(0);
  rig.page().Table()->selectRow(0, true);
  rig.services.Take();

  rig.Encoder(148, 132);
  EXPECT_TRUE(Calls("LoadPreset").empty()) << "not before the tick";
  rig.Tick(false);  // the table's own report of the push: no load
  EXPECT_TRUE(Calls("LoadPreset").empty());
  rig.Tick(false);
  EXPECT_EQ(Calls("LoadPreset"), std::vector<std::string>{"LoadPreset 2 Pad/Warm 1 1"});
  // Any other encoder event ends a delete confirmation instead.
  rig.Encoder(144, 130);
  EXPECT_EQ(Calls("HideDeletePopup").size(), 1u);
}

TEST_F(PartPage, SaveStoresUnderTheCategoryAndStaysLitForEightTicks) {
  Category("Bass", {"Sub.preset"});
  Build();
  Loaded("Bass/Sub");
  Press(appVA_Part::kSave);
  EXPECT_EQ(Calls("StorePreset"), std::vector<std::string>{"StorePreset 0 Bass/Sub"});
  EXPECT_EQ(rig.page().Table()->getSelection(), 0);
  for (int tick = 0; tick < 8; ++tick) {
    EXPECT_TRUE(rig.page().Button(appVA_Part::kSave)->isChecked()) << tick;
    rig.Give(tagUX_Message(UX_MSG_TICK_EVENT));
  }
  EXPECT_FALSE(rig.page().Button(appVA_Part::kSave)->isChecked());
}

TEST_F(PartPage, ReservedNamesAreNeverStored) {
  Category("Bass");
  Build();
  struct Case {
    const char* current;
    const char* line;
  };
  // The reserved forms with and without a category: the check looks at the name too, since
  // under a category the path begins with the category.
  const Case cases[] = {
      {"[default]", "[PART:1] skipped store preset <[default]>"},
      {"Bass/[default]", "[PART:1] skipped store preset <Bass/[default]>"},
      {"Bass/<FILE ERROR>", "[PART:1] skipped store preset <Bass/<FILE ERROR>>"},
  };
  for (const Case& c : cases) {
    Loaded(c.current);
    log.Clear();
    Press(appVA_Part::kSave);
    EXPECT_TRUE(Calls("StorePreset").empty()) << c.current;
    EXPECT_NE(log.Text().find(c.line), std::string::npos) << log.Text();
  }
}

TEST_F(PartPage, SaveAsStartsFromTheNameAndStoresWhenTheKeyboardCloses) {
  Category("Bass", {"Sub.preset"});
  Build();
  Loaded("Bass/Sub");
  Press(appVA_Part::kSaveAs);
  EXPECT_FALSE(rig.page().Button(appVA_Part::kSaveAs)->isChecked());
  EXPECT_FALSE(rig.page().isEnabled()) << "the keyboard has the page";
  EXPECT_TRUE(Calls("StorePreset").empty());
  TypeAndClose(nullptr);  // the proposed name as it stands
  EXPECT_EQ(Calls("StorePreset"), std::vector<std::string>{"StorePreset 0 Bass/Sub_"});
  EXPECT_STREQ(rig.page().PresetLabel()->getText(), "Sub_");
  EXPECT_TRUE(rig.page().Button(appVA_Part::kSaveAs)->isChecked());
  EXPECT_TRUE(rig.page().isEnabled());

  // From the start-up sound the name starts empty, and an empty name stores nothing.
  Loaded("[default]");
  Press(appVA_Part::kSaveAs);
  TypeAndClose(nullptr);
  EXPECT_TRUE(Calls("StorePreset").empty());
  EXPECT_STREQ(rig.page().PresetLabel()->getText(), "[default]");

  // A later close of the keyboard (not opened by SAVE AS) stores nothing.
  rig.Give(tagUX_Message(UX_MSG_FOCUS, 3, 0));
  EXPECT_TRUE(Calls("StorePreset").empty());
}

TEST_F(PartPage, TypedNamesThatLeaveTheFolderAreRefused) {
  Category("Bass", {"Sub.preset"});
  Build();
  for (const char* typed : {"a/b", "../up", "x..y", "[mine", "<mine"}) {
    Loaded("Bass/Sub");
    log.Clear();
    Press(appVA_Part::kSaveAs);
    TypeAndClose(typed);
    EXPECT_TRUE(Calls("StorePreset").empty()) << typed;
    EXPECT_STREQ(rig.page().PresetLabel()->getText(), "Sub") << typed;
    EXPECT_NE(log.Text().find("[PART:1] refused preset name"), std::string::npos) << typed;
  }
}

TEST_F(PartPage, DeleteAsksThenRemovesTheFileOnEnter) {
  Category("Bass", {"Sub.preset", "Acid.preset"});
  Build();
  Loaded("Bass/Sub");
  Press(appVA_Part::kDelete);
  EXPECT_EQ(rig.services.PopupTimer(popupDel).load(), 500);
  EXPECT_TRUE(rig.services.PopupDelete()->isVisible());
  EXPECT_FALSE(rig.page().Button(appVA_Part::kDelete)->isChecked());
  EXPECT_TRUE(Exists("Bass/Sub.preset")) << "not before the confirmation";

  // Another key only ends the confirmation.
  rig.Give(tagUX_Message(UX_MSG_KEY, UX_PARAM_ESC, 0));
  EXPECT_EQ(Calls("HideDeletePopup").size(), 1u);
  EXPECT_TRUE(Exists("Bass/Sub.preset"));

  rig.Give(tagUX_Message(UX_MSG_KEY, UX_PARAM_ENTER, 0));
  EXPECT_FALSE(Exists("Bass/Sub.preset"));
  EXPECT_EQ(Rows(), Numbered({"Acid", "", "", "", "", "", "", ""}));
  EXPECT_EQ(rig.page().Table()->getSelection(), -1);
  EXPECT_TRUE(rig.page().DeletePath().empty());
}

TEST_F(PartPage, DeletingAFileAlreadyGoneLogsAndRelists) {
  Category("Bass", {"Sub.preset"});
  Build();
  Loaded("Bass/Sub");
  Press(appVA_Part::kDelete);
  std::filesystem::remove(platform::DataPath(std::string(kPresets) + "Bass/Sub.preset"));
  log.Clear();
  rig.Give(tagUX_Message(UX_MSG_KEY, UX_PARAM_ENTER, 0));
  EXPECT_NE(log.Text().find("delete preset"), std::string::npos) << log.Text();
  EXPECT_EQ(Rows(), Numbered({"", "", "", "", "", "", "", ""}));

  // Without a name there is nothing to ask about; while a popup counts down, none is shown.
  rig.services.PopupTimer(popupDel).store(0);
  rig.page().PresetLabel()->setText("");
  Press(appVA_Part::kDelete);
  EXPECT_EQ(rig.services.PopupTimer(popupDel).load(), 0);
  rig.page().PresetLabel()->setText("Sub");
  rig.services.PopupTimer(popupMsg).store(5);
  Press(appVA_Part::kDelete);
  EXPECT_EQ(rig.services.PopupTimer(popupDel).load(), 0);
}

// Names with dots of their own: every file is listed, loaded and deleted by its own name,
// and a file that is all extension hides none of them.
TEST_F(PartPage, NamesWithDotsFindTheirOwnFiles) {
  Category("Pad", {"Pad 1.5.preset", "a.b.preset", "a.preset", "preset", ".preset"});
  Build();
  SelectRow(0);  // "Pad"
  EXPECT_EQ(Rows(), Numbered({"Pad 1.5", "a", "a.b", "", "", "", "", ""}));
  rig.services.Take();
  SelectRow(2);
  EXPECT_EQ(Calls("LoadPreset"), std::vector<std::string>{"LoadPreset 0 Pad/a.b 1 1"});
  SelectRow(0);
  EXPECT_EQ(Calls("LoadPreset"), std::vector<std::string>{"LoadPreset 0 Pad/Pad 1.5 1 1"});

  SelectRow(2);
  Press(appVA_Part::kDelete);
  EXPECT_EQ(rig.page().DeletePath(), platform::DataPath(std::string(kPresets) + "Pad/a.b.preset"));
  rig.Give(tagUX_Message(UX_MSG_KEY, UX_PARAM_ENTER, 0));
  EXPECT_FALSE(Exists("Pad/a.b.preset"));
  EXPECT_TRUE(Exists("Pad/a.preset"));
  EXPECT_EQ(Rows(), Numbered({"Pad 1.5", "a", "", "", "", "", "", ""}));
}

// A store that wrote nothing (full disk, read-only or missing folder, a name too long for a
// path) lights no lamp, keeps the shown name and says so on the screen.
TEST_F(PartPage, AFailedStoreShowsTheFailure) {
  Category("Bass", {"Sub.preset"});
  Build();
  Loaded("Bass/Sub");
  rig.services.loadResult = 0;
  uxPopupMsg* message = rig.services.PopupMessage();

  Press(appVA_Part::kSave);
  EXPECT_EQ(Calls("StorePreset"), std::vector<std::string>{"StorePreset 0 Bass/Sub"});
  EXPECT_FALSE(rig.page().Button(appVA_Part::kSave)->isChecked());
  EXPECT_TRUE(message->isVisible());
  EXPECT_GT(rig.services.PopupTimer(popupMsg).load(), 0);

  message->hide();
  rig.services.PopupTimer(popupMsg).store(0);
  Press(appVA_Part::kSaveAs);
  TypeAndClose("Sub 2");
  EXPECT_EQ(Calls("StorePreset"), std::vector<std::string>{"StorePreset 0 Bass/Sub 2"});
  EXPECT_STREQ(rig.page().PresetLabel()->getText(), "Sub") << "the name of no file";
  EXPECT_FALSE(rig.page().Button(appVA_Part::kSaveAs)->isChecked());
  EXPECT_TRUE(message->isVisible());
  for (int tick = 0; tick < 8; ++tick) rig.Give(tagUX_Message(UX_MSG_TICK_EVENT));
  EXPECT_FALSE(rig.page().Button(appVA_Part::kSaveAs)->isChecked());

  // A store that works lights the lamp again.
  rig.services.loadResult = 1;
  Press(appVA_Part::kSave);
  EXPECT_TRUE(rig.page().Button(appVA_Part::kSave)->isChecked());
}

TEST_F(PartPage, TimeTableIndex) {
  struct Case {
    float seconds;
    int index;
  };
  const Case cases[] = {{0.2f, 50},  {0.008f, 0}, {0.0f, 0},    {-1.0f, 0},  {0.0085f, 1},
                        {1.0f, 75},  {5.001f, 100}, {5.0011f, 0}, {100.0f, 0}};
  for (const Case& c : cases) EXPECT_EQ(appVA_Part::TimeIndex(c.seconds), c.index) << c.seconds;
}

TEST_F(PartPage, PanelValuesJumpWhileTrackingIsOff) {
  Build();
  rig.services.panelMode = 1;
  PanelValue(2, 0.2f);  // GLIDE_Time
  uxValueLabel* time = rig.page().ValueLabel(appVA_Part::kTime);
  EXPECT_EQ(time->GetFloatRawValue(), 50.0f);
  EXPECT_STREQ(time->getText(), "0.200");
  EXPECT_EQ(Calls("SetParamById"), std::vector<std::string>{"SetParamById 2 0.2"});
  EXPECT_TRUE(rig.services.PopupValue()->isVisible());
  EXPECT_EQ(rig.services.PopupTimer(popupValue).load(), 100);

  // Values for another part, or for no label of this page, are not this page's.
  PanelValue(2, 0.5f, 1);
  PanelFrame(0x10C, 0.5f);  // an envelope control
  EXPECT_TRUE(Calls("SetParamById").empty());

  Build(0x30000);
  PanelValue(10, 12.0f, 3);  // UNISON_Detune
  EXPECT_EQ(Calls("SetParamById"), std::vector<std::string>{"SetParamById 3000A 12"});
}

TEST_F(PartPage, AfterAPartChangeTheFirstPanelMoveOnlySetsTheDirection) {
  Build();
  rig.services.panelMode = 0;  // tracking on
  rig.services.params[3] = 40.0f;  // GLIDE_Rate
  Loaded("[default]");
  rig.Give(tagUX_Message(UX_MSG_PART_CHANGED, 0, 0));
  EXPECT_EQ(rig.page().PickupState(appVA_Part::kRate), appVA_Part::kPickupArmed);

  struct Step {
    float panel;
    int state;
    bool applied;
  };
  const Step steps[] = {
      {10.0f, appVA_Part::kPickupBelow, false},   // direction only
      {30.0f, appVA_Part::kPickupBelow, false},   // still below the shown 40
      {45.0f, appVA_Part::kPickupCaught, false},  // passes it: caught, not yet applied
      {47.0f, appVA_Part::kPickupCaught, true},
      {5.0f, appVA_Part::kPickupCaught, true},
  };
  for (const Step& s : steps) {
    PanelValue(3, s.panel);
    EXPECT_EQ(rig.page().PickupState(appVA_Part::kRate), s.state) << s.panel;
    EXPECT_EQ(Calls("SetParamById").size(), s.applied ? 1u : 0u) << s.panel;
  }

  // Labels without pickup follow at once, with no value popup.
  rig.services.PopupValue()->hide();
  rig.services.PopupTimer(popupValue).store(0);
  PanelValue(0, 7.0f);  // VOICE_Tune
  EXPECT_EQ(Calls("SetParamById"), std::vector<std::string>{"SetParamById 0 7"});
  EXPECT_EQ(rig.services.PopupTimer(popupValue).load(), 0);
}

TEST_F(PartPage, EncoderTurnsOfVoiceModeStopThePartAndPortamentoArmsTheTimes) {
  Build(0x10000);
  Loaded("[default]");
  rig.Encoder(145, 130);  // encoder B: VOICE-MODE
  EXPECT_EQ(Calls("SendPartStop"), std::vector<std::string>{"SendPartStop 1"});

  rig.Encoder(144, 130);  // encoder A: PORTAMENTO
  EXPECT_EQ(rig.page().PickupState(appVA_Part::kTime), appVA_Part::kPickupArmed);
  EXPECT_EQ(rig.page().PickupState(appVA_Part::kRate), appVA_Part::kPickupArmed);
  EXPECT_TRUE(Calls("SendPartStop").empty());
}

TEST_F(PartPage, ReloadReadsTheLabelsAndSplitsTheCurrentPresetName) {
  Category("Bass", {"Sub.preset", "Acid.preset"});
  Build();
  rig.services.params[2] = 0.2f;
  rig.services.params[4] = 2.0f;
  rig.services.presetNames[0] = "Bass/Sub";
  rig.Give(tagUX_Message(UX_MSG_VALUES_CHANGED, 0, 0));
  EXPECT_STREQ(rig.page().ValueLabel(appVA_Part::kTime)->getText(), "0.200");
  EXPECT_EQ(rig.page().ValueLabel(appVA_Part::kTime)->GetFloatRawValue(), 50.0f);
  EXPECT_STREQ(rig.page().ValueLabel(appVA_Part::kVoiceMode)->getText(), "UNI2");
  EXPECT_STREQ(rig.page().CategoryLabel()->getText(), "Bass");
  EXPECT_STREQ(rig.page().LoadedCategoryLabel()->getText(), "Bass");
  EXPECT_STREQ(rig.page().PresetLabel()->getText(), "Sub");
  EXPECT_EQ(Rows(), Numbered({"Acid", "Sub", "", "", "", "", "", ""}));
  EXPECT_EQ(rig.page().Table()->getSelection(), 1);
  // Every label's value goes to the panel.
  int sent = 0;
  for (const std::string& c : rig.services.Take())
    if (c.rfind("ValueChanged", 0) == 0 && c.find(" 17 ") != std::string::npos) ++sent;
  EXPECT_EQ(sent, appVA_Part::kLabels);

  // Another part's reload is not this page's.
  rig.services.presetNames[0] = "[default]";
  rig.Give(tagUX_Message(UX_MSG_VALUES_CHANGED, 1, 0));
  EXPECT_STREQ(rig.page().PresetLabel()->getText(), "Sub");
}

TEST_F(PartPage, RescanRequestRereadsTheFolder) {
  Category("Bass", {"Sub.preset"});
  Build();
  Loaded("Bass/Sub");
  std::ofstream(platform::DataPath(std::string(kPresets) + "Bass/Acid.preset")) << "x";
  rig.Give(tagUX_Message(APP_MSG_RESCAN_FILES, 0, 0));
  EXPECT_EQ(Rows(), Numbered({"Acid", "Sub", "", "", "", "", "", ""}));

  // While the table shows categories it goes on showing categories.
  Press(appVA_Part::kCategory);
  ASSERT_TRUE(rig.page().Button(appVA_Part::kCategory)->isChecked());
  Category("Keys");
  rig.Give(tagUX_Message(APP_MSG_RESCAN_FILES, 0, 0));
  EXPECT_EQ(Rows(), Numbered({"Bass", "Keys", "", "", "", "", "", ""}));
}

TEST_F(PartPage, GoldenPicture) {
  Category("Bass", {"Sub.preset", "Acid.preset", "Growl.preset"});
  Category("Keys");
  Category("Pad");
  Build();
  rig.services.params[1] = 1.0f;
  rig.services.params[2] = 0.2f;
  rig.services.params[3] = 40.0f;
  rig.services.params[10] = 12.0f;
  rig.services.params[4] = 1.0f;
  rig.services.params[0] = -3.0f;
  Loaded("Bass/Sub");
  rig.dc.FillScreen(0);
  rig.Paint();
  EXPECT_TRUE(toolkit_test::MatchesGolden("part_page", rig.Screen()));
}

}  // namespace
