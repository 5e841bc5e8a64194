// The MIDI track page and its GRID and SETTINGS tabs over a clip launcher whose track 0
// holds a sequence instrument: what the labels show, what turning LOOP and TEMPO writes, the
// grid the roll gets and the controller list.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "midi/CClipCore.h"
#include "midi/CInstrumentSeq.h"
#include "midi/FakeRawMidiBackend.h"
#include "pages/midi/appVA_MidiTrackGrid.h"
#include "pages/midi/appVA_MidiTrackSeq.h"
#include "pages/midi/appVA_MidiTrackSettings.h"
#include "pages/widgets/uxPianoRoll.h"
#include "tests/support/TestPaths.h"
#include "tests/toolkit/support/ScreenImages.h"
#include "tests/toolkit/support/WidgetFixture.h"
#include "toolkit/uxButton.h"
#include "toolkit/uxLabel.h"
#include "toolkit/uxTableCtrl.h"
#include "toolkit/uxTableRow.h"
#include "toolkit/uxValueLabel.h"

namespace {

using QuietTrackServices = SilentTrackServices;

class PlainInstrument : public CInstrument {
 public:
  using CInstrument::CInstrument;
  int IsSequence() override { return 0; }
  int OnNoteInput(int, int, int, int) override { return 0; }
};

constexpr int kTrack = 0;

class MidiTrackSeqTest : public toolkit_test::WidgetTest {
 protected:
  void SetUp() override {
    WidgetTest::SetUp();
    root_.MakeDir("/var/lib/ruv/working/midifiles");
    core_ = std::make_unique<CClipCore>(services_, backend_);
    page_ = std::make_unique<appVA_MidiTrackSeq>(&host_, core_.get(), kTrack, " SEQ A ", uxPOINT{0, 40}, 800, 440,
                                                 0x303030);
    page_->SetFocus(true);
  }
  ClipData& Clip(int clip = 0) { return static_cast<CInstrumentSeq*>(core_->Master().Track(kTrack))->Clip(clip); }
  void Send(uint32_t type, int param = 0, int flag = 0) {
    tagUX_Message m(static_cast<int>(type), param, flag);
    page_->OnMessage(&m);
  }
  void SendTo(uxBaseElement* e, uint32_t type, int param = 0, int flag = 0) {
    tagUX_Message m(static_cast<int>(type), param, flag);
    e->OnMessage(&m);
  }
  void Turn(uxValueLabel* label, float v, int encoder) {
    label->SetFloatValue(v, 0);
    Send(UX_MSG_ENCODER_VALUE_CHANGED, encoder);
  }
  std::string Cell(int row) {
    return static_cast<uxButton*>(page_->Settings()->Table()->getRow(row)->getColumn(1))->GetText();
  }

  testing_support::TempDataRoot root_;
  QuietTrackServices services_;
  FakeRawMidiBackend backend_;
  std::unique_ptr<CClipCore> core_;
  std::unique_ptr<appVA_MidiTrackSeq> page_;
};

TEST_F(MidiTrackSeqTest, TickShowsTheEditClipAndLabelsStartAsBuilt) {
  EXPECT_STREQ(page_->Loop()->getEnumText(0), "OFF");
  EXPECT_STREQ(page_->Loop()->getEnumText(16), "16");
  EXPECT_FLOAT_EQ(page_->Tempo()->GetFloatValue(), 120.0f);
  Clip(0).name = "Lead";
  Clip(0).Numerator = 3;
  Clip(0).Denominator = 8;
  Send(UX_MSG_TICK_EVENT);
  EXPECT_EQ(page_->CurrentClip(), 0);
  EXPECT_STREQ(page_->Metre()->getText(), "3/8");
  EXPECT_STREQ(page_->ClipName()->getText(), "Lead");

  // A track that is no sequence keeps the texts.
  core_->Master().Install(kTrack, std::make_unique<PlainInstrument>(core_.get(), kTrack));
  Send(UX_MSG_TICK_EVENT);
  EXPECT_STREQ(page_->ClipName()->getText(), "Lead");
}

TEST_F(MidiTrackSeqTest, TurningLoopAndTempoWritesClipAndLauncher) {
  Clip(0).Loop_PP = 1536;
  Clip(0).Numerator = 4;
  Send(UX_MSG_TICK_EVENT);
  Turn(page_->Loop(), 2.0f, 2);
  EXPECT_EQ(Clip(0).Loop_PP, 768);
  EXPECT_EQ(page_->Grid()->Columns(), 32);
  Turn(page_->Tempo(), 133.7f, 3);
  EXPECT_EQ(core_->Master().bpm.load(), 133);

  // Without focus nothing is written.
  page_->SetFocus(false);
  Turn(page_->Loop(), 5.0f, 2);
  EXPECT_EQ(Clip(0).Loop_PP, 768);
}

TEST_F(MidiTrackSeqTest, LoopAndTempoReportNoPartParameter) {
  Clip(0).Loop_PP = 1536;
  Clip(0).Numerator = 4;
  Send(UX_MSG_TICK_EVENT);
  host_.changes.clear();
  Send(APP_MSG_CLIP_CHANGED, kTrack);
  for (uxValueLabel* label : {page_->Loop(), page_->Tempo()}) {
    tagUX_Message turn(UX_MSG_ENCODER_EVENT, static_cast<int>(label->GetUserData() / 8), 130);
    label->OnMessage(&turn);
  }
  int told = 0;
  for (const auto& c : host_.changes) {
    if (c.uid != appVA_MidiTrackSeq::kLoopUid && c.uid != appVA_MidiTrackSeq::kTempoUid) continue;
    ++told;
    EXPECT_EQ(c.flags, FLAG_REPAINT) << "uid " << c.uid << ": shown, never stored as a parameter";
  }
  EXPECT_GE(told, 3) << "the clip change and both turns";
}

TEST_F(MidiTrackSeqTest, ClipChangedSetsLoopBarsAndLogs) {
  struct Case {
    int loopPP, numerator;
    float bars;
    const char* line;
  } cases[] = {
      {1536, 4, 4.0f, "CLIPLAUNCHER set Bar: 16\n"},
      {1536, 0, 4.0f, "CLIPLAUNCHER set Bar: 16\n"},  // no numerator counts four quarters
      {880 * 4 * 96, 4, 16.0f, "CLIPLAUNCHER set Bar: 3520\n"},  // longer than LOOP offers: the clamp
  };
  Send(UX_MSG_TICK_EVENT);
  for (const Case& k : cases) {
    SCOPED_TRACE(k.line);
    Clip(0).Loop_PP = k.loopPP;
    Clip(0).Numerator = k.numerator;
    log_.Clear();
    Send(APP_MSG_CLIP_CHANGED);
    EXPECT_FLOAT_EQ(page_->Loop()->GetFloatValue(), k.bars);
    EXPECT_EQ(log_.Text(), k.line);
    EXPECT_EQ(Clip(0).Loop_PP, k.loopPP) << "shown only";
  }
}

TEST_F(MidiTrackSeqTest, GridColumnsAccentAndVerticalOffset) {
  struct Case {
    int loopPP, numerator;
    std::vector<SeqEvent> events;
    int columns, accent, offsetY;
  } cases[] = {
      {1536, 4, {{kSeqNote, 0, 96, 0, 60, 100}, {kSeqNote, 96, 192, 0, 48, 90}}, 64, 4, 48 * 20 - 2080},
      {1536, 4, {{kSeqControl, 0, 0, 0, 7, 100}}, 64, 4, 3040},
      {1536, 0, {}, 16, 4, 3040},
      {1536, 3, {}, 5 * 3 * 4, 3, 3040},
      {0, 4, {}, 0, 4, 3040},
      {INT_MAX, 1, {}, 256 * 256 * 4, 256, 3040},  // bars capped, no overflow
      {96 * 100, 100, {}, 16, 4, 3040},            // a numerator past 64 accents every 4th
  };
  appVA_MidiTrackGrid* grid = page_->Grid();
  for (const Case& k : cases) {
    SCOPED_TRACE(k.columns);
    Clip(0).Loop_PP = k.loopPP;
    Clip(0).Numerator = k.numerator;
    Clip(0).events = k.events;
    grid->ShowClip(kTrack, 0);
    EXPECT_EQ(grid->Columns(), k.columns);
    EXPECT_EQ(grid->Accent(), k.accent);
    EXPECT_EQ(grid->ContentWidth(), static_cast<int>(k.columns * grid->Roll()->ColumnWidth()));
    EXPECT_EQ(grid->Roll()->OffsetY(), k.offsetY);
    if (k.offsetY != 3040) {
      EXPECT_EQ(grid->Roll()->FirstNote(), 104 + k.offsetY / 20);
    }
    EXPECT_EQ(grid->Roll()->Events().size(), k.events.size());
  }
}

TEST_F(MidiTrackSeqTest, GridCursorFollowsThePlayPosition) {
  appVA_MidiTrackGrid* grid = page_->Grid();
  Clip(0).position = 480;
  grid->OnPaint();
  const uxPianoRoll* roll = grid->Roll();
  EXPECT_EQ(roll->Cursor(),
            roll->OffsetX() + static_cast<int>(4.0f * ((roll->ColumnWidth() / 96.0f) * 480.0f * roll->Zoom())));
}

TEST_F(MidiTrackSeqTest, SettingsListsControllersAndChoosesTheLane) {
  core_->chosenControllerRow = 3;
  core_->chosenController = 9;
  appVA_MidiTrackSettings settings(&host_, kTrack, "SEQ-SETTINGS", {0, 80}, 800, 320, 0x303030, core_.get(), {});
  EXPECT_EQ(core_->chosenController, -1) << "construction resets the choice";
  EXPECT_EQ(core_->chosenControllerRow, -1);

  Clip(0).events = {{kSeqControl, 0, 0, 0, 74, 1}, {kSeqNote, 0, 9, 0, 60, 1}, {kSeqControl, 5, 5, 0, 7, 2},
                    {kSeqControl, 9, 9, 0, 74, 3}};
  Clip(0).Loop_PP = 1536;
  Clip(0).Numerator = 4;
  SendTo(page_->Settings(), UX_MSG_FOCUS, 1);
  ASSERT_EQ(page_->Settings()->Table()->getRowCount(), 8);
  const char* rows[] = {"7 (control)", "74 (control)", " - ", " - ", " - ", " - ", " - ", " - "};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(Cell(i), rows[i]) << i;

  SendTo(page_->Settings(), UX_MSG_TABLE_ITEM_SEL, 1);
  EXPECT_EQ(core_->chosenControllerRow, 1);
  EXPECT_EQ(core_->chosenController, 74);
  SendTo(page_->Grid(), UX_MSG_FOCUS, 1);
  EXPECT_EQ(page_->Grid()->Roll()->Controller(), 74);

  SendTo(page_->Settings(), UX_MSG_TABLE_ITEM_SEL, 5);
  EXPECT_EQ(core_->chosenControllerRow, -1);
  EXPECT_EQ(core_->chosenController, -1);
  SendTo(page_->Grid(), UX_MSG_FOCUS, 1);
  EXPECT_EQ(page_->Grid()->Roll()->Controller(), -1) << "the lane is dropped at the next refresh";
}

TEST_F(MidiTrackSeqTest, GridFocusRefreshesTempoAndLoop) {
  core_->Master().bpm = 97;
  Clip(0).Loop_PP = 12 * 96;
  Clip(0).Numerator = 3;
  SendTo(page_->Grid(), UX_MSG_FOCUS, 1);
  EXPECT_FLOAT_EQ(page_->Tempo()->GetFloatValue(), 97.0f);
  EXPECT_FLOAT_EQ(page_->Loop()->GetFloatValue(), 4.0f);
}

TEST_F(MidiTrackSeqTest, PositionLabelShowsTheLauncherPosition) {
  Send(UX_MSG_TICK_EVENT);
  page_->OnPaint();
  EXPECT_STREQ(page_->Position()->getText(), "1-1,01");
}

TEST_F(MidiTrackSeqTest, GoldenPictureOfTheGrid) {
  ClipData& c = Clip(0);
  c.name = "Melody";
  c.Numerator = 4;
  c.Denominator = 4;
  c.Loop_PP = 2 * 4 * 96;
  const int keys[] = {60, 62, 64, 65, 67, 65, 64, 62};
  c.events.clear();
  for (int i = 0; i < 8; ++i) c.events.push_back({kSeqNote, i * 96, i * 96 + 80, 0, static_cast<uint8_t>(keys[i]), 100});
  for (int i = 0; i < 16; ++i) c.events.push_back({kSeqControl, i * 48, i * 48, 0, 74, static_cast<uint8_t>(i * 8)});
  c.position = 200;
  Send(UX_MSG_TICK_EVENT);
  SendTo(page_->Settings(), UX_MSG_FOCUS, 1);
  SendTo(page_->Settings(), UX_MSG_TABLE_ITEM_SEL, 0);
  SendTo(page_->Grid(), UX_MSG_FOCUS, 1);
  page_->OnPaint();
  EXPECT_TRUE(toolkit_test::MatchesGolden(SYNTH_PAGES_MIDI_GOLDEN_DIR, "midi_track_grid",
                                          toolkit_test::Snapshot(dc_, toolkit_test::Source::Screen, 0, 40, 800, 440)));
}

// Track services whose first note-on, which the clock sends holding its mutex, waits there
// until the grid has shown a clip, or gives up after kAttempts looks.
class WaitingTrackServices : public SilentTrackServices {
 public:
  static constexpr int kAttempts = 3000;
  void TrackNoteOn(int, int, int, int, int, int) override {
    if (inside.exchange(true)) return;
    for (int i = 0; i < kAttempts && !shown.load(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    shownWhileTicking = shown.load();
  }
  std::atomic<bool> inside{false};
  std::atomic<bool> shown{false};
  std::atomic<bool> shownWhileTicking{false};
};

// The roll copies a clip of any size without the clock's mutex: a clock tick that holds it
// sees the grid show a large clip meanwhile.
class MidiTrackSeqThreads : public toolkit_test::WidgetTest {};

TEST_F(MidiTrackSeqThreads, TheGridCopiesAClipWhileTheClockHoldsItsMutex) {
  testing_support::TempDataRoot root;
  root.MakeDir("/var/lib/ruv/working/midifiles");
  WaitingTrackServices services;
  FakeRawMidiBackend backend;
  CClipCore core(services, backend);
  appVA_MidiTrackSeq page(&host_, &core, kTrack, " SEQ A ", uxPOINT{0, 40}, 800, 440, 0x303030);
  core.OnClockTick(0, 0);  // enables the default clips
  constexpr int kEvents = 200000;
  {
    auto lock = core.Master().Lock();
    auto* seq = static_cast<CInstrumentSeq*>(core.Master().Track(kTrack));
    seq->SetKind(0, kClipMidiSeq);
    seq->Clip(0).Loop_PP = kEvents * 24;
    std::vector<SeqEvent>& events = seq->Clip(0).events;
    for (int i = 0; i < kEvents; ++i) events.push_back({kSeqNote, i * 24, i * 24 + 12, 0, 60, 100});
    seq->EventsChanged();
    seq->LaunchScene(0);
  }
  std::atomic<bool> ended{false};
  std::thread clock([&] {
    for (int t = 1; !services.inside.load() && t < 10000; ++t) core.OnClockTick(t, 0);
    ended = true;
  });
  while (!services.inside.load() && !ended.load()) std::this_thread::yield();
  if (!services.inside.load()) {
    clock.join();
    FAIL() << "the clip played no note";
  }
  page.Grid()->ShowClip(kTrack, 0);
  services.shown = true;
  clock.join();
  EXPECT_TRUE(services.shownWhileTicking.load()) << "the grid waited for the clock's mutex";
  EXPECT_EQ(page.Grid()->Roll()->Events().size(), std::size_t{kEvents});
}

}  // namespace
