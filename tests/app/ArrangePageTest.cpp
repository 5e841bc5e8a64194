// The arrangement page alone over recording page services: the arrangement list against a
// temporary folder, loading and storing, the mixer settings it sets and the panel mode.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "pages/arrange/appVA_Arrange.h"
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

constexpr char kSongs[] = "/var/lib/ruv/working/arrangments/";

class ArrangePage : public ::testing::Test {
 protected:
  void Songs(std::initializer_list<const char*> files) {
    root.MakeDir(kSongs);
    for (const char* f : files) std::ofstream(platform::DataPath(std::string(kSongs) + f)) << "x";
  }
  appVA_Arrange& Build() {
    appVA_Arrange& page = rig.Build();
    rig.Show();
    return page;
  }
  std::vector<std::string> Rows() {
    std::vector<std::string> out;
    uxTableCtrl* table = rig.page().Table();
    for (int i = 0; i < table->getRowCount(); ++i) {
      uxTableRow* row = table->getRow(i);
      out.push_back(std::string(dynamic_cast<uxButton*>(row->getColumn(0))->GetText()) + " " +
                    dynamic_cast<uxButton*>(row->getColumn(1))->GetText());
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
  std::vector<std::string> Calls(const char* prefix) {
    std::vector<std::string> out;
    for (const std::string& c : rig.services.Take())
      if (c.rfind(prefix, 0) == 0) out.push_back(c);
    return out;
  }

  testing_support::TempDataRoot root;
  testing_support::LogCapture log;
  page_rig::PageRig<appVA_Arrange> rig;
};

TEST_F(ArrangePage, ArrangementsAreSortedAndNotPadded) {
  struct Case {
    bool folder;
    std::vector<const char*> files;
    std::vector<std::string> rows;
  };
  const Case cases[] = {
      {false, {}, {}},
      {true, {}, {}},
      {true, {"live.arr", "Demo.arr", "b.arr.old", "notes.txt", "[x].arr"}, {"001 Demo", "002 [x]", "003 live"}},
  };
  for (const Case& c : cases) {
    std::filesystem::remove_all(platform::DataPath(kSongs));
    if (c.folder) root.MakeDir(kSongs);
    for (const char* f : c.files) Songs({f});
    Build();
    EXPECT_EQ(Rows(), c.rows);
  }
  // A file added later shows after the rescan request.
  Songs({"a.arr"});
  rig.Give(tagUX_Message(APP_MSG_RESCAN_FILES, 0, 0));
  EXPECT_EQ(Rows().front(), "001 Demo");
  EXPECT_EQ(Rows().size(), 4u);
}

TEST_F(ArrangePage, BuildingSwitchesTrackingOffAndPanelValuesJump) {
  Build();
  EXPECT_EQ(Calls("setPanelMode"), std::vector<std::string>{"setPanelMode 1"});
  EXPECT_FALSE(rig.page().Button(appVA_Arrange::kTracking)->isChecked());
  Press(appVA_Arrange::kTracking);
  EXPECT_EQ(Calls("setPanelMode"), std::vector<std::string>{"setPanelMode 0"});
  Press(appVA_Arrange::kTracking);
  EXPECT_EQ(Calls("setPanelMode"), std::vector<std::string>{"setPanelMode 1"});
}

TEST_F(ArrangePage, SelectingLoadsOnceAndAFailedLoadChangesNothing) {
  Songs({"a.arr", "b.arr"});
  Build();
  rig.services.Take();
  SelectRow(1);
  EXPECT_EQ(Calls("LoadSong"), std::vector<std::string>{"LoadSong b 0 1"});
  EXPECT_STREQ(rig.page().NameLabel()->getText(), "b");
  SelectRow(1);
  EXPECT_TRUE(Calls("LoadSong").empty()) << "the loaded arrangement again";

  rig.services.loadResult = 0;
  SelectRow(0);
  EXPECT_EQ(Calls("LoadSong"), std::vector<std::string>{"LoadSong a 0 1"});
  EXPECT_STREQ(rig.page().NameLabel()->getText(), "b");
  EXPECT_EQ(rig.page().CurrentName(), "b");

  // The fifth encoder's push queues the selection for the next tick.
  rig.services.loadResult = 1;
  rig.Encoder(148, 132);
  EXPECT_TRUE(Calls("LoadSong").empty());
  rig.Tick(false);
  rig.Tick(false);
  EXPECT_EQ(Calls("LoadSong"), std::vector<std::string>{"LoadSong a 0 1"});
}

TEST_F(ArrangePage, SaveNeedsARowAndSaveAllStoresThePresetsToo) {
  Songs({"a.arr", "b.arr"});
  Build();
  rig.services.Take();
  Press(appVA_Arrange::kSave);
  EXPECT_TRUE(Calls("StoreSong").empty());
  EXPECT_FALSE(rig.page().Button(appVA_Arrange::kSave)->isChecked()) << "switched off at once";

  SelectRow(0);
  Press(appVA_Arrange::kSave);
  EXPECT_EQ(Calls("StoreSong"), std::vector<std::string>{"StoreSong a 0"});
  for (int tick = 0; tick < 8; ++tick) {
    EXPECT_TRUE(rig.page().Button(appVA_Arrange::kSave)->isChecked()) << tick;
    rig.Give(tagUX_Message(UX_MSG_TICK_EVENT));
  }
  EXPECT_FALSE(rig.page().Button(appVA_Arrange::kSave)->isChecked());

  Press(appVA_Arrange::kSaveAll);
  EXPECT_EQ(Calls("StoreSong"), std::vector<std::string>{"StoreSong a 1"});
  rig.Give(tagUX_Message(UX_MSG_OFF_BUTTON, appVA_Arrange::kSaveAll, 0));
  EXPECT_FALSE(rig.page().Button(appVA_Arrange::kSaveAll)->isChecked());
}

TEST_F(ArrangePage, SaveAsStoresTheTypedNameAndRefusesNamesThatLeaveTheFolder) {
  Songs({"a.arr"});
  Build();
  rig.services.songName = "a";
  rig.Give(tagUX_Message(UX_MSG_VALUES_CHANGED, 5, 0));
  struct Case {
    const char* typed;  // null: the proposed name
    const char* stored;  // null: nothing stored
  };
  const Case cases[] = {{nullptr, "StoreSong a_ 0"}, {"LIVE2", "StoreSong LIVE2 0"}, {"x/y", nullptr},
                        {"..", nullptr},            {"[new", nullptr}};
  for (const Case& c : cases) {
    rig.services.Take();
    Press(appVA_Arrange::kSaveAs);
    EXPECT_FALSE(rig.page().isEnabled());
    uxKeyboardCtrl* keyboard = rig.page().Keyboard();
    if (c.typed != nullptr) keyboard->setText(c.typed);
    rig.Give(tagUX_Message(UX_MSG_TOUCH_EVENT, 0, 0, TYPE_RELEASE));
    rig.Give(tagUX_Message(UX_MSG_ON_BUTTON, uxKeyboardCtrl::kOk, 0));
    EXPECT_TRUE(rig.page().isEnabled());
    EXPECT_EQ(Calls("StoreSong"), c.stored ? std::vector<std::string>{c.stored} : std::vector<std::string>{})
        << (c.typed ? c.typed : "proposed");
    if (c.stored) {
      EXPECT_TRUE(rig.page().Button(appVA_Arrange::kSaveAs)->isChecked());
      rig.page().Button(appVA_Arrange::kSaveAs)->SetChecked(false);
    }
  }
  EXPECT_STREQ(rig.page().NameLabel()->getText(), "LIVE2");
}

// A song that was not stored (its files could not all be written) lights no lamp, keeps the
// current name and says so on the screen.
TEST_F(ArrangePage, AFailedStoreShowsTheFailure) {
  Songs({"a.arr", "b.arr"});
  Build();
  SelectRow(0);
  rig.services.loadResult = 0;
  uxPopupMsg* message = rig.services.PopupMessage();
  for (int button : {appVA_Arrange::kSave, appVA_Arrange::kSaveAll}) {
    SCOPED_TRACE(button);
    message->hide();
    Press(button);
    EXPECT_EQ(Calls("StoreSong").size(), 1u);
    EXPECT_FALSE(rig.page().Button(button)->isChecked());
    EXPECT_TRUE(message->isVisible());
    EXPECT_EQ(rig.page().CurrentName(), "a");
  }

  message->hide();
  Press(appVA_Arrange::kSaveAs);
  rig.page().Keyboard()->setText("new");
  rig.Give(tagUX_Message(UX_MSG_TOUCH_EVENT, 0, 0, TYPE_RELEASE));
  rig.Give(tagUX_Message(UX_MSG_ON_BUTTON, uxKeyboardCtrl::kOk, 0));
  EXPECT_EQ(Calls("StoreSong"), std::vector<std::string>{"StoreSong new 0"});
  EXPECT_FALSE(rig.page().Button(appVA_Arrange::kSaveAs)->isChecked());
  EXPECT_TRUE(message->isVisible());
  EXPECT_STREQ(rig.page().NameLabel()->getText(), "a");
  EXPECT_EQ(rig.page().CurrentName(), "a");
}

// The start-up song is loaded after the page is built: the page names it when first shown.
TEST_F(ArrangePage, TheFirstShowingNamesTheLoadedSong) {
  appVA_Arrange& page = rig.Build();
  rig.services.songName = "[default]";
  rig.Show();
  EXPECT_STREQ(page.NameLabel()->getText(), "[default]");
  EXPECT_EQ(page.CurrentName(), "[default]");
}

TEST_F(ArrangePage, DrumMuteAndLevelsFollowTheSettings) {
  Build();
  rig.services.Take();
  Press(appVA_Arrange::kMuteDrum);
  EXPECT_EQ(Calls("SetParamById"), std::vector<std::string>{"SetParamById 154B14 1"});
  Press(appVA_Arrange::kMuteDrum);
  EXPECT_EQ(Calls("SetParamById"), std::vector<std::string>{"SetParamById 154B14 0"});

  // The button shows the setting on every tick, whoever changed it.
  rig.services.params[appVA_Arrange::kDrumMuteUid] = 1.0f;
  rig.Give(tagUX_Message(UX_MSG_TICK_EVENT));
  EXPECT_TRUE(rig.page().Button(appVA_Arrange::kMuteDrum)->isChecked());

  rig.services.params[appVA_Arrange::kDrumLevelUid] = 66.0f;
  rig.services.params[appVA_Arrange::kMasterTuneUid] = -12.0f;
  rig.services.songName = "live";
  rig.Give(tagUX_Message(UX_MSG_VALUES_CHANGED, 5, 0));
  EXPECT_STREQ(rig.page().DrumLevel()->getText(), "66");
  EXPECT_STREQ(rig.page().MasterTune()->getText(), "-12");
  EXPECT_EQ(rig.page().DrumLevel()->GetFloatRawValue(), 66.0f);
  EXPECT_STREQ(rig.page().NameLabel()->getText(), "live");
  // Other reload targets are not the page's.
  rig.services.songName = "other";
  rig.Give(tagUX_Message(UX_MSG_VALUES_CHANGED, 10, 0));
  EXPECT_STREQ(rig.page().NameLabel()->getText(), "live");
}

TEST_F(ArrangePage, ALearnedControllerMovesTheDrumLevelButNotTheMasterTune) {
  rig.services.ccMap[appVA_Arrange::kDrumLevelUid] = 20;
  rig.services.ccMap[appVA_Arrange::kMasterTuneUid] = 21;
  appVA_Arrange& page = Build();
  ASSERT_EQ(rig.services.controllerListeners, std::vector<uxBaseElement*>{&page});
  rig.services.Take();
  page.OnMidiCC(0, 3, 20, 127);
  EXPECT_EQ(Calls("SetParamById"), std::vector<std::string>{"SetParamById 154B13 100"});
  EXPECT_EQ(page.DrumLevel()->GetFloatRawValue(), 100.0f);
  page.OnMidiCC(0, 0, 21, 64);
  page.OnMidiCC(0, 0, 22, 64);
  EXPECT_TRUE(Calls("SetParamById").empty());
  EXPECT_STREQ(page.MasterTune()->getText(), "0");
}

TEST_F(ArrangePage, GoldenPicture) {
  Songs({"Demo.arr", "live.arr", "Ballad.arr"});
  rig.services.params[appVA_Arrange::kDrumLevelUid] = 80.0f;
  rig.services.params[appVA_Arrange::kMasterTuneUid] = 0.0f;
  rig.services.songName = "Demo";
  Build();
  rig.Give(tagUX_Message(UX_MSG_VALUES_CHANGED, 5, 0));
  rig.Show();
  rig.dc.FillScreen(0);
  rig.Paint();
  EXPECT_TRUE(toolkit_test::MatchesGolden("arrange_page", rig.Screen()));
}

}  // namespace
