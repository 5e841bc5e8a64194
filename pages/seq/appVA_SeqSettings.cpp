#include "pages/seq/appVA_SeqSettings.h"

#include <algorithm>
#include <iterator>

#include "app/PageServices.h"
#include "platform/LogSink.h"
#include "toolkit/uxButton.h"
#include "toolkit/uxTableCtrl.h"
#include "toolkit/uxTableRow.h"
#include "toolkit/uxValueLabel.h"

namespace {

constexpr int kRowHeight = 35;
constexpr int16_t kHeaderY = 135;
constexpr int16_t kTableY = 170;
constexpr int16_t kColumnX[] = {15, 115, 275, 435, 595};

constexpr const char* kStepTexts[] = {"8", "16", "24", "32", "48", "64", nullptr};
constexpr const char* kSubstituteTexts[] = {"none",  "last",        "last+1 Oct", "last-1 Oct",
                                            "first", "first+1 Oct", "first-1 Oct", nullptr};
constexpr const char* kOrderTexts[] = {"pitchup", "pitchdw", "keyup", "keydw", nullptr};
constexpr const char* kRestartTexts[] = {"beat", "key", nullptr};
constexpr const char* kFactorTexts[] = {"1", "1/2", "1/4", "1/8", "1/16", "1/32", nullptr};

constexpr int32_t kStepValues[] = {8, 16, 24, 32, 48, 64};
constexpr int32_t kFactorValues[] = {96, 48, 24, 12, 6, 3};  // clock ticks, 24 a quarter note
constexpr int kDefaultFactorRow = 4;                          // "1/16"

struct TableShape {
  const char* header;
  const char* name;
  int16_t width;
  int16_t height;
  int visibleRows;
  const char* const* texts;
};
constexpr TableShape kShapes[] = {
    {"STEPS", "Steps", 80, 210, 6, kStepTexts},
    {"SUBST", "Substitude", 140, 245, 7, kSubstituteTexts},
    {"ORDER", "Substitude", 140, 140, 4, kOrderTexts},
    {"RESTART", "Substitude", 140, 70, 2, kRestartTexts},
    {"FACTOR", "Factor", 140, 210, 6, kFactorTexts},
};

// The row of `value` in `values`, -1 when none stands for it.
template <std::size_t N>
int RowOf(const int32_t (&values)[N], int32_t value) {
  const auto* it = std::find(std::begin(values), std::end(values), value);
  return it == std::end(values) ? -1 : static_cast<int>(it - std::begin(values));
}

}  // namespace

appVA_SeqSettings::appVA_SeqSettings(PageServices* services, int track, const char* name, uxPOINT pos, int16_t w,
                                     int16_t h, uxCOLOR colour, CClipCore* clips, seq::Labels labels)
    : uxPanelCtrl(services, static_cast<uint32_t>(track), name, pos, w, h, colour),
      labels_(labels),
      clips_(clips),
      track_(track) {
  setRepaint();
  for (int t = 0; t < kTables; ++t) {
    const TableShape& s = kShapes[t];
    auto* header = new uxButton(services, static_cast<unsigned>(-1), uxPOINT(kColumnX[t], kHeaderY), 80, 35,
                                0x808080, 0x303030, 0x000000);
    header->SetText(s.header);
    AddElement(header);
  }
  for (int t = 0; t < kTables; ++t) {
    const TableShape& s = kShapes[t];
    // Every list shows whole, so no table needs a scroll bar.
    tables_[t] = new uxTableCtrl(services, static_cast<uint32_t>(t), s.name, uxPOINT(kColumnX[t], kTableY), s.width,
                                 s.height, s.visibleRows, 0x202020, false);
    AddListTable(tables_[t], s.texts);
    tables_[t]->setSelectionMode(uxTableCtrl_Radio);
    tables_[t]->setEntryMode(uxTableCtrl_touchonly);
  }
}

void appVA_SeqSettings::AddListTable(uxTableCtrl* table, const char* const* texts) {
  const uxRECT* r = table->getClientRect();
  for (int i = 0; texts[i] != nullptr; ++i) {
    auto* row = new uxTableRow(table, i + 1, 0, kRowHeight, "ROW");
    auto* cell = new uxButton(manager_, static_cast<unsigned>(-1),
                              uxPOINT(r->left, r->top + kRowHeight * i), static_cast<int16_t>(r->width), kRowHeight,
                              0x202020, 0x303030, 0xFFFFFF);
    cell->SetText(texts[i]);
    row->addColumn(cell);
    table->addRow(row);
  }
  AddElement(table);
}

int appVA_SeqSettings::OnPaint() {
  uxPanelCtrl::OnPaint();
  repaint_ = false;
  return 1;
}

bool appVA_SeqSettings::ReadClip(Shown& shown) {
  return seq::WithClip(clips_, track_, editClip_, [&](ClipData& c) {
    shown = {c.StepCount, c.Factor, c.KeySubstitute, c.OrderAlgo, c.RestartMode, c.OpMode, c.GateWidth};
  });
}

void appVA_SeqSettings::SelectFromClip(const Shown& clip) {
  const int steps = RowOf(kStepValues, clip.StepCount);
  if (steps >= 0) tables_[kSteps]->selectRow(steps, true);
  const int factor = RowOf(kFactorValues, clip.Factor);
  if (factor >= 0) tables_[kFactor]->selectRow(factor, true);
  // A value outside a list leaves that list as it was, as for the two above.
  auto choose = [](uxTableCtrl* table, int32_t row) {
    if (row >= 0 && row < table->getRowCount()) table->selectRow(row, true);
  };
  choose(tables_[kSubstitute], clip.KeySubstitute);
  choose(tables_[kOrder], clip.OrderAlgo);
  choose(tables_[kRestart], clip.RestartMode);
}

void appVA_SeqSettings::SelectDefaults() {
  tables_[kFactor]->selectRow(kDefaultFactorRow, true);
  tables_[kSubstitute]->selectRow(0, true);
  tables_[kOrder]->selectRow(0, true);
  tables_[kRestart]->selectRow(0, true);
}

void appVA_SeqSettings::UpdateTables() {
  Shown shown;
  if (ReadClip(shown))
    SelectFromClip(shown);
  else
    SelectDefaults();
}

void appVA_SeqSettings::updateParam() {
  editClip_ = seq::EditClip(clips_, track_);
  if (editClip_ == -1) return;
  Shown shown;
  if (!ReadClip(shown)) {
    platform::LogPrintf("[Sequencer] Error >updateParam> on Track:%d, Clip:%d\n", track_, editClip_);
    return;
  }
  SelectFromClip(shown);
  labels_[0]->SetFloatValue(static_cast<float>(shown.OpMode), FLAG_REPAINT);
  labels_[2]->SetFloatValue(shown.GateWidth, FLAG_REPAINT);
  labels_[3]->SetFloatValue(static_cast<float>(seq::Tempo(clips_)), FLAG_REPAINT);
}

void appVA_SeqSettings::SetEncoderValue(int slot, bool fromLabel, float value) {
  seq::SetEncoderValue(labels_, clips_, track_, editClip_, slot, fromLabel, value, true);
}

int appVA_SeqSettings::OnMessage(tagUX_Message* msg) {
  editClip_ = seq::EditClip(clips_, track_);
  switch (msg->type) {
    case UX_MSG_TABLE_ITEM_SEL: {
      // The report's table is only compared: posted reports may carry none.
      if (std::find(std::begin(tables_), std::end(tables_), msg->pData) == std::end(tables_)) break;
      const int steps = tables_[kSteps]->getSelection();
      const int substitute = tables_[kSubstitute]->getSelection();
      const int order = tables_[kOrder]->getSelection();
      const int restart = tables_[kRestart]->getSelection();
      const int factor = tables_[kFactor]->getSelection();
      // A list without a chosen row leaves its field: playback has no meaning for -1.
      seq::WithClip(clips_, track_, editClip_, [&](ClipData& c) {
        if (steps >= 0 && steps < static_cast<int>(std::size(kStepValues))) c.StepCount = kStepValues[steps];
        if (substitute >= 0) c.KeySubstitute = substitute;
        if (order >= 0) c.OrderAlgo = order;
        if (restart >= 0) c.RestartMode = restart;
        if (factor >= 0 && factor < static_cast<int>(std::size(kFactorValues))) c.Factor = kFactorValues[factor];
      });
      break;
    }
    case UX_MSG_FOCUS:
      seq::FocusEncoders(labels_, clips_, track_, editClip_);
      UpdateTables();
      break;
    case UX_MSG_VALUES_CHANGED:
      updateParam();
      break;
    case UX_MSG_ENCODER_VALUE_CHANGED:
      if (isFocus()) seq::EncoderChanged(labels_, clips_, track_, editClip_, msg->param, true);
      break;
    default:
      break;
  }
  return uxPanelCtrl::OnMessage(msg);
}
