// The Master page alone over recording page services, with a main tab control of its own:
// part selection and the tabs it fills, the mute, pedal and level controls, the reload, the
// track tab's page per clip type, the scopes and the page's picture.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "data/ParamTable.h"
#include "pages/master/appVA_Master.h"
#include "pages/part/appVA_Part.h"
#include "pages/voice/appVA_VOICE.h"
#include "pages/widgets/uxScopeView.h"
#include "tests/app/PageRig.h"
#include "tests/support/TestPaths.h"
#include "toolkit/uxButton.h"
#include "toolkit/uxLabel.h"
#include "toolkit/uxTabCtrl.h"
#include "toolkit/uxTabItemCtrl.h"
#include "toolkit/uxValueLabel.h"

namespace {

using Lines = std::vector<std::string>;

class MasterPage : public ::testing::Test {
 protected:
  MasterPage() { Build(); }
  // A main tab control of its own and the page on it.
  void Build() {
    menu = std::make_unique<uxTabCtrl>(&rig.services, 0, "MainMenu", uxPOINT(0, 0), 800, 40, 0, 0xC0C0C0, 0x404040,
                                       10);
    // The tabs before the Master page's own: the arranger and the Master page's tab.
    menu->AddTabItem(new uxTabItemCtrl(&rig.services, 0, "ARRANGER", 0x404040, 0xFFFFFF, nullptr));
    menu->AddTabItem(new uxTabItemCtrl(&rig.services, 1, "MASTER", 0x404040, 0xFFFFFF, nullptr));
    rig.Build(0, "MASTER", uxPOINT(0, 40), 800, 440, 0x404040, menu.get());
    rig.services.Take();
  }
  ~MasterPage() override {
    rig.services.target = nullptr;
  }
  appVA_Master& page() { return rig.page(); }
  uxTabItemCtrl* Tab(int t) { return page().TabItem(t); }
  void Press(int id) { rig.Give(tagUX_Message(UX_MSG_ON_BUTTON, id, 0)); }
  std::vector<bool> PartButtons() {
    std::vector<bool> on;
    for (int p = 0; p < 4; ++p) on.push_back(Element<uxButton>(8 + p)->isChecked());
    return on;
  }
  // A button of the page by its id.
  template <class T>
  T* Element(int id) {
    for (uxBaseElement* element : *page().GetElementList())
      if (auto* e = dynamic_cast<T*>(element); e && static_cast<int>(e->GetUserData()) == id) return e;
    return nullptr;
  }
  Lines ParamCalls() {
    Lines out;
    for (const std::string& line : rig.services.Take())
      if (line.rfind("SetParamById", 0) == 0) out.push_back(line);
    return out;
  }
  uxValueLabel* Level(int p) {
    for (uxBaseElement* element : *page().GetElementList())
      if (auto* l = dynamic_cast<uxValueLabel*>(element); l && l->GetID() == 0x150B10 + p * 0x1000)
        return l;
    return nullptr;
  }

  testing_support::TempDataRoot root;
  page_rig::PageRig<appVA_Master> rig;
  std::unique_ptr<uxTabCtrl> menu;
};

TEST_F(MasterPage, BuildsEveryPageAndStartsOnPartA) {
  EXPECT_EQ(menu->GetTabCount(), 6);
  const char* captions[] = {"SYNTH A", "VOICE A", "FX A", " ARP A "};
  const char* pages[] = {"PART A", "VOICE 1", "FX 1", " ARP A "};
  for (int t = 0; t < appVA_Master::kTabs; ++t) {
    SCOPED_TRACE(t);
    EXPECT_EQ(menu->GetTabItem(2 + t), Tab(t));
    EXPECT_STREQ(Tab(t)->getTabName(), captions[t]);
    EXPECT_EQ(Tab(t)->getColorFrg(), 0x0000FFu);
    EXPECT_STREQ(Tab(t)->ActivePanel()->getName(), pages[t]);
  }
  const char* arp[] = {" ARP A ", " ARP B ", " ARP C ", " ARP D ", nullptr, "ARP ET1", "ARP ET2"};
  const char* seq[] = {" SEQ A ", " SEQ B ", " SEQ C ", " SEQ D ", " DRUM ", "SEQ ET1", "SEQ ET2"};
  for (int t = 0; t < appVA_Master::kTracks; ++t) {
    SCOPED_TRACE(t);
    if (arp[t] != nullptr) EXPECT_STREQ(page().SequencerPage(t)->getName(), arp[t]);
    else EXPECT_EQ(page().SequencerPage(t), nullptr);
    EXPECT_STREQ(page().MidiTrackPage(t)->getName(), seq[t]);
    EXPECT_STREQ(page().TrackPage(t)->getName(), arp[t] != nullptr ? arp[t] : " DRUM ");
  }
  for (int p = 0; p < 4; ++p) {
    EXPECT_EQ(page().PartPage(p)->GetUserData(), p * 0x10000u);
    EXPECT_EQ(page().VoicePage(p)->GetUserData(), p * 0x10000u);
    EXPECT_EQ(page().EffectsPage(p)->GetUserData(), 0x80000u + p * 0x10000u);
  }
  EXPECT_EQ(PartButtons(), (std::vector<bool>{true, false, false, false}));
  EXPECT_EQ(page().SelectedPart(), 0);
  EXPECT_TRUE(page().isFocus());
  // The six sequencer pages take controllers of their own, built (and registered) first.
  ASSERT_EQ(rig.services.controllerListeners.size(), 7u);
  EXPECT_EQ(rig.services.controllerListeners.back(), &page());
  EXPECT_EQ(rig.services.trackTypeListener, &page());
}

TEST_F(MasterPage, APartButtonSwapsThatPartsPagesIntoTheTabs) {
  struct Case {
    int part;
    const char* synth;
    const char* voice;
    const char* fx;
    uint32_t colour;
  };
  const Case cases[] = {{2, "SYNTH C", "VOICE C", "FX C", 0xFF0000},
                        {1, "SYNTH B", "VOICE B", "FX B", 0x00FF00},
                        {3, "SYNTH D", "VOICE D", "FX D", 0xC0C000},
                        {0, "SYNTH A", "VOICE A", "FX A", 0x0000FF}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.part);
    menu->setActiveTab(0);  // another page is shown
    rig.services.Take();
    Press(8 + c.part);
    std::vector<bool> expected(4, false);
    expected[c.part] = true;
    EXPECT_EQ(PartButtons(), expected);
    EXPECT_STREQ(Tab(0)->getTabName(), c.synth);
    EXPECT_STREQ(Tab(1)->getTabName(), c.voice);
    EXPECT_STREQ(Tab(2)->getTabName(), c.fx);
    EXPECT_STREQ(Tab(3)->getTabName(), page().TrackPage(c.part)->getName());
    for (int t = 0; t < appVA_Master::kTabs; ++t) EXPECT_EQ(Tab(t)->getColorFrg(), c.colour);
    EXPECT_EQ(Tab(0)->ActivePanel(), page().PartPage(c.part));
    EXPECT_EQ(Tab(1)->ActivePanel(), page().VoicePage(c.part));
    EXPECT_EQ(Tab(2)->ActivePanel(), page().EffectsPage(c.part));
    EXPECT_EQ(Tab(3)->ActivePanel(), page().TrackPage(c.part));
    EXPECT_EQ(menu->getActiveTab(), 2);
    EXPECT_EQ(page().SelectedPart(), c.part);
    const Lines calls = rig.services.Take();
    EXPECT_EQ(calls.back(), "sendPanelPart " + std::to_string(c.part));
  }
  // Ids beside the part buttons select nothing.
  for (int id : {7, 12}) {
    Press(id);
    EXPECT_EQ(page().SelectedPart(), 0);
    EXPECT_TRUE(rig.services.Take().empty());
  }
}

TEST_F(MasterPage, MuteAndPedalButtonsSetTheirPartsSwitch) {
  struct Case {
    int x, y;  // a point on the button
    const char* on;
    const char* off;
  };
  const Case cases[] = {
      {100, 370, "SetParamById 150B11 1", "SetParamById 150B11 0"},
      {700, 370, "SetParamById 153B11 1", "SetParamById 153B11 0"},
      {300, 290, "SetParamById 151B12 1", "SetParamById 151B12 0"},
      {500, 290, "SetParamById 152B12 1", "SetParamById 152B12 0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.on);
    rig.Touch(c.x, c.y);
    EXPECT_EQ(ParamCalls(), Lines{c.on});
    rig.Touch(c.x, c.y);
    EXPECT_EQ(ParamCalls(), Lines{c.off});
  }
}

TEST_F(MasterPage, AReloadReachesTheOtherPartsPagesAndRestoresLevelsAndSwitches) {
  Press(9);  // part B
  for (int p = 0; p < 4; ++p) rig.services.presetNames[p] = std::string("Lead/Preset ") + char('A' + p);
  for (int p = 0; p < 4; ++p) {
    rig.services.params[0x150B10 + p * 0x1000] = 10.0f * (p + 1);
    rig.services.params[0x150B11 + p * 0x1000] = p == 1 ? 1.0f : 0.0f;
    rig.services.params[0x150B12 + p * 0x1000] = p == 2 ? 1.0f : 0.0f;
  }
  rig.services.Take();
  rig.Give(tagUX_Message(UX_MSG_VALUES_CHANGED, -1, -1));

  // Part B's page hears it through its tab, not from the Master page.
  for (int p = 0; p < 4; ++p) {
    SCOPED_TRACE(p);
    const std::string shown = page().PartPage(p)->PresetLabel()->getText();
    if (p == 1) EXPECT_EQ(shown.find("Preset"), std::string::npos) << shown;
    else EXPECT_NE(shown.find(std::string("Preset ") + char('A' + p)), std::string::npos) << shown;
    EXPECT_FLOAT_EQ(Level(p)->GetFloatRawValue(), 10.0f * (p + 1));
    EXPECT_EQ(Element<uxButton>(16 + p)->isChecked(), p == 1);
    EXPECT_EQ(Element<uxButton>(30 + p)->isChecked(), p == 2);
  }
  Lines engine, levels;
  for (const std::string& line : rig.services.Take()) {
    if (line.rfind("SetEngineParam", 0) == 0) engine.push_back(line);
    // The level labels' ids (0x15pB10), not the other parts' editor labels the reload reaches.
    if (line.rfind("ValueChanged 15", 0) == 0 && line.find("B10 ") != std::string::npos) levels.push_back(line);
  }
  // The levels go to the engine (flag 8), not back into the settings.
  EXPECT_EQ(levels, (Lines{"ValueChanged 150B10 8 10", "ValueChanged 151B10 8 20", "ValueChanged 152B10 8 30",
                           "ValueChanged 153B10 8 40"}));
  // Pedal follow goes back with the setting bit, as mute does.
  EXPECT_EQ(engine, (Lines{"SetEngineParam 150B11 0", "SetEngineParam 150B12 0", "SetEngineParam 151B11 1",
                           "SetEngineParam 151B12 0", "SetEngineParam 152B11 0", "SetEngineParam 152B12 1",
                           "SetEngineParam 153B11 0", "SetEngineParam 153B12 0"}));
}

TEST_F(MasterPage, PanelValueFramesOfTheVoiceRowsLeaveTheLevelsAlone) {
  // The panel has no level control: no row of the panel's group has the level's parameter,
  // so no frame of any target reaches a level label.
  for (int canId : {0x1A2, 0x1A3, 0x1A7, 0x10C, 0x7FF})
    for (uint32_t target : {0u, 1u, 5u}) {
      float value = 42.0f;
      tagUX_Message msg(EN_MSG_SET_VALUE, canId, static_cast<int>(target), &value);
      rig.Give(msg);
    }
  tagUX_Message empty(EN_MSG_SET_VALUE, 0x1A2, 5, nullptr);
  rig.Give(empty);
  for (int p = 0; p < 4; ++p) EXPECT_FLOAT_EQ(Level(p)->GetFloatRawValue(), 0.0f);
}

TEST_F(MasterPage, SetLevelRawTakesTheFourLevelSlotsOnly) {
  for (int slot : {0, 8, 16, 24}) page().SetLevelRaw(slot, static_cast<float>(slot + 1));
  for (int slot : {-8, 1, 7, 32, 40}) page().SetLevelRaw(slot, 99.0f);
  for (int p = 0; p < 4; ++p) EXPECT_FLOAT_EQ(Level(p)->GetFloatRawValue(), static_cast<float>(8 * p + 1));
}

TEST_F(MasterPage, ALearnedControllerSetsItsLevel) {
  rig.services.ccMap[0x152B10] = 7;  // learned before the page was built
  Build();
  EXPECT_EQ(page().OnMidiCC(0, 3, 7, 127), 1);
  const Lines calls = ParamCalls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].rfind("SetParamById 152B10 ", 0), 0u) << calls[0];
  EXPECT_FLOAT_EQ(Level(2)->GetFloatRawValue(), Level(2)->GetFloatValue());
  EXPECT_EQ(page().OnMidiCC(0, 3, 8, 127), 1);  // nobody learned 8
  EXPECT_TRUE(ParamCalls().empty());
}

TEST_F(MasterPage, TheClipTypeChoosesTheTrackTabsPage) {
  struct Case {
    int track, type;
    const char* caption;  // null: nothing changes
    uint32_t colour;
  };
  const Case cases[] = {
      {0, 2, " SEQ A ", 0x0000FF}, {0, 1, " ARP A ", 0x0000FF}, {1, 2, " SEQ B ", 0x00FF00},
      {2, 1, " ARP C ", 0xFF0000}, {3, 2, " SEQ D ", 0xC0C000}, {4, 2, " DRUM ", 0xC0C000},
      {5, 1, "ARP ET1", 0xFFFFFF}, {6, 2, "SEQ ET2", 0xFFFFFF}, {4, 1, nullptr, 0},
      {7, 1, nullptr, 0},          {-1, 2, nullptr, 0},         {2, 0, nullptr, 0},
      {2, 3, nullptr, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.track) + "/" + std::to_string(c.type));
    const std::string before = Tab(3)->getTabName();
    uxPanelCtrl* const shown = Tab(3)->ActivePanel();
    page().SetTrackType(c.track, c.type);
    if (c.caption == nullptr) {
      EXPECT_EQ(Tab(3)->getTabName(), before);
      EXPECT_EQ(Tab(3)->ActivePanel(), shown);
      continue;
    }
    EXPECT_STREQ(Tab(3)->getTabName(), c.caption);
    EXPECT_EQ(Tab(3)->getColorFrg(), c.colour);
    uxPanelCtrl* expected = c.type == 1 ? page().SequencerPage(c.track) : page().MidiTrackPage(c.track);
    EXPECT_EQ(Tab(3)->ActivePanel(), expected);
    EXPECT_EQ(page().TrackPage(c.track), expected);
  }
  // Selecting part B shows track 1's current page, its step sequence.
  Press(9);
  EXPECT_EQ(Tab(3)->ActivePanel(), page().MidiTrackPage(1));
  EXPECT_STREQ(Tab(3)->getTabName(), " SEQ B ");
}

TEST_F(MasterPage, FocusThreeAndFourEnableAndDisableTheControls) {
  for (auto [param, enabled] : {std::pair{4, false}, std::pair{3, true}}) {
    SCOPED_TRACE(param);
    rig.Give(tagUX_Message(UX_MSG_FOCUS, param, 0));
    EXPECT_EQ(page().isEnabled(), enabled);
    for (int c = 0; c < 2; ++c) EXPECT_EQ(page().Scope(c)->isEnabled(), enabled);
    for (int id : {8, 11, 16, 19, 30, 33}) EXPECT_EQ(Element<uxButton>(id)->isEnabled(), enabled) << id;
    for (int p = 0; p < 4; ++p) EXPECT_EQ(Level(p)->isEnabled(), enabled);
  }
}

// A capture of the left channel fed through the audio side: a falling then rising ramp.
void FillCapture(ScopeChannel& channel, int length, float amplitude) {
  channel.SetLength(length);
  std::vector<float> feed(2048);
  for (std::size_t i = 0; i < feed.size(); ++i)
    feed[i] = amplitude * std::sin(static_cast<float>(i) * 0.11f + 2.0f);
  channel.Feed(feed.data(), static_cast<int>(feed.size()));
  ASSERT_EQ(channel.GetState(), ScopeChannel::kFull);
}

TEST_F(MasterPage, EvenPaintsDrawAFullCaptureAndResetIt) {
  OutputCapture& capture = rig.services.capture;
  for (int n : {100, 512}) {
    SCOPED_TRACE(n);
    FillCapture(capture.channel[0], n, 0.3f);
    std::vector<float> samples(capture.channel[0].Samples(), capture.channel[0].Samples() + ScopeChannel::kCapacity);
    float m = 0.0f;
    for (int i = 0; i < n; ++i) m = std::max(m, samples[i] + 1.0f);
    const float k = 2.0f - m / 2.0f;
    page().Scope(0)->Points()[5].marks[3] = 1;

    // One of two paints looks at the capture.
    rig.Paint();
    if (capture.channel[0].GetState() == ScopeChannel::kFull) rig.Paint();
    EXPECT_EQ(capture.channel[0].GetState(), ScopeChannel::kWait);
    EXPECT_EQ(capture.channel[1].GetState(), ScopeChannel::kWait) << "the right channel was not full";
    const uxScopeView::Point* points = page().Scope(0)->Points();
    for (int i = 0; i < 379; ++i) {
      ASSERT_FLOAT_EQ(points[i].a, 0.4f + k * samples[static_cast<std::size_t>(i * n / 190)]) << i;
      ASSERT_EQ(points[i].b, 0.0f);
    }
    EXPECT_EQ(points[5].marks[3], 0);
    EXPECT_EQ(page().Scope(1)->Points()[0].a, 0.0f) << "the right scope kept its points";
  }
}

TEST_F(MasterPage, NoCaptureAndNoFocusDrawNothing) {
  rig.services.capture.channel[0].SetLength(64);
  FillCapture(rig.services.capture.channel[0], 64, 0.5f);
  page().SetFocus(false);
  for (int i = 0; i < 4; ++i) rig.Paint();
  EXPECT_EQ(rig.services.capture.channel[0].GetState(), ScopeChannel::kFull);
}

TEST_F(MasterPage, Picture) {
  FillCapture(rig.services.capture.channel[0], 256, 0.6f);
  FillCapture(rig.services.capture.channel[1], 128, 0.25f);
  rig.Give(tagUX_Message(UX_MSG_FOCUS, 3, 0));
  Press(10);
  rig.Touch(100, 370);  // mute A
  rig.Touch(500, 290);  // pedal C
  Level(1)->SetFloatValue(64.0f, FLAG_REPAINT);
  // Two paints take both captures; then the whole page once more.
  page().OnPaint();
  page().OnPaint();
  for (uxBaseElement* e : *page().GetElementList()) e->setRepaint();
  rig.Paint();
  EXPECT_TRUE(toolkit_test::MatchesGolden("master_page", rig.Screen()));
}

}  // namespace
