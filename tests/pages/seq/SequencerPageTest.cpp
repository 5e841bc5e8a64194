// The sequencer page of a clip track over a real clip launcher: which clip it edits, the
// bank of steps its step pages show, the song position, the settings tab and the eight step
// tabs writing the clip, and the clip set file carrying what was edited.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "pages/seq/appVA_SeqSettings.h"
#include "pages/seq/appVA_SeqStep.h"
#include "pages/seq/appVA_Sequencer.h"
#include "tests/app/PageFixtures.h"
#include "tests/app/PageMessages.h"
#include "tests/app/PageRig.h"
#include "tests/support/AllocCounter.h"
#include "tests/support/LogCapture.h"
#include "tests/toolkit/support/ScreenImages.h"
#include "toolkit/uxButton.h"
#include "toolkit/uxLabel.h"
#include "toolkit/uxTabCtrl.h"
#include "toolkit/uxTabItemCtrl.h"
#include "toolkit/uxTableCtrl.h"
#include "toolkit/uxValueLabel.h"

namespace {

using page_rig::ClipRig;
using page_rig::PageRig;
namespace msg = page_msg;

constexpr int kEnterKey = 1;

class SequencerPage : public ::testing::Test {
 protected:
  void SetUp() override {
    SeqStepBank = 0;
    ClipRig::MakeClipsFolder(images_.root);
    rig_.services.clips = &clips_.core;
  }

  appVA_Sequencer& Build(int track = 0, const char* name = " ARP A ") {
    appVA_Sequencer& page = rig_.Build(track, name, uxPOINT(0, 40), 800, 440, 0x303030);
    rig_.Show();
    return page;
  }
  appVA_Sequencer& page() { return rig_.page(); }
  // The tab of the sequencer page becomes the active one.
  void OpenTab(int tab) {
    page().Tabs()->setActiveTab(tab);
    rig_.Show();
  }
  void Enter() { rig_.Give(tagUX_Message(UX_MSG_KEY, kEnterKey, 0)); }
  void Turn(int encoder, int code) { rig_.Encoder(static_cast<uint16_t>(encoder), static_cast<uint8_t>(code)); }
  std::vector<std::string> LogLines(const std::string& prefix) {
    std::vector<std::string> out;
    const std::string text = log_.Text();
    for (std::size_t at = 0; at < text.size();) {
      const std::size_t end = text.find('\n', at);
      const std::string line = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
      if (line.compare(0, prefix.size(), prefix) == 0) out.push_back(line);
      if (end == std::string::npos) break;
      at = end + 1;
    }
    return out;
  }

  page_rig::ImageRoot images_;
  testing_support::LogCapture log_;
  ClipRig clips_;
  PageRig<appVA_Sequencer> rig_;
};

TEST_F(SequencerPage, BuildsTabsLabelsAndHeader) {
  appVA_Sequencer& p = Build();
  const char* tabs[] = {"SETTINGS", "ASSIGN", "MODE", "SEMITONE", "OCTAVE", "VELOCITY", "CVA", "CVB", "CVC"};
  ASSERT_EQ(p.Tabs()->GetTabCount(), 9);
  for (int i = 0; i < 9; ++i) EXPECT_STREQ(p.Tabs()->GetTabItem(i)->getTabName(), tabs[i]);
  EXPECT_EQ(p.Tabs()->getActiveTab(), 0);

  struct Expected {
    int uid;
    uint32_t slot;
    bool drawn;
  } labels[] = {{242, 0, true}, {0, 8, false}, {243, 16, true}, {240, 24, true}};
  auto* elements = p.GetElementList();
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(p.Label(i)->GetID(), labels[i].uid);
    EXPECT_EQ(p.Label(i)->GetUserData(), labels[i].slot);
    EXPECT_EQ(std::find(elements->begin(), elements->end(), p.Label(i)) != elements->end(), labels[i].drawn);
  }
  const char* modes[] = {"ON", "HOLD", "LATCH", "ADD", "LIVE_SEQ"};
  for (int i = 0; i < 5; ++i) EXPECT_STREQ(p.Label(0)->getEnumText(i), modes[i]);
  EXPECT_EQ(p.Label(0)->GetFloatValue(), 1.0f);
  EXPECT_STREQ(p.Label(0)->getText(), "HOLD");

  EXPECT_STREQ(p.ClipCaption()->getText(), "CLIP:");
  EXPECT_STREQ(p.ClipName()->getText(), "<empty>");
  EXPECT_STREQ(p.Metre()->getText(), "4/4");
  EXPECT_STREQ(p.Position()->getText(), "1-1,1");
  EXPECT_EQ(p.EditClip(), -1);
}

// The Master page's track tab holds the page of track 0; every sequencer track can be built.
TEST_F(SequencerPage, EveryTrackOfTheTableBuilds) {
  for (const SequencerTrack& t : kSequencerTracks) {
    SCOPED_TRACE(t.name);
    appVA_Sequencer& p = Build(t.track, t.name);
    EXPECT_EQ(p.Track(), t.track);
    rig_.Tick();
    EXPECT_EQ(p.EditClip(), 0);
  }
  EXPECT_EQ(std::size(kSequencerTracks), 6u);
}

TEST_F(SequencerPage, EditClipRule) {
  struct Case {
    const char* what;
    int mode;
    int entry;
    int track;
    bool instrument;
    int playing;  // scene made to play, -1 none
    int expected;
  } cases[] = {
      {"mode 1: the table's entry", 1, 5, 1, true, -1, 5},
      {"mode 1 without instrument: the entry still", 1, 2, 1, false, -1, 2},
      {"mode 1, entry above 7", 1, 8, 1, true, -1, -1},
      {"mode 1, negative entry", 1, -3, 1, true, -1, -1},
      {"mode 2: the scene the instrument plays", 2, 5, 0, true, 1, 1},
      {"mode 2, nothing playing", 2, 5, 0, true, -1, -1},
      {"mode 2 without instrument", 2, 5, 0, false, -1, -1},
      {"another mode", 3, 5, 1, true, -1, -1},
      {"mode 0", 0, 5, 1, true, -1, -1},
      {"a track above 6", 1, 5, 7, true, -1, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ClipRig clips;
    rig_.services.clips = &clips.core;
    clips.core.editClipMode = c.mode;
    if (c.track < 7) clips.core.editClips[c.track] = c.entry;
    if (!c.instrument) clips.Remove(c.track);
    if (c.playing >= 0) clips.PlayScene(c.track, c.playing);
    appVA_Sequencer& p = Build(c.track);
    log_.Clear();
    rig_.Tick();
    EXPECT_EQ(p.EditClip(), c.expected);
    const std::vector<std::string> changed = LogLines("Track[");
    if (c.expected == -1) {
      EXPECT_TRUE(changed.empty());
    } else {
      EXPECT_EQ(changed, std::vector<std::string>{"Track[" + std::to_string(c.track) + "] Clip scene changed " +
                                                  std::to_string(c.expected)});
    }
    rig_.Build(0, "gone", uxPOINT(0, 40), 800, 440, 0x303030);  // the page goes before its launcher
  }
}

TEST_F(SequencerPage, FollowsTheClipPageOnceAChange) {
  clips_.Clip(2, 0).name = "intro";
  clips_.Clip(2, 1).name = "verse";
  appVA_Sequencer& p = Build(2);
  rig_.Tick();
  EXPECT_STREQ(p.ClipName()->getText(), "intro");
  rig_.Tick();
  clips_.core.editClips[2] = 1;
  rig_.Tick();
  rig_.Tick();
  EXPECT_EQ(LogLines("Track["),
            (std::vector<std::string>{"Track[2] Clip scene changed 0", "Track[2] Clip scene changed 1"}));
  EXPECT_STREQ(p.ClipName()->getText(), "verse");

  // Without an instrument the name stays.
  clips_.Remove(2);
  clips_.core.editClips[2] = 0;
  rig_.Tick();
  EXPECT_EQ(p.EditClip(), 0);
  EXPECT_STREQ(p.ClipName()->getText(), "verse");
}

TEST_F(SequencerPage, SongPositionOfTheLauncher) {
  appVA_Sequencer& p = Build();
  rig_.Paint();
  EXPECT_STREQ(p.Position()->getText(), "1-1,1");  // no edit clip yet: left alone
  rig_.Tick();
  clips_.core.OnClockTick(96 + 2 * 24 + 49 % 24, 1);  // bar 1, beat 2, tick 1 of the beat
  rig_.Paint();
  EXPECT_STREQ(p.Position()->getText(), "2-3,02");
}

// The bank moved by ENTER (E), the fifth encoder right (R) and left (L): the bank after each.
TEST_F(SequencerPage, BanksOfTheEditClip) {
  struct Case {
    int steps;
    const char* moves;
    std::vector<int> banks;
  } cases[] = {
      {8, "EERRLL", {0, 0, 0, 0, 0, 0}},
      {24, "EEEE", {1, 2, 0, 1}},
      {24, "RRRRLLL", {1, 2, 2, 2, 1, 0, 0}},
      {64, "EEEEEEEEE", {1, 2, 3, 4, 5, 6, 7, 0, 1}},
      {64, "RRRRRRRRR", {1, 2, 3, 4, 5, 6, 7, 7, 7}},
      // Counts that are no whole banks, as a file or code may leave them.
      {0, "RELRE", {0, 0, 0, 0, 0}},
      {4, "RERL", {0, 0, 0, 0}},
      // 12 steps: a right turn past the last whole bank lands on it (bank 0), as for 24.
      {12, "RRE", {1, 0, 1}},
      {100, "RRRRRRRRR", {1, 2, 3, 4, 5, 6, 7, 7, 7}},
      {100, "EEEEEEEE", {1, 2, 3, 4, 5, 6, 7, 0}},
      {-5, "RE", {0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.steps) + " " + c.moves);
    SeqStepBank = 0;
    clips_.Clip(0, 0).StepCount = c.steps;
    appVA_Sequencer& p = Build();
    rig_.Tick();
    std::vector<int> banks;
    for (const char* m = c.moves; *m; ++m) {
      if (*m == 'E') Enter();
      if (*m == 'R') Turn(148, msg::kTurnRight);
      if (*m == 'L') Turn(148, msg::kTurnLeft);
      banks.push_back(SeqStepBank);
      for (int i = 0; i < appVA_Sequencer::kStepPages; ++i) ASSERT_EQ(p.StepPage(i)->Bank(), SeqStepBank);
    }
    EXPECT_EQ(banks, c.banks);
  }
}

TEST_F(SequencerPage, BankStaysWithoutClipOrInstrumentOrFocus) {
  clips_.Clip(0, 0).StepCount = 64;
  Build();
  rig_.Tick();
  SeqStepBank = 3;
  rig_.Give(msg::Focus(2));  // the page lost its focus
  Enter();
  Turn(148, msg::kTurnRight);
  EXPECT_EQ(SeqStepBank, 3);
  rig_.Show();
  Turn(147, msg::kTurnRight);  // another encoder
  EXPECT_EQ(SeqStepBank, 3);
  clips_.Remove(0);
  Enter();
  Turn(148, msg::kTurnLeft);
  EXPECT_EQ(SeqStepBank, 3);
  clips_.core.editClipMode = 0;
  rig_.Tick();
  Enter();
  EXPECT_EQ(SeqStepBank, 3);
}

// One bank for every track: another track's page shows it; a values change with a flag other
// than -1 brings it back to 0 on every page that reloads.
TEST_F(SequencerPage, BankSharedByThePages) {
  clips_.Clip(0, 0).StepCount = 64;
  clips_.Clip(1, 0).StepCount = 8;
  PageRig<appVA_Sequencer> other;
  other.services.clips = &clips_.core;
  appVA_Sequencer& b = other.Build(1, " ARP B ", uxPOINT(0, 40), 800, 440, 0x303030);
  other.Show();
  Build();
  rig_.Tick();
  other.Tick();
  Turn(148, msg::kTurnRight);
  Turn(148, msg::kTurnRight);
  EXPECT_EQ(SeqStepBank, 2);
  other.Give(msg::ClipChanged(1));
  EXPECT_EQ(b.StepPage(2)->Bank(), 2);  // beyond its 8 steps until moved back
  EXPECT_STREQ(b.StepPage(2)->Header(0)->GetText(), "17");
  other.Give(msg::ClipChanged(0));  // another track's clip: nothing to reload
  other.Give(msg::ValuesChanged(-1, -1));
  EXPECT_EQ(SeqStepBank, 2);
  other.Give(msg::ValuesChanged(-1, 0));
  EXPECT_EQ(SeqStepBank, 0);
  EXPECT_EQ(b.StepPage(2)->Bank(), 0);
  other.Build(0, "gone", uxPOINT(0, 40), 800, 440, 0x303030);
}

// Controllers reach the encoder labels through the page (the core's fan-out): a long press
// on label A makes it learn the next controller.
TEST_F(SequencerPage, ControllersReachTheLabels) {
  appVA_Sequencer& p = Build();
  ASSERT_EQ(rig_.services.controllerListeners, std::vector<uxBaseElement*>{&p});
  rig_.Give(msg::Touch(100, 450, TYPE_PRESS));
  for (int i = 0; i < 32; ++i) rig_.Tick();
  rig_.services.Take();
  EXPECT_EQ(p.OnMidiCC(0, 0, 21, 64), 1);
  EXPECT_EQ(rig_.services.Take(), std::vector<std::string>{"SetCCAssignment 21 F2"});
  rig_.Build(1, "other", uxPOINT(0, 40), 800, 440, 0x303030);
  EXPECT_EQ(rig_.services.controllerListeners, std::vector<uxBaseElement*>{&rig_.page()});
}

// The GUI tick of a page whose clip plays on: the playing step's header and the song position
// move, and nothing is allocated for it.
TEST_F(SequencerPage, TickAllocatesNothing) {
  Build();
  for (int tab : {0, 3, 5}) {
    SCOPED_TRACE(tab);
    page().Tabs()->setActiveTab(tab);
    rig_.Show();
    rig_.Tick();
    rig_.Tick();
    testing_support::AllocGuard guard;
    for (int step = 0; step < 20; ++step) {
      clips_.Clip(0, 0).position = step;
      clips_.core.OnClockTick(step * 6, 1);
      rig_.Tick();
    }
    EXPECT_EQ(guard.Count(), 0u);
  }
}

}  // namespace
