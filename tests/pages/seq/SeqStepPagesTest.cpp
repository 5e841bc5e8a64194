// The eight step tabs of the sequencer page: the row chosen in a column to the byte stored in
// that step, the stored byte to the row marked, the bank's step numbers, the playing step's
// header, and the clip set file carrying the edits.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "pages/seq/appVA_SeqStep.h"
#include "pages/seq/appVA_Sequencer.h"
#include "tests/app/PageFixtures.h"
#include "tests/app/PageMessages.h"
#include "tests/app/PageRig.h"
#include "tests/support/LogCapture.h"
#include "tests/toolkit/support/ScreenImages.h"
#include "toolkit/uxButton.h"
#include "toolkit/uxTabCtrl.h"
#include "toolkit/uxTableCtrl.h"

namespace {

using page_rig::ClipRig;
namespace msg = page_msg;

enum Tab { kAssign = 1, kMode, kSemi, kOctave, kVelocity, kCVA, kCVB, kCVC };

int Byte(const ArpStep& s, Tab tab) {
  switch (tab) {
    case kAssign: return s.Key;
    case kMode: return s.Mode;
    case kSemi: return s.Semitone;
    case kOctave: return s.Octave;
    case kVelocity: return s.Velocity;
    case kCVA: return s.CVA;
    case kCVB: return s.CVB;
    case kCVC: return s.CVC;
  }
  return -1;
}
void SetByte(ArpStep& s, Tab tab, int v) {
  const auto b = static_cast<uint8_t>(v);
  switch (tab) {
    case kAssign: s.Key = b; break;
    case kMode: s.Mode = b; break;
    case kSemi: s.Semitone = b; break;
    case kOctave: s.Octave = static_cast<int8_t>(v); break;
    case kVelocity: s.Velocity = b; break;
    case kCVA: s.CVA = b; break;
    case kCVB: s.CVB = b; break;
    case kCVC: s.CVC = b; break;
  }
}

class SeqStepPages : public ::testing::Test {
 protected:
  void SetUp() override {
    SeqStepBank = 0;
    ClipRig::MakeClipsFolder(images_.root);
    rig_.services.clips = &clips_.core;
    clips_.Clip(0, 0).StepCount = 64;
    rig_.Build(0, " ARP A ", uxPOINT(0, 40), 800, 440, 0x303030);
    rig_.Show();
    rig_.Tick();
  }
  appVA_Sequencer& page() { return rig_.page(); }
  appVA_SeqStep& Open(Tab tab) {
    page().Tabs()->setActiveTab(tab);
    rig_.Show();
    return *page().StepPage(tab - 1);
  }
  void ToBank(int bank) {
    SeqStepBank = bank;
    rig_.Give(msg::ClipChanged(0));
  }
  ClipData& clip() { return clips_.Clip(0, 0); }

  page_rig::ImageRoot images_;
  testing_support::LogCapture log_;
  ClipRig clips_;
  page_rig::PageRig<appVA_Sequencer> rig_;
};

// Row r of column i of bank b stores into step 8b + i; a stored byte marks its row again; a
// byte no row stands for marks none.
TEST_F(SeqStepPages, RowsToBytesAndBytesToRows) {
  struct Case {
    Tab tab;
    int rows;
    std::vector<std::pair<int, int>> rowToByte;
    std::vector<std::pair<int, int>> byteToRow;  // row -1: none marked
  } cases[] = {
      {kAssign, 7, {{1, 0}, {2, 1}, {6, 5}, {7, 6}}, {{0, 1}, {6, 7}, {7, -1}, {255, -1}}},
      {kMode, 4, {{1, 0}, {4, 3}}, {{0, 1}, {3, 4}, {4, -1}}},
      {kSemi, 12, {{1, 11}, {12, 0}, {3, 9}}, {{11, 1}, {0, 12}, {12, -1}, {200, -1}}},
      {kOctave, 9, {{3, -2}, {1, -4}, {5, 0}, {9, 4}}, {{-2, 3}, {-4, 1}, {4, 9}, {5, -1}, {-5, -1}}},
      {kVelocity, 32, {{1, 124}, {32, 0}, {2, 120}}, {{124, 1}, {0, 32}, {127, 1}, {128, -1}, {255, -1}}},
      {kCVA, 32, {{1, 0}, {32, 124}}, {{0, 1}, {124, 32}, {125, 32}, {127, 32}, {128, -1}}},
      {kCVB, 32, {{1, 0}, {32, 124}}, {{4, 2}, {125, 32}, {200, -1}}},
      {kCVC, 32, {{1, 0}, {32, 124}}, {{8, 3}, {127, 32}, {128, -1}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("tab " + std::to_string(c.tab));
    appVA_SeqStep& p = Open(c.tab);
    ToBank(5);
    ASSERT_EQ(p.Column(3)->getRowCount(), c.rows + 1);
    for (auto [row, byte] : c.rowToByte) {
      rig_.Give(msg::TableChoice(p.Column(3), row));
      EXPECT_EQ(Byte(clip().steps[43], c.tab), byte) << "row " << row;
    }
    for (auto [byte, row] : c.byteToRow) {
      SetByte(clip().steps[41], c.tab, byte);
      p.Column(1)->deselectRow();
      ToBank(5);
      EXPECT_EQ(p.Column(1)->getSelection(), row) << "byte " << byte;
    }
    // The header is no choice, and a report without a table or from another page's table
    // writes nothing.
    const ClipData before = clip();
    rig_.Give(msg::TableChoice(p.Column(3), 0));
    rig_.Give(msg::TableChoice(p.Column(3), c.rows + 1));
    rig_.Give(msg::TableChoice(nullptr, 1));
    rig_.Give(msg::TableChoice(page().StepPage(c.tab == kAssign ? 1 : 0)->Column(3), 1));
    EXPECT_EQ(std::memcmp(before.steps, clip().steps, sizeof before.steps), 0);
  }
}

TEST_F(SeqStepPages, TouchesInTheSemitoneAndOctaveColumns) {
  appVA_SeqStep& semi = Open(kSemi);
  ToBank(2);
  const char* headers[] = {"17", "18", "19", "20", "21", "22", "23", "24"};
  for (int i = 0; i < 8; ++i) EXPECT_STREQ(semi.Header(i)->GetText(), headers[i]);
  rig_.Touch(15 + 97 * 2 + 40, 130 + 34 + 10);  // "H" of the third column
  rig_.Flush();
  EXPECT_EQ(clip().steps[18].Semitone, 11);

  appVA_SeqStep& octave = Open(kOctave);
  EXPECT_EQ(octave.Bank(), 2);
  rig_.Touch(15 + 40, 130 + 34 + 2 * 24 + 12);  // the row captioned "2"
  rig_.Flush();
  EXPECT_EQ(clip().steps[16].Octave, -2);
}

TEST_F(SeqStepPages, VelocityReportsTheBankAfterEveryChoice) {
  appVA_SeqStep& p = Open(kVelocity);
  ToBank(3);
  rig_.services.Take();
  rig_.Give(msg::TableChoice(p.Column(0), 1));
  clips_.Remove(0);
  rig_.Give(msg::TableChoice(p.Column(0), 2));  // nothing stored, still reported
  std::vector<std::string> reports;
  for (const std::string& call : rig_.services.Take())
    if (call.rfind("SetParamById", 0) == 0) reports.push_back(call);
  EXPECT_EQ(reports, (std::vector<std::string>{"SetParamById F8 3", "SetParamById F8 3"}));

  // Track 2's page reports under its own part bits.
  ClipRig::MakeClipsFolder(images_.root);
  rig_.Build(2, " ARP C ", uxPOINT(0, 40), 800, 440, 0x303030);
  rig_.page().Tabs()->setActiveTab(kVelocity);
  rig_.Show();
  rig_.Tick();  // the first tick shows the bank all tracks share
  rig_.services.Take();
  rig_.Give(msg::TableChoice(rig_.page().StepPage(kVelocity - 1)->Column(0), 1));
  EXPECT_EQ(rig_.services.Take(), std::vector<std::string>{"SetParamById 20F8 3"});
}

// No edit clip (an entry outside 0..7, another mode) or no instrument: a choice stores
// nothing anywhere and the columns keep what they show.
TEST_F(SeqStepPages, NothingStoredWithoutEditClipOrInstrument) {
  appVA_SeqStep& p = Open(kSemi);
  auto steps = [&] {
    std::vector<uint8_t> all;
    for (int t = 0; t < 7; ++t)
      if (CInstrumentSeq* s = clips_.Seq(t))
        for (int c = 0; c < 8; ++c) {
          const auto* b = reinterpret_cast<const uint8_t*>(s->Clip(c).steps);
          all.insert(all.end(), b, b + sizeof s->Clip(c).steps);
        }
    return all;
  };
  const std::vector<uint8_t> before = steps();
  for (int entry : {8, -1, 100}) {
    clips_.core.editClips[0] = entry;
    rig_.Tick();
    rig_.Give(msg::TableChoice(p.Column(0), 1));
  }
  clips_.core.editClips[0] = 0;
  clips_.core.editClipMode = 7;
  rig_.Give(msg::TableChoice(p.Column(0), 1));
  EXPECT_EQ(steps(), before);
  clips_.core.editClipMode = 1;
  rig_.Tick();
  p.Column(0)->selectRow(5);
  clips_.Remove(0);
  rig_.Give(msg::TableChoice(p.Column(0), 5));
  rig_.Give(msg::ClipChanged(0));
  EXPECT_EQ(p.Column(0)->getSelection(), 5);  // nothing read over what the column shows
  EXPECT_STREQ(p.Header(0)->GetText(), "01");
}

TEST_F(SeqStepPages, HeaderOfThePlayingStep) {
  appVA_SeqStep& p = Open(kCVA);
  auto lit = [&] {
    std::vector<int> out;
    for (int i = 0; i < 8; ++i)
      if (p.Header(i)->isChecked()) out.push_back(i);
    return out;
  };
  struct Step {
    int bank;
    int playing;
    std::vector<int> lit;
  } steps[] = {
      {0, 3, {3}}, {0, 7, {7}}, {0, 8, {}},  // leaving bank 0 from its last column
      {1, 9, {1}}, {1, 15, {7}}, {1, 0, {}},  // round to step 0: the last column cleared
      {1, 1, {}},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(std::to_string(s.bank) + "/" + std::to_string(s.playing));
    if (p.Bank() != s.bank) ToBank(s.bank);
    clip().position = s.playing;
    rig_.Tick();
    EXPECT_EQ(lit(), s.lit);
  }
  // The assign page keeps its lit header when a bank is shown again.
  appVA_SeqStep& assign = Open(kAssign);
  clip().position = 12;
  rig_.Tick();
  ASSERT_TRUE(assign.Header(4)->isChecked());
  rig_.Give(msg::ClipChanged(0));
  EXPECT_TRUE(assign.Header(4)->isChecked());
}

// Every step of a 64-step clip is reachable through the banks, and nothing past step 63 is
// touched whatever the clip's count says.
TEST_F(SeqStepPages, BanksReachEveryStepAndNoMore) {
  appVA_SeqStep& p = Open(kMode);
  clip().StepCount = 100;
  for (int b = 0; b < 10; ++b) {
    rig_.Give(tagUX_Message(UX_MSG_ENCODER_EVENT, 148, msg::kTurnRight));
    for (int i = 0; i < 8; ++i) rig_.Give(msg::TableChoice(p.Column(i), 4));
  }
  EXPECT_EQ(p.Bank(), 7);
  int legato = 0;
  for (const ArpStep& s : clip().steps) legato += s.Mode == 3;
  EXPECT_EQ(legato, 56);  // banks 1..7
  EXPECT_STREQ(p.Header(7)->GetText(), "64");
}

TEST_F(SeqStepPages, StoredClipSetHoldsTheEdits) {
  Open(kSemi);
  rig_.Give(msg::TableChoice(page().StepPage(kSemi - 1)->Column(2), 1));
  Open(kVelocity);
  rig_.Give(msg::TableChoice(page().StepPage(kVelocity - 1)->Column(2), 2));
  Open(kOctave);
  rig_.Give(msg::TableChoice(page().StepPage(kOctave - 1)->Column(2), 8));
  page().Tabs()->setActiveTab(0);
  rig_.Show();
  rig_.Touch(15 + 20, 170 + 35 * 2 + 17);  // STEPS "24"
  rig_.Flush();
  const std::string text = clips_.StoreText("edited");
  EXPECT_NE(text.find("<ASTEP Pos=\"2\" Key=\"5\" Mode=\"1\" Octave=\"3\" Semitone=\"11\" Velocity=\"120\""),
            std::string::npos)
      << text.substr(0, 1200);
  EXPECT_NE(text.find("StepCount=\"24\""), std::string::npos);

  ClipRig again;
  EXPECT_GT(again.core.XMLLoadClipLauncher("edited"), 0);
  EXPECT_EQ(again.Clip(0, 0).steps[2].Semitone, 11);
  EXPECT_EQ(again.Clip(0, 0).steps[2].Octave, 3);
  EXPECT_EQ(again.Clip(0, 0).StepCount, 24);
}

TEST_F(SeqStepPages, GoldenSemitoneBankTwo) {
  for (int i = 0; i < 8; ++i) clip().steps[16 + i].Semitone = static_cast<uint8_t>(i * 3 % 12);
  Open(kSemi);
  ToBank(2);
  clip().position = 20;
  rig_.Tick();
  rig_.Show();  // everything drawn again, as when the tab is chosen
  rig_.Tick(false);
  EXPECT_TRUE(toolkit_test::MatchesGolden(SYNTH_PAGES_SEQ_GOLDEN_DIR, "seq_semitone_bank2", rig_.Screen()));
}

TEST_F(SeqStepPages, GoldenVelocity) {
  for (int i = 0; i < 8; ++i) clip().steps[i].Velocity = static_cast<uint8_t>(i * 16);
  Open(kVelocity);
  ToBank(0);
  rig_.Show();
  rig_.Tick(false);
  EXPECT_TRUE(toolkit_test::MatchesGolden(SYNTH_PAGES_SEQ_GOLDEN_DIR, "seq_velocity", rig_.Screen()));
}

}  // namespace
