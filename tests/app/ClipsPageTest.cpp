// The clip launcher page alone over recording page services and a clip launcher with its
// default clip set: the grid's texts, the clip operations on the selected slots, launching
// and stopping, opening a clip, the per-tick position, transport and slot colours, and the
// page's picture.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pages/clips/appVA_Clips.h"
#include "tests/app/PageRig.h"
#include "tests/midi/ClipRig.h"
#include "toolkit/uxBarCtrl.h"
#include "toolkit/uxButton.h"
#include "toolkit/uxLabel.h"
#include "toolkit/uxTableCtrl.h"
#include "toolkit/uxValueLabel.h"

namespace {

using Lines = std::vector<std::string>;

class ClipsPage : public ::testing::Test {
 protected:
  ClipsPage() {
    rig.services.clips = clips.core.get();
    rig.Build(0, "PANEL_CLIP", uxPOINT(0, 40), 800, 440, 0x404040, clips.core.get());
    clips.Tick(0);  // the default clips become stopped clips
    rig.Show();
    rig.services.Take();
  }
  appVA_Clips& page() { return rig.page(); }
  ClipMaster& master() { return clips.core->Master(); }
  CInstrumentSeq& Seq(int t) { return clips.Seq(t); }
  void Select(int t, int s) { page().SlotButton(t, s)->SetChecked(true, false); }
  // A label set to `value`, then its encoder turned (130) or pushed (132).
  void Encoder(int slot, float value, int code = 132) {
    page().Label(slot)->SetFloatValue(value, FLAG_REPAINT);
    rig.Give(tagUX_Message(UX_MSG_ENCODER_VALUE_CHANGED, slot / 8, code));
  }
  void Button(int id) { rig.Give(tagUX_Message(UX_MSG_ON_BUTTON, id, 0)); }
  void Table(uxTableCtrl* table, int scene) {
    rig.Give(tagUX_Message(UX_MSG_TABLE_ITEM_SEL, scene, 0, table));
  }
  void PageTicks(int n) {
    for (int i = 0; i < n; ++i) rig.Give(tagUX_Message(UX_MSG_TICK_EVENT));
  }
  std::string Text(int t, int s) { return page().SlotButton(t, s)->GetText(); }
  uint32_t Colour(int t, int s) { return page().SlotButton(t, s)->GetColor(ButtonBackgroundColor); }

  clip_test::Rig clips{nullptr};
  page_rig::PageRig<appVA_Clips> rig;
};

TEST_F(ClipsPage, TheGridShowsTheClipNamesAndTheMastersSettings) {
  EXPECT_EQ(Text(0, 0), "1 A");
  EXPECT_EQ(Text(3, 1), "2 D");
  EXPECT_EQ(Text(4, 0), "D1");
  EXPECT_EQ(Text(0, 2), "-");
  EXPECT_EQ(Text(5, 0), "-");
  EXPECT_STREQ(page().SlotButton(0, 0)->GetText(false), "1 A");
  {
    auto lock = master().Lock();
    Seq(1).Clip(0).name.clear();  // a clip without a name
  }
  // Lengths in quarters and the TAKE-OVER entry they show; 12 has none and leaves it.
  const std::pair<int, float> cases[] = {{2, 0}, {4, 1}, {8, 2}, {16, 3}, {32, 4}, {12, 4}};
  for (auto [quarters, shown] : cases) {
    SCOPED_TRACE(quarters);
    master().SetBarLength(quarters);
    master().bpm = 100 + quarters;
    rig.Give(tagUX_Message(APP_MSG_CLIP_CHANGED));
    EXPECT_FLOAT_EQ(page().Label(appVA_Clips::kTakeOverSlot)->GetFloatValue(), shown);
    EXPECT_FLOAT_EQ(page().Label(appVA_Clips::kTempoSlot)->GetFloatRawValue(), 100.0f + quarters);
  }
  EXPECT_EQ(Text(1, 0), "-");
}

TEST_F(ClipsPage, CreatingClipsFollowsTheTracksKinds) {
  struct Case {
    int operation;
    int track;
    int kind;  // kClipNone: refused
  };
  const Case cases[] = {
      {appVA_Clips::kCreateArp, 0, kClipArpeggiator}, {appVA_Clips::kCreateArp, 4, kClipNone},
      {appVA_Clips::kCreateSeq, 4, kClipMidiSeq},     {appVA_Clips::kCreateSeq, 6, kClipMidiSeq},
      {appVA_Clips::kCreateTrg, 4, kClipTrigger},     {appVA_Clips::kCreateTrg, 2, kClipNone},
  };
  int scene = 2;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.operation) + " on " + std::to_string(c.track));
    Select(c.track, scene);
    Encoder(appVA_Clips::kNameSlot, 4, 130);  // "Main 1"
    Encoder(appVA_Clips::kOperationSlot, static_cast<float>(c.operation), 130);
    EXPECT_FALSE(Seq(c.track).Scene(scene).hasClip) << "a turn only chooses";
    Encoder(appVA_Clips::kOperationSlot, static_cast<float>(c.operation));
    const SceneSlot& slot = Seq(c.track).Scene(scene);
    if (c.kind == kClipNone) {
      EXPECT_FALSE(slot.hasClip);
      EXPECT_EQ(Text(c.track, scene), "-");
      EXPECT_TRUE(page().SlotButton(c.track, scene)->isChecked());
      page().ClearSelection();
    } else {
      EXPECT_TRUE(slot.hasClip);
      EXPECT_EQ(slot.kind, c.kind);
      EXPECT_EQ(Seq(c.track).Clip(scene).name, "Main 1");
      EXPECT_EQ(Text(c.track, scene), "Main 1");
      EXPECT_FALSE(page().SlotButton(c.track, scene)->isChecked());
    }
    ++scene;
  }
}

TEST_F(ClipsPage, CopyPasteDeleteAndRename) {
  Encoder(appVA_Clips::kOperationSlot, appVA_Clips::kPaste);  // nothing copied yet
  EXPECT_FALSE(page().HasClipboard());
  {
    auto lock = master().Lock();
    Seq(0).Clip(1).events = {SeqEvent{kSeqNote, 0, 48, 0, 60, 100}};
    Seq(0).Clip(1).StepCount = 12;
  }
  Select(0, 1);
  Select(2, 1);  // only the first selected slot is copied
  Encoder(appVA_Clips::kOperationSlot, appVA_Clips::kCopy);
  ASSERT_TRUE(page().HasClipboard());
  EXPECT_FLOAT_EQ(page().Label(appVA_Clips::kOperationSlot)->GetFloatValue(), appVA_Clips::kCreateTrg);
  page().ClearSelection();

  Select(5, 3);
  Encoder(appVA_Clips::kOperationSlot, appVA_Clips::kPaste);
  EXPECT_TRUE(Seq(5).Scene(3).hasClip);
  EXPECT_EQ(Seq(5).Scene(3).kind, kClipArpeggiator);
  EXPECT_EQ(Seq(5).Clip(3).name, "2 A");
  EXPECT_EQ(Seq(5).Clip(3).StepCount, 12);
  ASSERT_EQ(Seq(5).Clip(3).events.size(), 1u);
  EXPECT_EQ(Seq(5).PlayList(3).size(), 2u) << "the pasted events play";
  EXPECT_EQ(Text(5, 3), "2 A");

  // No arpeggiator into the drum track: the slot is only let go.
  page().ClearSelection();
  Select(4, 5);
  Encoder(appVA_Clips::kOperationSlot, appVA_Clips::kPaste);
  EXPECT_FALSE(Seq(4).Scene(5).hasClip);
  EXPECT_FALSE(page().SlotButton(4, 5)->isChecked());

  Select(5, 3);
  Encoder(appVA_Clips::kNameSlot, 13, 130);  // "Ending"
  EXPECT_EQ(page().NameText(), "Ending");
  Encoder(appVA_Clips::kNameSlot, 13);
  EXPECT_EQ(Seq(5).Clip(3).name, "Ending");
  EXPECT_EQ(Text(5, 3), "Ending");
  EXPECT_EQ(page().NameText(), "-");
  EXPECT_FLOAT_EQ(page().Label(appVA_Clips::kNameSlot)->GetFloatValue(), 0.0f);
  EXPECT_FALSE(page().SlotButton(5, 3)->isChecked());

  Select(5, 3);
  Select(0, 0);
  Encoder(appVA_Clips::kOperationSlot, appVA_Clips::kDelete);
  EXPECT_TRUE(Seq(5).Scene(3).deleteRequest);
  EXPECT_TRUE(Seq(0).Scene(0).deleteRequest);
  EXPECT_EQ(Text(5, 3), "-");
  EXPECT_EQ(Text(0, 0), "-");
  clips.Tick(1);
  EXPECT_FALSE(Seq(5).Scene(3).hasClip);
}

TEST_F(ClipsPage, MasterAndTrackButtonsStopAndStayLitUntilTheClipsStop) {
  master().SetBarLength(1);
  Table(page().MasterTable(), 0);
  EXPECT_EQ(master().running.load(), 1);
  for (int t = 0; t < 5; ++t) EXPECT_EQ(Seq(t).Scene(0).state, kSceneBeginning) << t;
  clips.Tick(24);
  EXPECT_EQ(Seq(0).Scene(0).state, kScenePlaying);
  PageTicks(7);  // the page has shown the states

  page().MasterButton()->SetChecked(true, false);
  Button(appVA_Clips::kMasterButton);
  EXPECT_TRUE(page().MasterButton()->isChecked()) << "clips still play";
  EXPECT_EQ(Seq(0).Scene(0).state, kSceneStopping);
  PageTicks(7);
  EXPECT_TRUE(page().MasterButton()->isChecked());
  clips.Tick(48);
  EXPECT_EQ(Seq(0).Scene(0).state, kSceneStopped);
  PageTicks(7);
  EXPECT_FALSE(page().MasterButton()->isChecked());

  // Nothing plays on track 2: its button goes off at once.
  page().TrackButton(2)->SetChecked(true, false);
  Button(appVA_Clips::kTrackButton + 2);
  EXPECT_FALSE(page().TrackButton(2)->isChecked());
}

TEST_F(ClipsPage, ATapOnASlotLaunchesOpensOrOnlySelects) {
  Table(page().TrackTable(1), -1);  // a slot let go
  EXPECT_EQ(master().running.load(), 0);

  Select(1, 1);
  Table(page().TrackTable(1), 1);
  EXPECT_EQ(Seq(1).Scene(1).state, kSceneBeginning);
  EXPECT_EQ(master().running.load(), 1);
  EXPECT_FALSE(page().SlotButton(1, 1)->isChecked());

  // With an operation chosen the tap only selects.
  Encoder(appVA_Clips::kOperationSlot, appVA_Clips::kCreateSeq, 130);
  Select(2, 0);
  Table(page().TrackTable(2), 0);
  EXPECT_EQ(Seq(2).Scene(0).state, kSceneStopped);
  EXPECT_TRUE(page().SlotButton(2, 0)->isChecked());

  // OPEN resets the labels; with it on, a tap opens the clip in its track's editor.
  page().OpenButton()->SetChecked(true, false);
  Button(appVA_Clips::kOpenButton);
  EXPECT_FLOAT_EQ(page().Label(appVA_Clips::kOperationSlot)->GetFloatValue(), 0.0f);
  rig.services.Take();
  Table(page().TrackTable(4), 0);
  EXPECT_EQ(rig.services.Take(), (Lines{"SetTrackType 4 3"}));
  EXPECT_EQ(clips.core->editClips[4], 0);
  EXPECT_FALSE(page().SlotButton(2, 0)->isChecked()) << "the selection is cleared";
  Table(page().TrackTable(5), 2);  // an empty slot opens nothing
  EXPECT_TRUE(rig.services.Take().empty());

  Button(appVA_Clips::kPlayButton);
  EXPECT_EQ(rig.services.Take(), (Lines{"TogglePlay"}));
}

TEST_F(ClipsPage, TicksShowThePositionTheTransportAndTheClipStates) {
  PageTicks(1);
  EXPECT_STREQ(page().PositionLabel()->getText(), "1-1,01");
  EXPECT_EQ(page().PositionLabel()->getBackground(), 0xC02020u);
  EXPECT_FALSE(page().PlayButton()->isChecked());
  EXPECT_STREQ(page().PlayButton()->GetText(false), "STOP");
  rig.services.running = false;
  PageTicks(1);
  EXPECT_TRUE(page().PlayButton()->isChecked());
  EXPECT_STREQ(page().PlayButton()->GetText(false), "PLAY");
  clips.Ticks(1, 24 * 5 + 30);
  PageTicks(1);
  EXPECT_STREQ(page().PositionLabel()->getText(), "2-3,07");  // tick 150
  EXPECT_EQ(page().PositionLabel()->getBackground(), 0x202020u);

  // Slot colours: stopped by kind, playing, and a queued clip blinking.
  PageTicks(4);  // the seventh tick
  EXPECT_EQ(Colour(0, 0), 0x181860u);
  EXPECT_EQ(Colour(4, 0), 0x404018u);
  EXPECT_EQ(Colour(5, 0), 0x181818u);
  {
    auto lock = master().Lock();
    Seq(6).CreateClip(0, kClipMidiSeq);
  }
  clips.Tick(24 * 5 + 31);
  master().SetBarLength(1);
  Table(page().TrackTable(0), 1);
  PageTicks(7);
  EXPECT_EQ(Colour(6, 0), 0x606018u);
  const uint32_t first = Colour(0, 1);
  PageTicks(7);
  EXPECT_NE(Colour(0, 1), first) << "a queued clip blinks";
  EXPECT_TRUE(first == 0x00A800u || first == 0x181818u);
  PageTicks(6);
  EXPECT_NE(Colour(0, 1), first) << "only every seventh tick";
  clips.Tick(24 * 6);
  page().MasterRow(1)->SetChecked(true, false);
  PageTicks(7);
  EXPECT_EQ(Colour(0, 1), 0x00A800u);
  EXPECT_FALSE(page().MasterRow(1)->isChecked());
}

TEST_F(ClipsPage, PositionBarsShowThePlayingClipAndSurviveALengthOfZero) {
  master().SetBarLength(1);
  struct Case {
    int length, position;
    float max, value;
  };
  const Case cases[] = {{96, 48, 96, 48}, {96, 200, 96, 96}, {0, 10, 1, 0}, {50, -5, 50, 0}};
  Table(page().TrackTable(0), 0);
  clips.Tick(24);
  ASSERT_EQ(Seq(0).Scene(0).state, kScenePlaying);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.length);
    {
      auto lock = master().Lock();
      Seq(0).Clip(0).Length_PP = c.length;
      Seq(0).Clip(0).position = c.position;
    }
    PageTicks(1);
    EXPECT_FLOAT_EQ(page().PositionBar(0)->getMax(), c.max);
    EXPECT_FLOAT_EQ(page().PositionBar(0)->getLevel(), c.value);
    EXPECT_FLOAT_EQ(page().PositionBar(1)->getLevel(), 0.0f) << "nothing plays on track 1";
  }
}

TEST_F(ClipsPage, Picture) {
  master().SetBarLength(1);
  Table(page().TrackTable(0), 0);
  Table(page().TrackTable(2), 1);
  clips.Tick(24);
  Table(page().TrackTable(3), 1);
  Select(5, 2);
  PageTicks(7);
  rig.Paint();
  EXPECT_TRUE(toolkit_test::MatchesGolden("clips_page", rig.Screen()));
}

}  // namespace
