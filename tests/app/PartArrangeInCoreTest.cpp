// The part and arrangement pages inside the application core, over a data tree written by the
// instrument's own writers: what a choice on a page loads and stores, what reaches the pages
// afterwards and what goes out on the panel bus.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "data/CDataSets.h"
#include "pages/arrange/appVA_Arrange.h"
#include "pages/master/appVA_Master.h"
#include "pages/part/appVA_Part.h"
#include "platform/Paths.h"
#include "tests/app/PanelRig.h"
#include "toolkit/uxButton.h"
#include "toolkit/uxKeyboardCtrl.h"
#include "toolkit/uxLabel.h"
#include "toolkit/uxTabItemCtrl.h"
#include "toolkit/uxTableCtrl.h"
#include "toolkit/uxValueLabel.h"

namespace {

using app_test::PanelRig;
using Frame = toolkit_test::BusFrame;

constexpr int kArrangerTab = 0;
constexpr int kMasterTab = 1;
constexpr int kSynthTab = 2;

template <class Page>
Page* PageOf(PanelRig& rig, int tab) {
  uxTabItemCtrl* item = rig.manager->MainMenu()->GetTabItem(tab);
  return item != nullptr ? dynamic_cast<Page*>(item->ActivePanel()) : nullptr;
}

void Give(PanelRig& rig, tagUX_Message msg) { rig.manager->SendMessage(&msg); }

// CATEGORY switched on: the part page lists the categories.
void ShowCategories(PanelRig& rig, appVA_Part* page) {
  page->Button(appVA_Part::kCategory)->SetChecked(true);
  Give(rig, tagUX_Message(UX_MSG_ON_BUTTON, appVA_Part::kCategory, 0));
}

// A row chosen as a touch chooses it: the table's report, delivered by the next tick.
void Choose(PanelRig& rig, uxTableCtrl* table, int row) {
  table->selectRow(row, true);
  Give(rig, tagUX_Message(UX_MSG_TABLE_ITEM_SEL, row, 0));
}

// SAVE AS, then the keyboard's OK with the given text.
template <class Page>
void StoreAs(PanelRig& rig, Page* page, int saveAsButton, const char* text) {
  Give(rig, tagUX_Message(UX_MSG_ON_BUTTON, saveAsButton, 0));
  page->Keyboard()->setText(text);
  Give(rig, tagUX_Message(UX_MSG_TOUCH_EVENT, 0, 0, TYPE_RELEASE));
  Give(rig, tagUX_Message(UX_MSG_ON_BUTTON, uxKeyboardCtrl::kOk, 0));
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool Contains(const std::vector<Frame>& frames, const Frame& f) {
  return std::find(frames.begin(), frames.end(), f) != frames.end();
}

TEST(PartPagesInCore, TheMasterPageBuildsFourPartPagesAndShowsPartAs) {
  PanelRig rig;
  auto* master = PageOf<appVA_Master>(rig, kMasterTab);
  ASSERT_NE(master, nullptr);
  const char* names[] = {"PART A", "PART B", "PART C", "PART D"};
  for (int p = 0; p < appVA_Master::kParts; ++p) {
    appVA_Part* page = master->PartPage(p);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->GetUserData(), static_cast<uint32_t>(p * 0x10000));
    EXPECT_STREQ(page->getName(), names[p]);
    EXPECT_EQ(page->Part(), p);
  }
  EXPECT_EQ(PageOf<appVA_Part>(rig, kSynthTab), master->PartPage(0));
  EXPECT_STREQ(rig.manager->MainMenu()->GetTabItem(kSynthTab)->getTabName(), "SYNTH A");
}

TEST(PartPagesInCore, APresetChosenOnThePageLoadsAndItsLabelsGoToThePanel) {
  PanelRig rig;
  // The tree: one category with a preset written by the data set's own writer.
  rig.bus.Root().MakeDir("/var/lib/ruv/working/presets/Bass");
  rig.manager->DataSet(1)->setParam(4, 0, 0, 3.0f, 0);  // SYNTH_VoiceMode "UNI3"
  ASSERT_EQ(rig.manager->DataSet(1)->XMLStorePreset("Bass/Sub"), 1);

  rig.manager->MainMenu()->setActiveTab(kSynthTab);
  auto* page = PageOf<appVA_Part>(rig, kSynthTab);
  ASSERT_NE(page, nullptr);
  ShowCategories(rig, page);
  Choose(rig, page->Table(), 0);  // the category
  if (rig.HasBus()) rig.FramesSent();
  Choose(rig, page->Table(), 0);  // the preset

  EXPECT_STREQ(page->PresetLabel()->getText(), "Sub");
  EXPECT_EQ(rig.manager->PresetName(0), "Bass/Sub");
  EXPECT_STREQ(page->ValueLabel(appVA_Part::kVoiceMode)->getText(), "UNI3");
  EXPECT_NE(ReadFile(platform::DataPath("/var/lib/ruv/working/logClient.txt")).find("MESSAGE <Bass/Sub>"),
            std::string::npos);
  if (!rig.HasBus()) GTEST_SKIP() << "no virtual CAN bus here";
  const std::vector<Frame> sent = rig.FramesSent();
  EXPECT_TRUE(Contains(sent, Frame{0x1A7, {0xB0, 0, 9, 0}})) << "GLIDE_Mode after the reload";
  EXPECT_TRUE(Contains(sent, Frame{0x1A6, {0xB0, 0, 9, 3}})) << "SYNTH_VoiceMode after the reload";

  // The first encoder steps PORTAMENTO (checked at start) and the panel hears it.
  // A choice takes two detents.
  rig.Frame(144, {130});
  rig.Frame(144, {130});
  EXPECT_TRUE(Contains(rig.FramesSent(), Frame{0x1A7, {0xB0, 0, 9, 1}}));
}

TEST(PartPagesInCore, AFileDeletedAfterTheListingShowsAFileError) {
  PanelRig rig;
  rig.bus.Root().MakeDir("/var/lib/ruv/working/presets/Bass");
  ASSERT_EQ(rig.manager->DataSet(0)->XMLStorePreset("Bass/Gone"), 1);
  rig.manager->MainMenu()->setActiveTab(kSynthTab);
  auto* page = PageOf<appVA_Part>(rig, kSynthTab);
  ShowCategories(rig, page);
  Choose(rig, page->Table(), 0);
  std::filesystem::remove(platform::DataPath("/var/lib/ruv/working/presets/Bass/Gone.preset"));
  Choose(rig, page->Table(), 0);
  EXPECT_STREQ(page->PresetLabel()->getText(), "<FILE ERROR>");
  EXPECT_FALSE(rig.manager->ProgressShown());
}

TEST(ArrangePageInCore, StoredArrangementsLoadInOrderAndOutliveTheCore) {
  PanelRig rig;
  rig.bus.Root().MakeDir("/var/lib/ruv/working/arrangments");
  rig.manager->MainMenu()->setActiveTab(kArrangerTab);
  auto* page = PageOf<appVA_Arrange>(rig, kArrangerTab);
  ASSERT_NE(page, nullptr);
  StoreAs(rig, page, appVA_Arrange::kSaveAs, "LIVE");
  StoreAs(rig, page, appVA_Arrange::kSaveAs, "OTHER");
  ASSERT_EQ(page->Table()->getRowCount(), 2);
  EXPECT_EQ(page->CurrentName(), "OTHER");

  Choose(rig, page->Table(), 0);  // "LIVE"
  EXPECT_STREQ(page->NameLabel()->getText(), "LIVE");
  EXPECT_EQ(rig.manager->SongName(), "LIVE");
  EXPECT_FALSE(rig.manager->ProgressShown());

  // A new core over the same tree lists both.
  rig.manager.reset();
  rig.manager = std::make_unique<app_test::RecordingManager>(&rig.dc, rig.midi, &StandardPages());
  rig.manager->SetSleep([](uint32_t) {});
  rig.manager->SetAudioProcess(rig.audio.get());
  rig.manager->BuildPages();
  page = PageOf<appVA_Arrange>(rig, kArrangerTab);
  ASSERT_EQ(page->Table()->getRowCount(), 2);
}

TEST(ArrangePageInCore, TrackingSwitchesThePanelMode) {
  PanelRig rig;
  rig.manager->MainMenu()->setActiveTab(kArrangerTab);
  EXPECT_EQ(rig.manager->getPanelMode(), 1);
  auto* page = PageOf<appVA_Arrange>(rig, kArrangerTab);
  page->Button(appVA_Arrange::kTracking)->SetChecked(true);
  Give(rig, tagUX_Message(UX_MSG_ON_BUTTON, appVA_Arrange::kTracking, 0));
  EXPECT_EQ(rig.manager->getPanelMode(), 0);
  if (rig.HasBus()) {
    EXPECT_TRUE(Contains(rig.FramesSent(), Frame{40, {0xA2, 0x00}}));
  }
  page->Button(appVA_Arrange::kTracking)->SetChecked(false);
  Give(rig, tagUX_Message(UX_MSG_ON_BUTTON, appVA_Arrange::kTracking, 0));
  EXPECT_EQ(rig.manager->getPanelMode(), 1);
  if (rig.HasBus()) {
    EXPECT_TRUE(Contains(rig.FramesSent(), Frame{40, {0xA2, 0x01}}));
  }
}

}  // namespace
