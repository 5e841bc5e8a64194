#include "pages/midi/appVA_MidiTrackSettings.h"

#include <algorithm>
#include <cstdio>

#include "midi/CClipCore.h"
#include "pages/midi/MidiTrackClip.h"
#include "toolkit/uxButton.h"
#include "toolkit/uxTableCtrl.h"
#include "toolkit/uxTableRow.h"

namespace {

const uxPOINT kTablePos{10, 100};
constexpr int kRowHeight = 40;

}  // namespace

appVA_MidiTrackSettings::appVA_MidiTrackSettings(uxHost* manager, int track, const char* name, uxPOINT pos,
                                                 int16_t w, int16_t h, uxCOLOR colour, CClipCore* clips,
                                                 MidiTrackLabels labels)
    : uxPanelCtrl(manager, static_cast<uint32_t>(track), name, pos, w, h, colour),
      clips_(clips),
      labels_(labels),
      track_(track) {
  table_ = new uxTableCtrl(manager, 0, "Midi-CC", kTablePos, 380, 280, 7, colour);
  AddElement(table_);
  if (clips_) {
    clips_->chosenControllerRow = -1;
    clips_->chosenController = -1;
  }
}

void appVA_MidiTrackSettings::FillControllerList(int track, int clip) {
  std::vector<int> found;
  if (!midi_track::WithClip(clips_, track, clip, [&](ClipData& c) {
        for (const SeqEvent& e : c.events)
          if (e.type == kSeqControl && std::find(found.begin(), found.end(), e.key) == found.end())
            found.push_back(e.key);
      }))
    return;
  table_->Clear();
  controllers_ = std::move(found);
  std::sort(controllers_.begin(), controllers_.end());
  const int rows = std::max<int>(kMinRows, static_cast<int>(controllers_.size()));
  for (int i = 0; i < rows; ++i) {
    const uxPOINT at{kTablePos.x, static_cast<int16_t>(kTablePos.y + kRowHeight * i)};
    auto* row = new uxTableRow(table_, i + 1, 0, kRowHeight, "ROW");
    auto* number = new uxButton(manager_, static_cast<unsigned>(-1), at, 40, 40, 0x808080, 0x545454, 0x000000);
    char text[32];
    std::snprintf(text, sizeof text, "%03d", i + 1);
    number->SetText(text);
    auto* cell = new uxButton(manager_, static_cast<unsigned>(-1), {static_cast<int16_t>(at.x + 40), at.y}, 310, 40,
                              i % 2 ? 0x000000 : 0x202020, 0x545454, 0xFFFFFF);
    if (i < static_cast<int>(controllers_.size()))
      std::snprintf(text, sizeof text, "%d (control)", controllers_[i]);
    else
      std::snprintf(text, sizeof text, " - ");
    cell->SetText(text);
    row->addColumn(number);
    row->addColumn(cell);
    table_->addRow(row);
    if (selectedRow_ != -1) table_->selectRow(selectedRow_, true);
  }
  table_->setRepaint();
}

int appVA_MidiTrackSettings::OnPaint() {
  uxPanelCtrl::OnPaint();
  repaint_ = false;
  return 1;
}

int appVA_MidiTrackSettings::OnMessage(tagUX_Message* msg) {
  const int result = uxPanelCtrl::OnMessage(msg);
  switch (msg->type) {
    case UX_MSG_TABLE_ITEM_SEL: {
      // The row comes in the parameter; pData is never read.
      const int r = static_cast<int>(msg->param);
      selectedRow_ = r;
      if (!clips_) break;
      if (r >= 0 && r < static_cast<int>(controllers_.size())) {
        clips_->chosenControllerRow = r;
        clips_->chosenController = controllers_[r];
      } else {
        clips_->chosenControllerRow = -1;
        clips_->chosenController = -1;
      }
      break;
    }
    case UX_MSG_FOCUS:
      if (msg->param == 1) FillControllerList(track_, midi_track::EditClip(clips_, track_));
      break;
    default:
      break;
  }
  return result;
}
