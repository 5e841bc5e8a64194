// The drum grid over the drum track's edit clip: paging, touching cells, the row actions and
// what it leaves alone without a clip.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "midi/CClipCore.h"
#include "midi/CInstrumentSeq.h"
#include "midi/FakeRawMidiBackend.h"
#include "pages/drum/appVA_DrumGrid.h"
#include "tests/support/TestPaths.h"
#include "tests/toolkit/support/ScreenImages.h"
#include "tests/toolkit/support/WidgetFixture.h"
#include "toolkit/uxButton.h"
#include "toolkit/uxValueLabel.h"

namespace {

using QuietTrackServices = SilentTrackServices;

class DrumGridTest : public toolkit_test::WidgetTest {
 protected:
  void SetUp() override {
    WidgetTest::SetUp();
    core_ = std::make_unique<CClipCore>(services_, backend_);
    grid_ = std::make_unique<appVA_DrumGrid>(&host_, 0, "GRID", uxPOINT{0, 80}, 800, 400, 0x303030, core_.get());
  }
  ClipData& Clip(int clip = 0) {
    return static_cast<CInstrumentSeq*>(core_->Master().Track(appVA_DrumGrid::kDrumTrack))->Clip(clip);
  }
  void Send(uint32_t type, int param = 0, int flag = 0, void* data = nullptr) {
    tagUX_Message m(static_cast<int>(type), param, flag);
    m.pData = data;
    grid_->OnMessage(&m);
  }
  void Touch(int row, int column) { Send(UX_MSG_TABLE_ITEM_SEL, row, 0, grid_->StepTable(column)); }
  void Turn(uxValueLabel* label, float v, int encoder, int flag = 0) {
    label->SetFloatValue(v, 0);
    Send(UX_MSG_ENCODER_VALUE_CHANGED, encoder, flag);
  }
  void Take(int steps) {
    Clip().StepCount = steps;
    Send(UX_MSG_TICK_EVENT);
    ASSERT_EQ(grid_->Clip(), 0);
  }

  QuietTrackServices services_;
  FakeRawMidiBackend backend_;
  std::unique_ptr<CClipCore> core_;
  std::unique_ptr<appVA_DrumGrid> grid_;
};

TEST_F(DrumGridTest, PagingKeepsInsideTheClip) {
  struct Case {
    int steps, startPage, flag, page;
  } cases[] = {
      {16, 0, 130, 0}, {16, 0, 131, 0}, {64, 2, 130, 3}, {64, 3, 130, 3}, {32, 0, 130, 1},
      {0, 0, 130, 0},  {8, 0, 130, 0},  {40, 2, 130, 2}, {40, 0, 130, 1},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.steps * 100 + k.startPage * 10 + (k.flag - 130));
    Take(64);
    for (int i = 0; i < 4; ++i) Send(UX_MSG_ENCODER_EVENT, 148, 131);
    for (int i = 0; i < k.startPage; ++i) Send(UX_MSG_ENCODER_EVENT, 148, 130);
    Clip().StepCount = k.steps;
    Send(UX_MSG_ENCODER_EVENT, 148, k.flag);
    EXPECT_EQ(grid_->Page(), k.page);
  }
}

TEST_F(DrumGridTest, ShorteningTheClipBringsThePageBack) {
  Take(64);
  for (int i = 0; i < 3; ++i) Send(UX_MSG_ENCODER_EVENT, 148, 130);
  ASSERT_EQ(grid_->Page(), 3);
  Turn(grid_->Steps(), 1.0f, 3);
  EXPECT_EQ(Clip().StepCount, 32);
  EXPECT_EQ(grid_->Page(), 1);
}

TEST_F(DrumGridTest, TouchingCellsSetsAndClearsHits) {
  Take(16);
  log_.Clear();
  Touch(1, 2);
  const Trigger& kick = Clip().rows[2].triggers[0];
  EXPECT_EQ(kick.Fire, 1);
  EXPECT_EQ(kick.Note, 0);
  EXPECT_EQ(kick.Accent, 90);
  EXPECT_STREQ(grid_->Cell(1, 2)->GetText(), "k");
  EXPECT_EQ(log_.Text(), "[GRID] takeover (1:2) \n");

  Touch(6, 4);  // a PERC cell: SEL offers the row's four instruments
  EXPECT_STREQ(grid_->SelLabel()->getEnumText(3), "mi");
  grid_->SelLabel()->SetFloatValue(3.0f, 0);
  Touch(6, 5);
  EXPECT_EQ(Clip().rows[5].triggers[5].Note, 13);
  EXPECT_STREQ(grid_->Cell(6, 5)->GetText(), "mi");

  Touch(1, 2);
  EXPECT_EQ(kick.Fire, 0);
  EXPECT_EQ(kick.Accent, 0);
  Touch(1, 2);
  EXPECT_EQ(kick.Fire, 1);
  EXPECT_EQ(kick.Accent, 90);
  Turn(grid_->AccentLabel(), 40.0f, 2);
  EXPECT_EQ(kick.Accent, 40);
}

TEST_F(DrumGridTest, ASelChoiceTheRowDoesNotOfferLeavesTheInstrument) {
  Take(16);
  Touch(6, 0);  // PERC: SEL offers four
  grid_->SelLabel()->SetFloatValue(3.0f, 0);
  Trigger& snare = Clip().rows[1].triggers[1];
  snare.Note = 2;
  Touch(2, 1);  // SNARE offers two: choice 3 is none
  EXPECT_EQ(snare.Fire, 1);
  EXPECT_EQ(snare.Note, 2);
  Turn(grid_->SelLabel(), 3.0f, 1);
  EXPECT_EQ(snare.Note, 2);
  Turn(grid_->SelLabel(), 0.0f, 1);
  EXPECT_EQ(snare.Note, 1);
}

TEST_F(DrumGridTest, ShortClipsKeepPageAndEditsInsideTheirSteps) {
  for (int steps : {0, 8, 40}) {
    SCOPED_TRACE(steps);
    Take(64);
    for (int i = 0; i < 3; ++i) Send(UX_MSG_ENCODER_EVENT, 148, 130);
    Clip().StepCount = steps;
    Send(APP_MSG_CLIP_CHANGED);
    const int last = steps > 0 ? (steps + 15) / 16 - 1 : 0;
    EXPECT_EQ(grid_->Page(), last);
    for (TriggerRow& row : Clip().rows)
      for (Trigger& t : row.triggers) t = Trigger{};
    Send(UX_MSG_ENCODER_EVENT, 147, 132);  // copies blank steps, none past the clip
    for (int column = 0; column < 16; ++column) Touch(1, column);
    for (int s = 0; s < 64; ++s) EXPECT_EQ(Clip().rows[s].triggers[0].Fire, s >= last * 16 && s < steps) << s;
  }
}

TEST_F(DrumGridTest, RowActionsClearAndMuteCheckedRows) {
  Take(64);
  for (int s = 0; s < 64; ++s)
    for (int r = 0; r < 6; ++r) Clip().rows[s].triggers[r].Fire = 1;
  for (int r = 1; r < 7; ++r) grid_->RowButton(r)->SetChecked(r == 2 || r == 4, false);
  Turn(grid_->Action(), 0.0f, 0, 0);  // not the push
  EXPECT_EQ(Clip().rows[63].triggers[1].Fire, 1);
  Turn(grid_->Action(), 0.0f, 0, 132);
  for (int s = 0; s < 64; ++s) {
    EXPECT_EQ(Clip().rows[s].triggers[1].Fire, 0);
    EXPECT_EQ(Clip().rows[s].triggers[3].Fire, 0);
    EXPECT_EQ(Clip().rows[s].triggers[0].Fire, 1);
  }

  Clip().rows[0].triggers[3].hold = 0;
  Turn(grid_->Action(), 1.0f, 0, 132);
  EXPECT_EQ(Clip().rows[40].triggers[1].hold, 1);
  EXPECT_EQ(Clip().rows[40].triggers[3].hold, 1);
  EXPECT_EQ(Clip().rows[40].triggers[0].hold, 0);
  EXPECT_EQ(grid_->Cell(2, 0)->GetColor(ButtonBackgroundColor), appVA_DrumGrid::kMutedColour);
  Turn(grid_->Action(), 1.0f, 0, 132);
  EXPECT_EQ(Clip().rows[40].triggers[1].hold, 0);
  EXPECT_EQ(grid_->Cell(2, 0)->GetColor(ButtonBackgroundColor), appVA_DrumGrid::kOpenColour);

  // No row checked: nothing changes.
  for (int r = 1; r < 7; ++r) grid_->RowButton(r)->SetChecked(false, false);
  Turn(grid_->Action(), 0.0f, 0, 132);
  EXPECT_EQ(Clip().rows[5].triggers[0].Fire, 1);
}

TEST_F(DrumGridTest, CopyTakesThePreviousPage) {
  Take(32);
  Clip().rows[3].triggers[4] = Trigger{1, 0, 77, 8, 0.5f, 0.0f};
  Send(UX_MSG_ENCODER_EVENT, 148, 130);
  Send(UX_MSG_ENCODER_EVENT, 147, 132);
  EXPECT_EQ(Clip().rows[19].triggers[4].Accent, 77);
  EXPECT_EQ(Clip().rows[19].triggers[4].Note, 8);
}

TEST_F(DrumGridTest, WithoutADrumClipNoClipByteChanges) {
  core_->editClipMode = 0;
  Send(UX_MSG_TICK_EVENT);
  ASSERT_EQ(grid_->Clip(), -1);
  std::vector<unsigned char> before(reinterpret_cast<unsigned char*>(Clip().rows),
                                    reinterpret_cast<unsigned char*>(Clip().rows) + sizeof Clip().rows);
  const int steps = Clip().StepCount;
  Touch(1, 0);
  Turn(grid_->Action(), 0.0f, 0, 132);
  Turn(grid_->Steps(), 0.0f, 3);
  Send(UX_MSG_ENCODER_EVENT, 147, 132);
  EXPECT_EQ(0, std::memcmp(before.data(), Clip().rows, sizeof Clip().rows));
  EXPECT_EQ(Clip().StepCount, steps);
}

TEST_F(DrumGridTest, EditsSurviveAClipSetStoreAndLoad) {
  testing_support::TempDataRoot root;
  root.MakeDir("/var/lib/ruv/working/clips/");
  Take(64);
  Turn(grid_->Steps(), 1.0f, 3);  // 32 steps
  Touch(1, 0);
  Turn(grid_->AccentLabel(), 55.0f, 2);
  Touch(6, 1);
  grid_->SelLabel()->SetFloatValue(2.0f, 0);
  Touch(6, 3);
  // A trigger's mute is not part of the clip-set file, so it is not compared.
  const ClipData edited = Clip();
  ASSERT_EQ(core_->XMLStoreClipLauncher("grid"), 1);

  Clip().StepCount = 16;
  for (TriggerRow& row : Clip().rows)
    for (Trigger& t : row.triggers) t = Trigger{};
  ASSERT_GT(core_->XMLLoadClipLauncher("grid"), 0);
  const ClipData& loaded = Clip();
  EXPECT_EQ(loaded.StepCount, 32);
  for (int s = 0; s < 32; ++s)
    for (int r = 0; r < 6; ++r) {
      SCOPED_TRACE(s * 10 + r);
      const Trigger& a = edited.rows[s].triggers[r];
      const Trigger& b = loaded.rows[s].triggers[r];
      EXPECT_EQ(b.Fire, a.Fire);
      EXPECT_EQ(b.Note, a.Note);
      if (a.Fire) {
        EXPECT_EQ(b.Accent, a.Accent);
      }
    }
  EXPECT_EQ(loaded.rows[0].triggers[0].Accent, 55);
  EXPECT_EQ(loaded.rows[3].triggers[5].Note, 12);
}

TEST_F(DrumGridTest, GoldenPictureOfAPattern) {
  Take(32);
  ClipData& c = Clip();
  c.name = "Beat";
  for (int s = 0; s < 16; s += 4) c.rows[s].triggers[0] = Trigger{1, 0, 100, 0, 0.0f, 0.0f};
  for (int s = 4; s < 16; s += 8) c.rows[s].triggers[1] = Trigger{1, 0, 90, 2, 0.0f, 0.0f};
  for (int s = 2; s < 16; s += 2) c.rows[s].triggers[2] = Trigger{1, 0, 70, 3, 0.0f, 0.0f};
  c.rows[14].triggers[2].Note = 4;
  for (int s = 0; s < 16; ++s) c.rows[s].triggers[5].hold = 1;
  c.rows[7].triggers[5] = Trigger{1, 1, 80, 13, 0.0f, 0.0f};
  c.position = 6;
  Send(APP_MSG_CLIP_CHANGED);
  grid_->OnPaint();
  EXPECT_TRUE(toolkit_test::MatchesGolden(SYNTH_PAGES_DRUM_GOLDEN_DIR, "drum_grid",
                                          toolkit_test::Snapshot(dc_, toolkit_test::Source::Screen, 0, 80, 800, 400)));
}

}  // namespace
