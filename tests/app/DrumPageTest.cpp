// The drum section: its tab strip, the instrument pages against a temporary drum-kit wave
// folder (WAVs from Python's wave module and Debian's alsa-utils), and the kit page.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/GUIManager.h"
#include "data/CDataSetSampler.h"
#include "data/SampleFile.h"
#include "midi/FakeRawMidiBackend.h"
#include "pages/drum/appVA_DrumInstrument.h"
#include "pages/drum/appVA_DrumKit.h"
#include "pages/drum/appVA_DrumGrid.h"
#include "pages/drum/appVA_DrumSampler.h"
#include "pages/widgets/uxScopeView.h"
#include "platform/MemoryFrameBuffer.h"
#include "platform/Paths.h"
#include "tests/app/PageRig.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TestPaths.h"
#include "toolkit/uxButton.h"
#include "toolkit/uxKeyboardCtrl.h"
#include "toolkit/uxLabel.h"
#include "toolkit/uxPopupMsg.h"
#include "toolkit/uxTabCtrl.h"
#include "toolkit/uxTabItemCtrl.h"
#include "toolkit/uxTableCtrl.h"
#include "toolkit/uxTableRow.h"
#include "toolkit/uxValueLabel.h"

namespace {

constexpr char kWaves[] = "/var/lib/ruv/working/wave/drumkit/";
constexpr char kKits[] = "/var/lib/ruv/working/sampler/";

std::vector<std::string> Calls(page_rig::FakePageServices& s, const char* prefix) {
  std::vector<std::string> out;
  for (const std::string& c : s.Take())
    if (c.rfind(prefix, 0) == 0) out.push_back(c);
  return out;
}

std::vector<std::string> Rows(uxTableCtrl* table) {
  std::vector<std::string> out;
  for (int i = 0; i < table->getRowCount(); ++i) {
    uxTableRow* row = table->getRow(i);
    out.push_back(std::string(dynamic_cast<uxButton*>(row->getColumn(0))->GetText()) + " " +
                  dynamic_cast<uxButton*>(row->getColumn(1))->GetText());
  }
  return out;
}

// What a choice label shows: the choice's text, its number as the unit.
std::string Shown(uxValueLabel* label) { return std::string(label->getText()) + ":" + label->getUnitText(); }

// ---- the section ----

TEST(DrumSection, EighteenTabsKitActiveAndTheMiscPageShorter) {
  testing_support::TempDataRoot root;
  page_rig::PageRig<appVA_DrumSampler> rig;
  appVA_DrumSampler& page = rig.Build(0u, "PANEL_DRUM", uxPOINT(0, 40), int16_t{800}, int16_t{440}, 0x303030u);
  const char* const names[] = {"KIT",  "GRID", " << ", "KICK", "SNARE1", "SNARE2", "CLHAT", "OPHAT", "RIDE",
                               "CRASH", "TOM1", "TOM2", "TOM3", "PRC1",  "PRC2",   "PRC3",  "MIS",   " >> "};
  ASSERT_EQ(page.Tabs()->GetTabCount(), 18);
  for (int i = 0; i < 18; ++i) EXPECT_STREQ(page.Tabs()->GetTabItem(i)->getTabName(), names[i]) << i;
  EXPECT_EQ(page.Tabs()->getActiveTab(), 0);
  for (int i = 0; i < appVA_DrumSampler::kInstruments; ++i)
    EXPECT_EQ(page.Instrument(i)->getClientRect()->height, i == 13 ? 330 : 400) << i;
  EXPECT_EQ(page.Instrument(14), nullptr);
  EXPECT_STREQ(page.Instrument(3)->getName(), "CL-HAT");
  EXPECT_STREQ(page.Instrument(13)->getName(), "MISC");
  rig.Paint();
  EXPECT_TRUE(toolkit_test::MatchesGolden("drum_section", rig.Screen()));
}

TEST(DrumSection, TheGridTabHoldsTheDrumGrid) {
  testing_support::TempDataRoot root;
  page_rig::PageRig<appVA_DrumSampler> rig;
  appVA_DrumSampler& page = rig.Build(0u, "PANEL_DRUM", uxPOINT(0, 40), int16_t{800}, int16_t{440}, 0x303030u);
  EXPECT_NE(dynamic_cast<appVA_DrumGrid*>(page.Grid()), nullptr);
  // The controller goes to the kit page's LEVEL label: the section answers 1 either way.
  EXPECT_EQ(page.OnMidiCC(0, 0, 7, 64), 1);
}

// ---- the instrument pages ----

class DrumInstrument : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = root.MakeDir(kWaves);
    const std::string script = testing_support::SourceDir() + "/tests/app/write_drum_waves.py";
    ASSERT_EQ(std::system(("python3 '" + script + "' '" + folder + "'").c_str()), 0);
  }
  appVA_DrumInstrument& Build(int pad = 0, const char* sub = "/kick") {
    appVA_DrumInstrument& page =
        rig.Build(pad, "KICK", uxPOINT(0, 80), int16_t{800}, int16_t{400}, 0x101010u, sub);
    rig.Show();
    rig.services.Take();
    return page;
  }
  int Entry(const std::string& entry) {
    const auto& e = rig.page().Entries();
    for (std::size_t i = 0; i < e.size(); ++i)
      if (e[i] == entry) return static_cast<int>(i);
    ADD_FAILURE() << entry;
    return -1;
  }
  void Choose(const std::string& entry) {
    const int row = Entry(entry);
    rig.page().Table()->selectRow(row, true);
    rig.Give(tagUX_Message(UX_MSG_TABLE_ITEM_SEL, row, 0, rig.page().Table()));
  }
  void KitLoaded() { rig.Give(tagUX_Message(UX_MSG_VALUES_CHANGED, 4, -1)); }

  testing_support::TempDataRoot root;
  testing_support::LogCapture log;
  std::string folder;
  page_rig::PageRig<appVA_DrumInstrument> rig;
};

TEST_F(DrumInstrument, KeyChoicesNameTheKeysAndStoredKeysMapBack) {
  struct Case {
    int choice;
    const char* text;
  } const texts[] = {{0, "---:0"}, {1, "D#0:27"}, {2, "E0 :28"}, {10, "C1 :36"}, {46, "C4 :72"}, {55, "A4 :81"}};
  for (const Case& c : texts) EXPECT_EQ(appVA_DrumInstrument::KeyChoiceText(c.choice), c.text) << c.choice;
  struct Key {
    int32_t key;
    int choice;
  } const keys[] = {{27, 1}, {36, 10}, {81, 55}, {26, 0}, {82, 0}, {0, 0}, {-3, 0}};
  for (const Key& k : keys) EXPECT_EQ(appVA_DrumInstrument::KeyChoiceOf(k.key), k.choice) << k.key;
  appVA_DrumInstrument& page = Build();
  uxValueLabel* key = page.ValueLabel(appVA_DrumInstrument::kKey);
  EXPECT_STREQ(key->getEnumText(0), "---:0");
  EXPECT_STREQ(key->getEnumText(55), "A4 :81");
  EXPECT_EQ(Shown(key), "---:0");
}

TEST_F(DrumInstrument, FilterAndListComeFromTheKitFolders) {
  appVA_DrumInstrument& page = Build();
  EXPECT_EQ(page.KitFolders(), (std::vector<std::string>{"Alpha", "Beta", "Gamma"}));
  uxValueLabel* filter = page.ValueLabel(appVA_DrumInstrument::kFilter);
  EXPECT_STREQ(filter->getEnumText(0), "---");
  EXPECT_STREQ(filter->getEnumText(3), "Gamma");
  ASSERT_EQ(page.Entries().size(), 5u);
  EXPECT_EQ(page.Entries()[0], "Alpha/kick/ramp");
  const std::vector<std::string> rows = Rows(page.Table());
  EXPECT_EQ(rows[0], "01 Alpha/ramp");  // shown without the sub-folder

  // FILTER on one kit folder lists only its samples.
  filter->SetFloatValue(1.0f, 0);
  rig.Give(tagUX_Message(UX_MSG_ENCODER_VALUE_CHANGED, 0, 0));
  EXPECT_EQ(page.Entries(), (std::vector<std::string>{"Alpha/kick/ramp"}));

  struct Case {
    const char* sub;
    size_t entries;
  } const cases[] = {{"/snare", 0}, {"/ride", 0}};  // empty, and missing everywhere
  for (const Case& c : cases) {
    testing::internal::CaptureStdout();
    appVA_DrumInstrument& other = Build(1, c.sub);
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(other.Entries().size(), c.entries) << c.sub;
    EXPECT_EQ(other.Table()->getRowCount(), 0) << c.sub;
    // A kit need not have every kind of sound: a missing one is no error.
    EXPECT_EQ(printed.find("Error opening"), std::string::npos) << c.sub << ": " << printed;
  }
  // No drum-kit folder at all.
  std::filesystem::remove_all(folder);
  EXPECT_TRUE(Build().KitFolders().empty());
  EXPECT_TRUE(rig.page().Entries().empty());
}

TEST_F(DrumInstrument, ChoosingLoadsIntoTheOtherBufferAndTellsPlayerAndKit) {
  appVA_DrumInstrument& page = Build(5);
  Choose("Beta/kick/ramp");
  const int row = Entry("Beta/kick/ramp");
  char expect[64];
  std::snprintf(expect, sizeof expect, "SetPadSample 0 %X sample", 0x40000 | 5 << 12 | row);
  EXPECT_EQ(Calls(rig.services, "SetPadSample"), (std::vector<std::string>{expect}));
  EXPECT_STREQ(rig.services.kit.Pads()[5].Sample, "Beta/kick/ramp");
  EXPECT_EQ(rig.services.kit.Pads()[5].Id, static_cast<uint32_t>(row));
  EXPECT_STREQ(page.Info()->getText(), "Beta/kick/ramp");

  // The player holds this buffer: the next choices never write into it.
  const SampleFile* held = page.CurrentSample();
  ASSERT_NE(held, nullptr);
  const std::vector<float> before(held->Channel(0), held->Channel(0) + held->Frames());
  Choose("Beta/kick/stereo");
  EXPECT_NE(page.CurrentSample(), held);
  EXPECT_EQ(page.Buffer(0) == held || page.Buffer(1) == held, true);
  EXPECT_EQ(std::vector<float>(held->Channel(0), held->Channel(0) + held->Frames()), before);
  EXPECT_EQ(page.CurrentSample()->Channels(), 2);
}

TEST_F(DrumInstrument, AFileThatFailsToLoadChangesNothingAndIsLogged) {
  appVA_DrumInstrument& page = Build(2);
  Choose("Beta/kick/ramp");
  const SampleFile* held = page.CurrentSample();
  rig.services.Take();
  Choose("Beta/kick/broken");
  EXPECT_EQ(page.CurrentSample(), held);
  EXPECT_TRUE(Calls(rig.services, "SetPadSample").empty());
  EXPECT_STREQ(rig.services.kit.Pads()[2].Sample, "Beta/kick/ramp");
  EXPECT_NE(log.Text().find("DRUM pad 3: cannot load <" + folder + "Beta/kick/broken.wav>"), std::string::npos)
      << log.Text();
  // A selection of nothing keeps the pad's sample too.
  rig.Give(tagUX_Message(UX_MSG_TABLE_ITEM_SEL, -1, 0, rig.page().Table()));
  EXPECT_EQ(page.CurrentSample(), held);
}

TEST_F(DrumInstrument, TheWaveformFollowsTheFileAndMarksTheRegionThatPlays) {
  appVA_DrumInstrument& page = Build();
  auto trace = [&](int view, int j) { return page.View(view)->Points()[j].a; };
  // No sample: the flat line.
  for (int j : {0, 200, 378}) EXPECT_FLOAT_EQ(trace(0, j), 0.25f);

  Choose("Beta/kick/ramp");  // 758 frames: point j reads frame 2j, (2j - 379) / 400
  for (int j : {0, 100, 189, 378}) {
    const float v = static_cast<float>(2 * j - 379) / 400.0f;
    EXPECT_NEAR(trace(0, j), 0.25f + 0.6f * v, 1e-4f) << j;
    EXPECT_FLOAT_EQ(trace(1, j), trace(0, j)) << j;  // a mono file in both views
  }
  Choose("Beta/kick/stereo");
  EXPECT_NEAR(trace(0, 10), 0.25f + 0.3f, 1e-4f);
  EXPECT_NEAR(trace(1, 10), 0.25f - 0.3f, 1e-4f);

  struct Case {
    float start, end;
    int first, last;  // highlighted points; first > last: none
  } const cases[] = {{0, 100, 1, 378}, {50, 50, 1, 0}, {25, 50, 96, 189}};
  for (const Case& c : cases) {
    page.ValueLabel(appVA_DrumInstrument::kStart)->SetFloatValue(c.start, 0);
    page.ValueLabel(appVA_DrumInstrument::kEnd)->SetFloatValue(c.end, 0);
    rig.Give(tagUX_Message(UX_MSG_ENCODER_VALUE_CHANGED, 1, 0));
    for (int j = 0; j < appVA_DrumInstrument::kPoints; ++j) {
      const bool lit = page.View(0)->Points()[j].marks[uxScopeView::kGreyMark] != 0;
      EXPECT_EQ(lit, j >= c.first && j <= c.last) << c.start << ".." << c.end << " point " << j;
    }
  }
}

TEST_F(DrumInstrument, AZeroFrameSampleDrawsTheFlatLine) {
  appVA_DrumInstrument& page = Build();
  Choose("Beta/kick/ramp");
  Choose("Beta/kick/empty");
  if (page.CurrentSample() != nullptr && page.CurrentSample()->Frames() == 0) {
    for (int j : {0, 200, 378}) EXPECT_FLOAT_EQ(page.View(0)->Points()[j].a, 0.25f);
  }
}

TEST_F(DrumInstrument, APressOnAViewPreviewsOnceUntilReleased) {
  Build(6);
  auto touch = [&](int x, int y, int type) { rig.Give(tagUX_Message(UX_MSG_TOUCH_EVENT, x, y, type)); };
  touch(500, 150, TYPE_PRESS);
  touch(500, 250, TYPE_PRESS);  // still held: nothing
  touch(500, 150, TYPE_RELEASE);
  touch(100, 150, TYPE_PRESS);  // outside the views
  touch(100, 150, TYPE_RELEASE);
  touch(600, 250, TYPE_PRESS);  // the second view
  EXPECT_EQ(Calls(rig.services, "PostEvent"),
            (std::vector<std::string>{"PostEvent 2 9 6 1", "PostEvent 2 9 6 1"}));
}

TEST_F(DrumInstrument, AKitLoadSetsTheLabelsAndChoosesTheKitsSample) {
  struct Case {
    const char* sample;
    float trigger;
    const char* key;
    bool chosen;
  } const cases[] = {
      {"Beta/kick/ramp", 36, "C1 :36", true},
      {"Beta/kick/none", 81, "A4 :81", false},  // not in the list: parameters only
      {"Alpha/kick/ramp", 82, "---:0", true},
      {"", -3, "---:0", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sample);
    appVA_DrumInstrument& page = Build(4);
    Choose("Beta/kick/stereo");  // what the pad had before the kit
    rig.services.Take();
    CDataSetSampler& kit = rig.services.kit;
    kit.SetPadSample(4, CDataSetSampler::kCtrlSample, 0, c.sample);
    kit.SetPadParam(4, CDataSetSampler::kCtrlTrigger, c.trigger);
    kit.SetPadParam(4, CDataSetSampler::kCtrlLevel, 55.0f);
    KitLoaded();
    EXPECT_EQ(Shown(page.ValueLabel(appVA_DrumInstrument::kKey)), c.key);
    const std::vector<std::string> calls = rig.services.Take();
    auto has = [&](const std::string& s) {
      for (const std::string& call : calls)
        if (call.rfind(s, 0) == 0) return true;
      return false;
    };
    EXPECT_TRUE(has("ValueChanged 44A04 5 55"));
    EXPECT_TRUE(has("ValueChanged 44A0C 4 1"));
    EXPECT_EQ(has("SetPadSample"), c.chosen);
    EXPECT_EQ(page.Table()->getSelection() >= 0, c.chosen);
    EXPECT_EQ(page.CurrentSample() != nullptr, c.chosen);
    if (!c.chosen) {
      EXPECT_FLOAT_EQ(page.View(1)->Points()[10].a, 0.25f);
      EXPECT_STREQ(page.Info()->getText(), "");
    }
  }
}

TEST_F(DrumInstrument, DebianWavesLoadAndDraw) {
  const std::string alsa = "/usr/share/sounds/alsa/";
  if (!std::filesystem::exists(alsa + "Front_Center.wav")) GTEST_SKIP() << "alsa-utils sounds not installed";
  std::filesystem::create_directories(folder + "Debian/kick");
  for (const char* f : {"Front_Center", "Noise"})
    std::filesystem::copy_file(alsa + f + ".wav", folder + "Debian/kick/" + f + ".wav");
  appVA_DrumInstrument& page = Build();
  Choose("Debian/kick/Noise");
  ASSERT_NE(page.CurrentSample(), nullptr);
  EXPECT_EQ(page.CurrentSample()->Channels(), 1);
  EXPECT_GT(page.CurrentSample()->Frames(), 60000);
  bool moves = false;
  for (int j = 0; j < appVA_DrumInstrument::kPoints; ++j) moves = moves || page.View(0)->Points()[j].a != 0.25f;
  EXPECT_TRUE(moves);
  Choose("Debian/kick/Front_Center");
  rig.Paint();
  EXPECT_TRUE(toolkit_test::MatchesGolden("drum_instrument_page", rig.Screen()));
}

// ---- the kit page ----

class DrumKitPage : public ::testing::Test {
 protected:
  void Kits(std::initializer_list<const char*> files) {
    root.MakeDir(kKits);
    for (const char* f : files) std::ofstream(platform::DataPath(std::string(kKits) + f)) << "x";
  }
  appVA_DrumKit& Build() {
    appVA_DrumKit& page = rig.Build("KIT", uxPOINT(0, 80), int16_t{800}, int16_t{400}, "kit_bkg.png");
    rig.Show();
    rig.services.Take();
    return page;
  }
  void Press(int button) {
    uxButton* b = rig.page().Button(button);
    b->SetChecked(!b->isChecked());
    rig.Give(tagUX_Message(UX_MSG_ON_BUTTON, button, 0));
  }
  void SaveAs(const char* typed) {
    Press(appVA_DrumKit::kSaveAs);
    EXPECT_FALSE(rig.page().isEnabled());
    rig.page().Keyboard()->setText(typed);
    Confirm();
  }
  void Confirm() {
    rig.Give(tagUX_Message(UX_MSG_TOUCH_EVENT, 0, 0, TYPE_RELEASE));
    rig.Give(tagUX_Message(UX_MSG_ON_BUTTON, uxKeyboardCtrl::kOk, 0));
    EXPECT_TRUE(rig.page().isEnabled());
  }

  testing_support::TempDataRoot root;
  testing_support::LogCapture log;
  page_rig::PageRig<appVA_DrumKit> rig;
};

TEST_F(DrumKitPage, KitsAreSortedAndTheCurrentOneIsNotLoadedAgain) {
  Kits({"Rock.smpl", "Acid.smpl", "notes.txt", "Jazz.smpl"});
  rig.services.kitName = "Jazz";
  appVA_DrumKit& page = Build();
  EXPECT_EQ(Rows(page.Table()), (std::vector<std::string>{"001 Acid", "002 Jazz", "003 Rock"}));
  EXPECT_EQ(page.Table()->getSelection(), 1);
  EXPECT_STREQ(page.NameLabel()->getText(), "Jazz");
  for (int row : {1, 2, 2}) {
    page.Table()->selectRow(row, true);
    rig.Give(tagUX_Message(UX_MSG_TABLE_ITEM_SEL, row, 0, page.Table()));
  }
  EXPECT_EQ(Calls(rig.services, "LoadKit"), (std::vector<std::string>{"LoadKit Rock"}));
  EXPECT_STREQ(page.NameLabel()->getText(), "Rock");
  // A load the core refuses leaves the current kit as it is.
  rig.services.loadResult = 0;
  page.Table()->selectRow(0, true);
  rig.Give(tagUX_Message(UX_MSG_TABLE_ITEM_SEL, 0, 0, page.Table()));
  EXPECT_EQ(Calls(rig.services, "LoadKit"), (std::vector<std::string>{"LoadKit Acid"}));
  EXPECT_EQ(page.KitName(), "Rock");
  // The panel's encoder push queues the selection for the next tick.
  rig.services.queued.clear();
  rig.Give(tagUX_Message(UX_MSG_ENCODER_EVENT, 148, 132));
  ASSERT_FALSE(rig.services.queued.empty());
  EXPECT_EQ(rig.services.queued.back().type, UX_MSG_TABLE_ITEM_SEL);
  EXPECT_EQ(rig.services.queued.back().pData, nullptr);

  // An empty folder, and none at all.
  std::filesystem::remove_all(platform::DataPath(kKits));
  EXPECT_EQ(Build().Table()->getRowCount(), 0);
}

TEST_F(DrumKitPage, StoringNeedsARowOrATypedNameAndNeverWritesBracketNames) {
  Kits({"Acid.smpl"});
  rig.services.kitName = "[default]";
  appVA_DrumKit& page = Build();
  page.Table()->deselectRow();
  Press(appVA_DrumKit::kSave);  // no row
  EXPECT_FALSE(page.Button(appVA_DrumKit::kSave)->isChecked());

  Press(appVA_DrumKit::kSaveAs);
  Confirm();  // from "[default]" the proposed text is empty: nothing stored
  EXPECT_EQ(page.KitName(), "[default]");
  SaveAs("[mine]");
  EXPECT_EQ(page.KitName(), "[mine]");
  EXPECT_TRUE(Calls(rig.services, "StoreKit").empty());

  SaveAs("House");
  EXPECT_EQ(Calls(rig.services, "StoreKit"), (std::vector<std::string>{"StoreKit House"}));
  EXPECT_STREQ(page.NameLabel()->getText(), "House");
  Press(appVA_DrumKit::kSaveAs);
  Confirm();  // the proposed text
  EXPECT_EQ(Calls(rig.services, "StoreKit"), (std::vector<std::string>{"StoreKit House_"}));
}

// A kit that was not written lights no lamp, keeps the current name and says so.
TEST_F(DrumKitPage, AFailedStoreShowsTheFailure) {
  Kits({"Acid.smpl"});
  rig.services.kitName = "Acid";
  appVA_DrumKit& page = Build();
  rig.services.loadResult = 0;
  Press(appVA_DrumKit::kSave);
  EXPECT_EQ(Calls(rig.services, "StoreKit"), (std::vector<std::string>{"StoreKit Acid"}));
  EXPECT_FALSE(page.Button(appVA_DrumKit::kSave)->isChecked());
  EXPECT_TRUE(rig.services.PopupMessage()->isVisible());

  rig.services.PopupMessage()->hide();
  SaveAs("House");
  EXPECT_EQ(Calls(rig.services, "StoreKit"), (std::vector<std::string>{"StoreKit House"}));
  EXPECT_FALSE(page.Button(appVA_DrumKit::kSaveAs)->isChecked());
  EXPECT_TRUE(rig.services.PopupMessage()->isVisible());
  EXPECT_EQ(page.KitName(), "Acid");
  EXPECT_STREQ(page.NameLabel()->getText(), "Acid");
}

TEST_F(DrumKitPage, LampsLastSevenTicksAndMuteFollowsItsSetting) {
  Kits({"Acid.smpl"});
  appVA_DrumKit& page = Build();
  page.Table()->selectRow(0, true);
  rig.Give(tagUX_Message(UX_MSG_TABLE_ITEM_SEL, 0, 0, page.Table()));
  Press(appVA_DrumKit::kSave);
  EXPECT_EQ(Calls(rig.services, "StoreKit"), (std::vector<std::string>{"StoreKit Acid"}));
  int lit = 0;
  for (int t = 0; t < 12 && page.Button(appVA_DrumKit::kSave)->isChecked(); ++t, ++lit)
    rig.Give(tagUX_Message(UX_MSG_TICK_EVENT));
  EXPECT_EQ(lit, 8);  // seven counted down, unlit on the eighth

  Press(appVA_DrumKit::kMuteDrum);
  EXPECT_EQ(Calls(rig.services, "SetParamById"), (std::vector<std::string>{"SetParamById 154B14 1"}));
  rig.services.params[appVA_DrumKit::kDrumMuteUid] = 0.0f;
  rig.Give(tagUX_Message(UX_MSG_TICK_EVENT));
  EXPECT_FALSE(page.Button(appVA_DrumKit::kMuteDrum)->isChecked());
  rig.services.params[appVA_DrumKit::kDrumMuteUid] = 1.0f;
  rig.Give(tagUX_Message(UX_MSG_TICK_EVENT));
  EXPECT_TRUE(page.Button(appVA_DrumKit::kMuteDrum)->isChecked());
  EXPECT_EQ(page.Level()->GetID(), 0x154B13);

  rig.Paint();
  EXPECT_TRUE(toolkit_test::MatchesGolden("drum_kit_page", rig.Screen()));
}

// ---- the whole program's step: a kit load reaches every pad ----

TEST(DrumSectionInCore, AKitLoadGivesEachNamedPadItsFileAndTheKitKeepsTheKey) {
  testing_support::TempDataRoot root;
  testing_support::LogCapture log;
  const std::string folder = root.MakeDir(kWaves);
  const std::string script = testing_support::SourceDir() + "/tests/app/write_drum_waves.py";
  ASSERT_EQ(std::system(("python3 '" + script + "' '" + folder + "'").c_str()), 0);
  platform::MemoryFrameBuffer fb;
  uxDC dc{&fb};
  ASSERT_EQ(dc.Init(), 0);
  FakeRawMidiBackend midi;
  GUIManager gui(&dc, midi);
  appVA_DrumSampler page(&gui, 0, "PANEL_DRUM", uxPOINT(0, 40), 800, 440, 0x303030);
  CDataSetSampler& kit = gui.Arranger().Sampler();
  kit.SetPadSample(0, CDataSetSampler::kCtrlSample, 0, "Beta/kick/ramp");
  kit.SetPadSample(1, CDataSetSampler::kCtrlSample, 0, "Beta/snare/missing");
  kit.SetPadParam(0, CDataSetSampler::kCtrlTrigger, 36.0f);
  tagUX_Message loaded(UX_MSG_VALUES_CHANGED, 4, -1);
  page.OnMessage(&loaded);
  ASSERT_NE(page.Instrument(0)->CurrentSample(), nullptr);
  EXPECT_EQ(page.Instrument(0)->CurrentSample()->Frames(), 758);
  EXPECT_EQ(page.Instrument(1)->CurrentSample(), nullptr);
  // The KEY label's write to the kit stores the key itself, so the kit round-trips.
  EXPECT_EQ(Shown(page.Instrument(0)->ValueLabel(appVA_DrumInstrument::kKey)), "C1 :36");
  gui.ValueChanged(0x40A06, FLAG_UPDATE_DS, 10.0f);
  EXPECT_EQ(kit.Pads()[0].Trigger, 36u);
  gui.ValueChanged(0x40A06, FLAG_UPDATE_DS, 0.0f);
  EXPECT_EQ(kit.Pads()[0].Trigger, 0u);
}

}  // namespace
