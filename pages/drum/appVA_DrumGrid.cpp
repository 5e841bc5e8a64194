#include "pages/drum/appVA_DrumGrid.h"

#include <algorithm>
#include <cstdio>

#include "midi/EditClipAccess.h"
#include "platform/LogSink.h"
#include "toolkit/uxButton.h"
#include "toolkit/uxLabel.h"
#include "toolkit/uxTableCtrl.h"
#include "toolkit/uxTableRow.h"
#include "toolkit/uxValueLabel.h"

namespace {

constexpr const char* kShortNames[] = {"k", "s1", "s2", "cl", "op", "rd", "cr", "t1", "t2", "t3", "p1", "p2", "p3", "mi"};
constexpr const char* kRowNames[appVA_DrumGrid::kRows] = {"STEP", "KICK", "SNARE", "HAT", "CYMB.", "TOM", "PERC"};
constexpr int kChoices[appVA_DrumGrid::kRows][4] = {
    {-1, -1, -1, -1}, {0, -1, -1, -1}, {1, 2, -1, -1}, {3, 4, -1, -1},
    {5, 6, -1, -1},   {7, 8, 9, -1},   {10, 11, 12, 13},
};
constexpr int kPagesMax = kClipSteps / appVA_DrumGrid::kColumns;
constexpr int kHitAccent = 90;
constexpr uint32_t kPageEncoder = 148;
constexpr uint32_t kCopyEncoder = 147;
constexpr uint32_t kTurnRight = 130;
constexpr uint32_t kTurnLeft = 131;
constexpr uint32_t kPush = 132;

}  // namespace

const char* appVA_DrumGrid::ShortName(int instrument) {
  return instrument >= 0 && instrument < 14 ? kShortNames[instrument] : "";
}

appVA_DrumGrid::appVA_DrumGrid(uxHost* manager, uint32_t id, const char* name, uxPOINT pos, int16_t w, int16_t h,
                               uxCOLOR colour, CClipCore* clips)
    : uxPanelCtrl(manager, id, name, pos, w, h, colour), clips_(clips) {
  auto label = [&](int16_t x, int16_t width, const char* text, uxCOLOR back) {
    auto* l = new uxLabel(manager, uxPOINT(x, 90), width, 35, back, back, 0xFFFFFF, 11);
    l->setText(text);
    AddElement(l);
    return l;
  };
  label(10, 80, "CLIP:", 0x404040);
  clipName_ = label(95, 150, "<empty>", 0x802020);
  metre_ = label(260, 50, "4/4", 0x802020);
  position_ = label(320, 150, "1-1,1", 0x802020);

  auto value = [&](int16_t x, int slot, const char* text, const char* unit) {
    auto* v = new uxValueLabel(manager, -1, static_cast<uint32_t>(slot), uxPOINT(x, 420), 180, 70, 0x202020, 0xC00000,
                               0xC0C0C0, 0xFFFFFF, 0xA4A4A4, true);
    v->SetLabelText(text, unit, 13);
    v->SetChecked(true, true);
    AddElement(v);
    return v;
  };
  action_ = value(10, 0, "ACTION", "");
  action_->AddEnumText("CLEAR");
  action_->AddEnumText("MUTE");
  action_->SetEncoderMode(8, 0);
  select_ = value(210, 8, " SEL ", "");
  select_->AddEnumText("");
  select_->SetEncoderMode(8, 0);
  accent_ = value(410, 16, "ACCENT", "%");
  accent_->SetEncoderMode(1, 0);  // percent, 0 .. 100
  steps_ = value(610, 24, " STEPS ", "qn");
  for (const char* s : {"16", "32", "48", "64"}) steps_->AddEnumText(s);
  steps_->SetEncoderMode(8, 0);
  for (uxValueLabel* v : {action_, select_, accent_, steps_}) {
    v->SetFloatRawValue(0.0f);
    v->SetFloatValue(0.0f, FLAG_REPAINT);
  }

  rowTable_ = new uxTableCtrl(manager, kRowTableId, "DrumTracks", uxPOINT(10, 135), 80, 266, kRows, colour, false);
  for (int r = 0; r < kRows; ++r) {
    auto* row = new uxTableRow(rowTable_, r, 0, 38, "ROW");
    auto* b = new uxButton(manager, static_cast<unsigned>(-1), uxPOINT(10, static_cast<int16_t>(135 + 38 * r)), 80,
                           34, 0x404040, 0x545454, 0xFFFFFF);
    b->SetText(kRowNames[r]);
    b->SetChecked(true, false);
    rowButtons_[r] = b;
    row->addColumn(b);
    rowTable_->addRow(row);
  }
  AddElement(rowTable_);

  for (int c = 0; c < kColumns; ++c) {
    const int16_t x = static_cast<int16_t>(95 + 43 * c);
    stepTables_[c] = new uxTableCtrl(manager, static_cast<unsigned>(c), "DrumStep", uxPOINT(x, 135), 38, 266, kRows,
                                     colour, false);
    for (int r = 0; r < kRows; ++r) {
      auto* row = new uxTableRow(stepTables_[c], r, 0, 38, "ROW");
      const uxCOLOR back = r == 0 ? 0x404040 : (c % 4 == 0 ? 0x202020 : 0x101010);
      auto* b = new uxButton(manager, static_cast<unsigned>(-1), uxPOINT(x, static_cast<int16_t>(135 + 38 * r)), 38, 34,
                             back, 0x545454, 0xFFFFFF);
      if (r == 0 && c % 4 == 0) {
        char text[16];
        std::snprintf(text, sizeof text, "%02d", c + 1);
        b->SetText(text);
      }
      cells_[c][r] = b;
      row->addColumn(b);
      stepTables_[c]->addRow(row);
    }
    AddElement(stepTables_[c]);
  }
}

template <class F>
bool appVA_DrumGrid::WithClip(F&& f) {
  return edit_clip::WithClip(clips_, kDrumTrack, clip_,
                             [&](ClipData& c) { f(c, std::clamp(c.StepCount, 0, kClipSteps)); });
}

int appVA_DrumGrid::LastPage(int steps) const { return steps > 0 ? (steps + kColumns - 1) / kColumns - 1 : 0; }

void appVA_DrumGrid::LoadGrid(bool refresh) {
  if (clip_ == -1) return;
  WithClip([&](ClipData& c, int steps) {
    steps_->SetFloatValue(static_cast<float>(std::clamp(steps / kColumns - 1, 0, kPagesMax - 1)), FLAG_REPAINT);
    const int last = LastPage(steps);
    const bool clamped = page_ > last;
    if (clamped) page_ = last;
    if (clamped || refresh)
      for (int col = 0; col < kColumns; col += 4) {
        char text[16];
        std::snprintf(text, sizeof text, "%02d", page_ * kColumns + col + 1);
        cells_[col][0]->SetText(text);
      }
    for (int col = 0; col < kColumns; ++col) {
      const int s = page_ * kColumns + col;
      for (int r = 1; r < kRows; ++r) {
        uxButton* cell = cells_[col][r];
        if (s >= steps) {
          cell->SetChecked(false, true);
          cell->SetText("");
          continue;
        }
        const Trigger& t = c.rows[s].triggers[r - 1];
        cell->SetChecked(t.Fire != 0, true);
        cell->SetText(t.Fire ? ShortName(t.Note) : "");
        cell->SetColor(ButtonBackgroundColor, t.hold ? kMutedColour : kOpenColour);
      }
    }
    clipName_->setText(c.name.c_str());
  });
  setRepaint();
}

int appVA_DrumGrid::OnPaint() {
  if (clips_) {
    char text[48];
    std::snprintf(text, sizeof text, "%d-%d,%02d", clips_->Bar() + 1, clips_->Beat() + 1, clips_->Tick() % 24 + 1);
    position_->setText(text);
  }
  int step = -1;
  WithClip([&](ClipData& c, int) { step = c.position; });
  if (clip_ != -1 && step != lastStep_) {
    lastStep_ = step;
    const int col = step - page_ * kColumns;
    for (int i = 0; i < kColumns; ++i) cells_[i][0]->SetChecked(i == col, true);
  }
  uxPanelCtrl::OnPaint();
  repaint_ = false;
  return 1;
}

void appVA_DrumGrid::TouchCell(int row, int column) {
  row_ = row;
  column_ = column;
  platform::LogPrintf("[GRID] takeover (%d:%d) \n", row, column);
  for (int c = 0; c < kColumns; ++c)
    if (c != column) stepTables_[c]->deselectRow();
  int instrument = -1;
  int accent = 0;
  const bool edited = WithClip([&](ClipData& c, int steps) {
    const int s = page_ * kColumns + column;
    if (s >= steps) return;
    Trigger& t = c.rows[s].triggers[row - 1];
    // A touch toggles the hit, as the cell's toggle button shows it.
    if (t.Fire) {
      t.Fire = 0;
      t.Accent = 0;
    } else {
      const int v = std::clamp(static_cast<int>(select_->GetFloatValue()), 0, 3);
      if (kChoices[row][v] != -1) t.Note = static_cast<uint8_t>(kChoices[row][v]);
      t.Accent = kHitAccent;
      t.Fire = 1;
    }
    instrument = t.Note;
    accent = t.Accent;
  });
  if (!edited) return;
  select_->ClearEnums();
  int at = 0;
  for (int i = 0; i < 4 && kChoices[row][i] != -1; ++i) {
    select_->AddEnumText(ShortName(kChoices[row][i]));
    if (kChoices[row][i] == instrument) at = i;
  }
  select_->SetFloatRawValue(static_cast<float>(at));
  select_->SetFloatValue(static_cast<float>(at), FLAG_REPAINT);
  accent_->SetFloatRawValue(static_cast<float>(accent));
  accent_->SetFloatValue(static_cast<float>(accent), FLAG_REPAINT);
  LoadGrid(false);
}

void appVA_DrumGrid::OnValueTurned(int encoder, unsigned flag) {
  uxValueLabel* labels[] = {action_, select_, accent_, steps_};
  uxValueLabel* label = labels[encoder];
  if (!label->isActive() && !label->isChecked()) return;
  const int v = static_cast<int>(label->GetFloatValue());
  if (label == action_) {
    if (flag != kPush) return;
    bool rows[kRows] = {};
    int lastRow = -1;
    for (int r = 1; r < kRows; ++r)
      if (rowButtons_[r]->isChecked()) rows[r] = true, lastRow = r;
    if (lastRow == -1) return;
    WithClip([&](ClipData& c, int) {
      const uint8_t mute = c.rows[0].triggers[lastRow - 1].hold ? 0 : 1;
      for (int s = 0; s < kClipSteps; ++s)
        for (int r = 1; r < kRows; ++r) {
          if (!rows[r]) continue;
          if (v == 0)
            c.rows[s].triggers[r - 1].Fire = 0;
          else
            c.rows[s].triggers[r - 1].hold = mute;
        }
    });
    LoadGrid(false);
  } else if (label == select_) {
    if (row_ < 1 || v < 0 || v > 3 || kChoices[row_][v] == -1) return;
    WithClip([&](ClipData& c, int steps) {
      const int s = page_ * kColumns + column_;
      if (s >= steps || !c.rows[s].triggers[row_ - 1].Fire) return;
      c.rows[s].triggers[row_ - 1].Note = static_cast<uint8_t>(kChoices[row_][v]);
    });
    LoadGrid(false);
  } else if (label == accent_) {
    if (row_ < 1) return;
    WithClip([&](ClipData& c, int steps) {
      const int s = page_ * kColumns + column_;
      if (s >= steps || !c.rows[s].triggers[row_ - 1].Fire) return;
      c.rows[s].triggers[row_ - 1].Accent = static_cast<uint8_t>(std::clamp(v, 0, 255));
    });
  } else if (label == steps_ && v >= 0 && v < kPagesMax) {
    WithClip([&](ClipData& c, int) { c.StepCount = (v + 1) * kColumns; });
    LoadGrid(true);
  }
}

int appVA_DrumGrid::OnMessage(tagUX_Message* msg) {
  const int result = uxPanelCtrl::OnMessage(msg);
  switch (msg->type) {
    case UX_MSG_TICK_EVENT: {
      const int clip = edit_clip::EditClip(clips_, kDrumTrack);
      if (clip != clip_) {
        clip_ = clip;
        LoadGrid(true);
      }
      break;
    }
    case UX_MSG_TABLE_ITEM_SEL: {
      // The table is told by pointer; the message's data is only compared, never read.
      if (msg->pData == rowTable_) {
        if (msg->param == 0 || msg->param == 0x8000)
          for (int r = 1; r < kRows; ++r) rowButtons_[r]->SetChecked(msg->param == 0, true);
        row_ = column_ = -1;
        break;
      }
      const int row = static_cast<int>(msg->param);
      for (int c = 0; c < kColumns; ++c)
        if (msg->pData == stepTables_[c] && row >= 1 && row < kRows && rowButtons_[row]->isChecked()) {
          TouchCell(row, c);
          break;
        }
      break;
    }
    case UX_MSG_ENCODER_EVENT: {
      int steps = -1;
      WithClip([&](ClipData&, int n) { steps = n; });
      if (steps < 0) break;
      if (msg->param == kPageEncoder) {
        if (msg->flag == kTurnRight)
          page_ = (page_ + 1) * kColumns < steps ? page_ + 1 : LastPage(steps);
        else if (msg->flag == kTurnLeft)
          page_ = std::max(page_ - 1, 0);
        page_ = std::clamp(page_, 0, LastPage(steps));
        LoadGrid(true);
      } else if (msg->param == kCopyEncoder && msg->flag == kPush && page_ > 0) {
        WithClip([&](ClipData& c, int n) {
          for (int col = 0; col < kColumns; ++col) {
            const int s = page_ * kColumns + col;
            if (s >= n) break;
            std::copy(std::begin(c.rows[s - kColumns].triggers), std::begin(c.rows[s - kColumns].triggers) + 6,
                      std::begin(c.rows[s].triggers));
          }
        });
        LoadGrid(false);
      }
      break;
    }
    case UX_MSG_ENCODER_VALUE_CHANGED:
      OnValueTurned(static_cast<int>(msg->param % 4), msg->flag);
      break;
    case UX_MSG_VALUES_CHANGED:
      if (msg->param == 5) LoadGrid(false);
      break;
    case APP_MSG_CLIP_CHANGED:
      LoadGrid(false);
      break;
    default:
      break;
  }
  return result;
}
