#include "pages/seq/appVA_SeqStep.h"

#include <cstddef>
#include <cstdio>

#include "app/PageServices.h"
#include "toolkit/uxButton.h"
#include "toolkit/uxTableCtrl.h"
#include "toolkit/uxTableRow.h"
#include "toolkit/uxValueLabel.h"

namespace {

constexpr int16_t kColumnWidth = 80;
constexpr int16_t kHeaderHeight = 34;
constexpr int16_t kColumnY = 130;

void Text(char* text, std::size_t size, const char* s) { std::snprintf(text, size, "%s", s); }

void AssignCaption(int row, char* text, std::size_t size) {
  if (row == 1)
    Text(text, size, "CHORD");
  else if (row == 7)
    Text(text, size, "FIX");
  else
    std::snprintf(text, size, "K%01d", 6 - row);  // K4 down to K0
}
void ModeCaption(int row, char* text, std::size_t size) {
  static constexpr const char* kModes[] = {"OFF", "ON", "HLD", "LEG"};
  Text(text, size, kModes[row - 1]);
}
void SemiCaption(int row, char* text, std::size_t size) {
  static constexpr const char* kNotes[] = {"H", "A#", "A", "G#", "G", "F#", "F", "E", "D#", "D", "C#", "C"};
  Text(text, size, kNotes[row - 1]);
}
void OctaveCaption(int row, char* text, std::size_t size) { std::snprintf(text, size, "%d", 5 - row); }

int Minus1(int row) { return row - 1; }
int Plus1(int value) { return value + 1; }
int TwelveLess(int x) { return 12 - x; }
int OctaveStore(int row) { return row - 5; }
int OctaveMark(int value) { return value + 5; }
int VelocityStore(int row) { return 128 - 4 * row; }
int VelocityMark(int value) { return 32 - value / 4; }
int CvStore(int row) { return 4 * row - 4; }
int CvMark(int value) { return value / 4 + 1; }

}  // namespace

const StepFamily kStepAssign = {"StepAssign", 272, 7, 7, 34, offsetof(ArpStep, Key), false, true, true, false,
                                Minus1, Plus1, AssignCaption};
const StepFamily kStepMode = {"StepMode", 170, 5, 4, 34, offsetof(ArpStep, Mode), false, false, false, false,
                              Minus1, Plus1, ModeCaption};
const StepFamily kStepSemi = {"StepSemi", 274, 6, 12, 20, offsetof(ArpStep, Semitone), false, false, false, false,
                              TwelveLess, TwelveLess, SemiCaption};
const StepFamily kStepOctave = {"StepOCTAVE", 250, 6, 9, 24, offsetof(ArpStep, Octave), true, false, false, false,
                                OctaveStore, OctaveMark, OctaveCaption};
const StepFamily kStepVelocity = {"StepVelo", 258, 6, 32, 7, offsetof(ArpStep, Velocity), false, false, false, true,
                                  VelocityStore, VelocityMark, nullptr};
const StepFamily kStepCVA = {"StepCVA", 258, 6, 32, 7, offsetof(ArpStep, CVA), false, false, false, false,
                             CvStore, CvMark, nullptr};
const StepFamily kStepCVB = {"StepCVB", 258, 6, 32, 7, offsetof(ArpStep, CVB), false, false, false, false,
                             CvStore, CvMark, nullptr};
const StepFamily kStepCVC = {"StepCVC", 258, 6, 32, 7, offsetof(ArpStep, CVC), false, false, false, false,
                             CvStore, CvMark, nullptr};

namespace {

int ReadByte(const StepFamily& f, const ArpStep& step) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(&step);
  return f.isSigned ? static_cast<int>(static_cast<int8_t>(bytes[f.field])) : static_cast<int>(bytes[f.field]);
}

void WriteByte(const StepFamily& f, ArpStep& step, int value) {
  reinterpret_cast<uint8_t*>(&step)[f.field] = static_cast<uint8_t>(value);
}

}  // namespace

appVA_SeqStep::appVA_SeqStep(const StepFamily& family, PageServices* services, int track, const char* name,
                             uxPOINT pos, int16_t w, int16_t h, uxCOLOR colour, CClipCore* clips, seq::Labels labels)
    : uxPanelCtrl(services, static_cast<uint32_t>(track), name, pos, w, h, colour),
      family_(family),
      services_(services),
      clips_(clips),
      labels_(labels),
      track_(track) {
  setRepaint();
  char text[16];
  for (int i = 0; i < kColumns; ++i) {
    const int16_t x = static_cast<int16_t>(15 + 97 * i);
    // The rows fill the column, so it never scrolls and needs no scroll bar.
    auto* column = new uxTableCtrl(services, static_cast<uint32_t>(i), family.columnName, uxPOINT(x, kColumnY),
                                   kColumnWidth, family.columnHeight, family.visibleRows, 0x202020, false);
    column->setEntryMode(uxTableCtrl_touchonly);
    if (family.radio) column->setSelectionMode(uxTableCtrl_Radio);
    column->setItemmSelection(false);
    column->setUpdateMode(false);
    auto* headerRow = new uxTableRow(column, 1, 0, kHeaderHeight, "ROW");
    auto* header = new uxButton(services, static_cast<unsigned>(-1), uxPOINT(x, kColumnY), kColumnWidth,
                                kHeaderHeight, 0x404040, 0x303030, 0xFFFFFF);
    std::snprintf(text, sizeof text, "%02d", i + 1);
    header->SetText(text);
    headerRow->addColumn(header);
    column->addRow(headerRow);
    int y = kColumnY + kHeaderHeight;
    for (int r = 1; r <= family.rows; ++r) {
      column->setItemmSelection(true);
      auto* row = new uxTableRow(column, r + 1, 0, family.rowHeight, "ROW");
      auto* cell = new uxButton(services, static_cast<unsigned>(-1), uxPOINT(x, static_cast<int16_t>(y)),
                                kColumnWidth, family.rowHeight, 0x202020, 0x303030, 0xFFFFFF);
      if (family.caption) {
        family.caption(r, text, sizeof text);
        cell->SetText(text);
      }
      row->addColumn(cell);
      column->addRow(row);
      y += family.rowHeight;
    }
    columns_[i] = column;
    headers_[i] = header;
    AddElement(column);
  }
  ShowBank(0);
}

void appVA_SeqStep::ShowBank(int bank) {
  bank_ = bank;
  editClip_ = seq::EditClip(clips_, track_);
  int values[kColumns];
  bool valid[kColumns] = {};
  float gate = 0.0f;
  const bool loaded = seq::WithClip(clips_, track_, editClip_, [&](ClipData& c) {
    gate = c.GateWidth;
    for (int i = 0; i < kColumns; ++i) {
      const int s = 8 * bank + i;
      // Only the clip's 64 steps are ever read or written.
      if (s < 0 || s >= kClipSteps) continue;
      values[i] = ReadByte(family_, c.steps[s]);
      valid[i] = true;
    }
  });
  char text[16];
  for (int i = 0; i < kColumns; ++i) {
    std::snprintf(text, sizeof text, "%02d", 8 * bank + i + 1);
    headers_[i]->SetText(text);
    if (!family_.keepsHeaders) headers_[i]->SetChecked(false, true);
    if (loaded && valid[i]) {
      const int row = family_.mark(values[i]);
      // A byte that no row stands for marks none (row 0 is the header).
      if (row >= 1 && row <= family_.rows) columns_[i]->selectRow(row, true);
    }
    columns_[i]->setRepaint();
  }
  if (family_.keepsHeaders)
    Relight();
  else
    litColumn_ = -1;
  if (loaded) labels_[2]->SetFloatRawValue(gate);
  labels_[3]->SetFloatRawValue(static_cast<float>(seq::Tempo(clips_)));
  // The lit header was cleared: light it again at the next paint.
  if (!family_.keepsHeaders) lastStep_ = -1;
}

void appVA_SeqStep::ShowPlayStep(unsigned step) {
  const unsigned k = step - 8u * static_cast<unsigned>(bank_);
  if (k < kColumns) {
    for (int i = 0; i < kColumns; ++i) headers_[i]->SetChecked(static_cast<unsigned>(i) == k, true);
    litColumn_ = static_cast<int>(k);
  } else {
    // Playback leaves a bank from its last column (step counts are whole banks).
    headers_[kColumns - 1]->SetChecked(false, true);
    if (litColumn_ == kColumns - 1) litColumn_ = -1;
  }
  lastStep_ = static_cast<int>(step);
}

void appVA_SeqStep::Relight() {
  if (litColumn_ >= 0 && litColumn_ < kColumns) headers_[litColumn_]->SetChecked(true, true);
}

int appVA_SeqStep::OnPaint() {
  editClip_ = seq::EditClip(clips_, track_);
  int step = -1;
  seq::WithClip(clips_, track_, editClip_, [&](ClipData& c) { step = c.position; });
  if (step >= 0 && step != lastStep_) ShowPlayStep(static_cast<unsigned>(step));
  uxPanelCtrl::OnPaint();
  repaint_ = false;
  return 1;
}

void appVA_SeqStep::SetEncoderValue(int slot, bool fromLabel, float value) {
  seq::SetEncoderValue(labels_, clips_, track_, editClip_, slot, fromLabel, value, false);
}

int appVA_SeqStep::OnMessage(tagUX_Message* msg) {
  const int result = uxPanelCtrl::OnMessage(msg);
  editClip_ = seq::EditClip(clips_, track_);
  switch (msg->type) {
    case UX_MSG_TABLE_ITEM_SEL: {
      const int row = static_cast<int>(msg->param);
      for (int i = 0; i < kColumns; ++i) {
        // The report's table is only compared: posted reports may carry none.
        if (msg->pData != columns_[i]) continue;
        const int s = 8 * bank_ + i;
        // The header is no choice, and nothing outside the clip's steps is written.
        if (row < 1 || row > family_.rows || s < 0 || s >= kClipSteps) break;
        seq::WithClip(clips_, track_, editClip_, [&](ClipData& c) { WriteByte(family_, c.steps[s], family_.store(row)); });
        break;
      }
      Relight();
      if (family_.reportsBank) services_->SetParamById((track_ << 12) | kBankReportId, static_cast<float>(bank_));
      break;
    }
    case UX_MSG_FOCUS:
      seq::FocusEncoders(labels_, clips_, track_, editClip_);
      break;
    case UX_MSG_ENCODER_VALUE_CHANGED:
      if (isFocus()) seq::EncoderChanged(labels_, clips_, track_, editClip_, msg->param, false);
      break;
    default:
      break;
  }
  return result;
}
