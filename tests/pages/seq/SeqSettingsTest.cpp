// The settings tab of the sequencer page: the five lists and the three encoders writing the
// edit clip and the launcher's tempo, and what it shows again when the clip changes.
#include <gtest/gtest.h>

#include <string>

#include "pages/seq/appVA_SeqSettings.h"
#include "pages/seq/appVA_Sequencer.h"
#include "tests/app/PageFixtures.h"
#include "tests/app/PageMessages.h"
#include "tests/app/PageRig.h"
#include "tests/support/LogCapture.h"
#include "tests/toolkit/support/ScreenImages.h"
#include "toolkit/uxTableCtrl.h"
#include "toolkit/uxValueLabel.h"

namespace {

using page_rig::ClipRig;
using Table = appVA_SeqSettings::Table;
namespace msg = page_msg;

constexpr int kX[] = {15, 115, 275, 435, 595};

class SeqSettings : public ::testing::Test {
 protected:
  void SetUp() override {
    SeqStepBank = 0;
    ClipRig::MakeClipsFolder(images_.root);
    rig_.services.clips = &clips_.core;
  }
  appVA_SeqSettings& Build(int track = 0) {
    rig_.Build(track, " ARP ", uxPOINT(0, 40), 800, 440, 0x303030);
    rig_.Show();
    rig_.Tick();  // the first tick finds the edit clip and loads the tabs
    return *rig_.page().Settings();
  }
  ClipData& clip(int track = 0) { return clips_.Clip(track, 0); }
  // A touch on row `row` of a list, then the table's report from the GUI queue.
  void Choose(Table t, int row) {
    rig_.Touch(kX[t] + 20, 170 + 35 * row + 17);
    rig_.Flush();
  }
  int Selected(Table t) { return rig_.page().Settings()->TableOf(t)->getSelection(); }
  void Turn(int encoder, int code = msg::kTurnRight) {
    rig_.Encoder(static_cast<uint16_t>(encoder), static_cast<uint8_t>(code));
  }

  page_rig::ImageRoot images_;
  testing_support::LogCapture log_;
  ClipRig clips_;
  page_rig::PageRig<appVA_Sequencer> rig_;
};

TEST_F(SeqSettings, ListsShowAndWriteTheClip) {
  clip().StepCount = 16;
  clip().KeySubstitute = 2;
  clip().OrderAlgo = 3;
  clip().RestartMode = 1;
  clip().Factor = 12;
  Build();
  EXPECT_EQ(Selected(Table::kSteps), 1);
  EXPECT_EQ(Selected(Table::kSubstitute), 2);
  EXPECT_EQ(Selected(Table::kOrder), 3);
  EXPECT_EQ(Selected(Table::kRestart), 1);
  EXPECT_EQ(Selected(Table::kFactor), 3);

  // "24" stores 24 and stores the other four lists again, over what changed meanwhile.
  clip().OrderAlgo = 0;
  clip().Factor = 48;
  Choose(Table::kSteps, 2);
  EXPECT_EQ(clip().StepCount, 24);
  EXPECT_EQ(clip().KeySubstitute, 2);
  EXPECT_EQ(clip().OrderAlgo, 3);
  EXPECT_EQ(clip().RestartMode, 1);
  EXPECT_EQ(clip().Factor, 12);

  struct Case {
    Table table;
    int row;
    int32_t ClipData::*field;
    int32_t stored;
  } cases[] = {
      {Table::kSteps, 0, &ClipData::StepCount, 8},       {Table::kSteps, 5, &ClipData::StepCount, 64},
      {Table::kSubstitute, 6, &ClipData::KeySubstitute, 6}, {Table::kOrder, 1, &ClipData::OrderAlgo, 1},
      {Table::kRestart, 0, &ClipData::RestartMode, 0},   {Table::kFactor, 0, &ClipData::Factor, 96},
      {Table::kFactor, 5, &ClipData::Factor, 3},         {Table::kFactor, 4, &ClipData::Factor, 6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.table) + "/" + std::to_string(c.row));
    Choose(c.table, c.row);
    EXPECT_EQ(clip().*c.field, c.stored);
    EXPECT_EQ(Selected(c.table), c.row);
  }
}

// A value no row stands for leaves its list; a list without a chosen row leaves its field
// (rather than storing -1, which playback has no meaning for).
TEST_F(SeqSettings, ValuesOutsideTheListsAndListsWithoutChoice) {
  clip().Factor = 12;
  clip().StepCount = 32;
  appVA_SeqSettings& s = Build();
  EXPECT_EQ(Selected(Table::kFactor), 3);
  const int substitute = Selected(Table::kSubstitute);
  clip().Factor = 5;
  clip().StepCount = 20;
  clip().KeySubstitute = 9;
  rig_.Give(msg::ValuesChanged());
  EXPECT_EQ(Selected(Table::kFactor), 3);
  EXPECT_EQ(Selected(Table::kSteps), 3);
  EXPECT_EQ(Selected(Table::kSubstitute), substitute);

  // A report without a table (one posted by another page) is no choice of these lists.
  clip().StepCount = 48;
  rig_.Give(msg::TableChoice(nullptr, 2));
  EXPECT_EQ(clip().StepCount, 48);
  clip().StepCount = 32;

  s.TableOf(Table::kOrder)->selectRow(-1);
  clip().OrderAlgo = 2;
  Choose(Table::kRestart, 1);
  EXPECT_EQ(clip().OrderAlgo, 2);
  EXPECT_EQ(clip().RestartMode, 1);
  EXPECT_EQ(clip().StepCount, 32);  // the list still shows 32
}

TEST_F(SeqSettings, EncodersWriteModeGateAndTempo) {
  clip().GateWidth = 50.0f;
  Build();
  appVA_Sequencer& p = rig_.page();
  EXPECT_STREQ(p.Label(2)->getLabelText(), " GATE ");
  EXPECT_STREQ(p.Label(3)->getLabelText(), " TEMPO ");
  EXPECT_EQ(p.Label(2)->GetFloatValue(), 50.0f);
  EXPECT_EQ(p.Label(3)->GetFloatValue(), 120.0f);

  log_.Clear();
  while (p.Label(0)->GetFloatValue() < 4.0f) Turn(144);
  EXPECT_STREQ(p.Label(0)->getText(), "LIVE_SEQ");
  EXPECT_EQ(clip().OpMode, 4);
  EXPECT_NE(log_.Text().find("VALUE: 4.000000\n"), std::string::npos);

  Turn(146);
  Turn(146);
  EXPECT_EQ(clip().GateWidth, 52.0f);
  Turn(147, msg::kTurnLeft);
  EXPECT_EQ(clips_.core.Master().bpm.load(), 119);
  EXPECT_EQ(clip().OpMode, 4);

  // The tempo is the launcher's: it changes without an instrument on the track too.
  clips_.Remove(0);
  Turn(147);
  Turn(147);
  EXPECT_EQ(clips_.core.Master().bpm.load(), 121);
  rig_.Give(msg::ValuesChanged());
  EXPECT_STREQ(p.Label(0)->getText(), "LIVE_SEQ");
}

TEST_F(SeqSettings, NoInstrumentOnTheTrack) {
  clip(2).Factor = 24;
  Build(2);
  appVA_Sequencer& p = rig_.page();
  const float gate = p.Label(2)->GetFloatValue();
  clips_.Remove(2);
  log_.Clear();
  rig_.Give(msg::ValuesChanged());
  EXPECT_NE(log_.Text().find("[Sequencer] Error >updateParam> on Track:2, Clip:0\n"), std::string::npos);
  EXPECT_EQ(Selected(Table::kFactor), 2);
  EXPECT_EQ(p.Label(2)->GetFloatValue(), gate);

  const int32_t otherFactor = clip(0).Factor;
  Choose(Table::kFactor, 5);  // nothing to store into, and no other track's clip touched
  EXPECT_EQ(clip(0).Factor, otherFactor);
}

}  // namespace

namespace {

TEST_F(SeqSettings, GoldenSettingsTab) {
  clip().StepCount = 32;
  clip().KeySubstitute = 4;
  clip().OrderAlgo = 2;
  clip().RestartMode = 1;
  clip().Factor = 6;
  clip().GateWidth = 75.0f;
  clip().name = "riff";
  Build();
  rig_.Show();
  rig_.Tick(false);
  EXPECT_TRUE(toolkit_test::MatchesGolden(SYNTH_PAGES_SEQ_GOLDEN_DIR, "seq_settings", rig_.Screen()));
}

}  // namespace
