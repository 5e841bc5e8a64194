#include "pages/midi/appVA_MidiTrackGrid.h"

#include <algorithm>

#include "midi/CClipCore.h"
#include "pages/midi/MidiTrackClip.h"
#include "pages/widgets/uxPianoRoll.h"
#include "toolkit/uxValueLabel.h"

namespace {

constexpr int kNoKey = 256;
constexpr int kKeyHeight = 20;
constexpr int kKeyOffset = 2080;

void SetLabel(uxValueLabel* label, float v) {
  if (!label) return;
  label->SetFloatRawValue(v);
  label->SetFloatValue(v, FLAG_REPAINT);
}

}  // namespace

appVA_MidiTrackGrid::appVA_MidiTrackGrid(uxHost* manager, int track, const char* name, uxPOINT pos, int16_t w,
                                         int16_t h, uxCOLOR colour, CClipCore* clips, MidiTrackLabels labels)
    : uxPanelCtrl(manager, static_cast<uint32_t>(track), name, pos, w, h, colour),
      clips_(clips),
      labels_(labels),
      track_(track) {
  uxPOINT at(5, 100);
  roll_ = new uxPianoRoll(manager, &at, 790, 300, colour);
  AddElement(roll_);
}

void appVA_MidiTrackGrid::ShowClip(int track, int clip) {
  int lowest = kNoKey;
  // A clip may hold half a million events: the copy is made under the edit mutex alone, so
  // the clock that plays the clip never waits for it.
  const bool shown = midi_track::ReadClip(clips_, track, clip, [&](const ClipData& c) {
    roll_->Events() = c.events;
    const int n = c.Numerator;
    if (n == 0) {
      columns_ = 16;
      accent_ = 4;
    } else {
      const int bars = midi_track::LoopBars(c.Loop_PP, n);
      accent_ = n > 64 || n < 0 ? 4 : n;
      if (bars >= midi_track::kMaxBars) accent_ = midi_track::kMaxBars;
      columns_ = bars * accent_ * 4;
    }
    if (roll_->Octaves() >= 1)
      for (const SeqEvent& e : c.events)
        if (e.type == kSeqNote) lowest = std::min<int>(lowest, e.key);
  });
  if (!shown) return;
  columnWidth_ = roll_->ColumnWidth();
  contentWidth_ = static_cast<int>(static_cast<float>(columns_) * columnWidth_);
  roll_->SetGrid(columns_, accent_, columnWidth_, contentWidth_);
  roll_->SetOffset(roll_->OffsetX(), lowest * kKeyHeight - kKeyOffset);
  // The roll draws from its first note, which a drag ties to the offset as 104 + offset / 20:
  // the same relation puts the lowest note in the bottom row.
  if (lowest < kNoKey) roll_->SetFirstNote(lowest);
  roll_->SetController(clips_->chosenController);
  roll_->setRepaint();
}

int appVA_MidiTrackGrid::OnPaint() {
  const int clip = midi_track::EditClip(clips_, track_);
  int position = 0;
  if (midi_track::WithClip(clips_, track_, clip, [&](ClipData& c) { position = c.position; })) {
    const int x = roll_->OffsetX() +
                  static_cast<int>(4.0f * ((roll_->ColumnWidth() / 96.0f) * static_cast<float>(position) * roll_->Zoom()));
    if (x != roll_->Cursor()) {
      roll_->SetCursor(x);
      roll_->setRepaint();
    }
  }
  uxPanelCtrl::OnPaint();
  repaint_ = false;
  return 1;
}

int appVA_MidiTrackGrid::OnMessage(tagUX_Message* msg) {
  const int result = uxPanelCtrl::OnMessage(msg);
  if (msg->type == UX_MSG_FOCUS && msg->param == 1 && clips_) {
    const int clip = midi_track::EditClip(clips_, track_);
    ShowClip(track_, clip);
    SetLabel(labels_.tempo, static_cast<float>(clips_->Master().bpm.load(std::memory_order_relaxed)));
    if (clip >= 0) {
      int bars = 0;
      midi_track::WithClip(clips_, track_, clip, [&](ClipData& c) { bars = midi_track::LoopBars(c.Loop_PP, c.Numerator); });
      SetLabel(labels_.loop, MidiTrackLabels::LoopChoice(bars));
    }
  }
  return result;
}
