#include "pages/editors/modMatrix.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "app/PageServices.h"
#include "data/CDataSets.h"
#include "data/ModNames.h"
#include "engine/VoiceStatus.h"
#include "pages/editors/EditorLabels.h"
#include "pages/editors/PanelFocus.h"
#include "platform/LogSink.h"
#include "toolkit/uxBarCtrl.h"
#include "toolkit/uxButton.h"
#include "toolkit/uxGroup.h"
#include "toolkit/uxTableCtrl.h"
#include "toolkit/uxTableRow.h"
#include "toolkit/uxValueLabel.h"

namespace {

constexpr const char* kSourceList[modMatrix::kSources] = {
    "----",     "EG-A.CV",    "EG-B.CV",  "EG-FLT.CV", "EG-MOD.CV", "LFO1.OUT",   "LFO2.OUT",
    "LFO3.OUT", "OSC1.OUT",   "OSC2.OUT", "FLTA.OUT",  "FLTB.OUT",  "CVA",        "CVB",
    "CVC",      "MIDI.VEL",   "MIDI.PITCH", "MIDI.MOD", "MIDI.AFT", "FIX",        "MIDI.#NOTE",
    "RANDOM",   "MACRO 1",    "MACRO 2",  "MACRO 3",   "MIDI.PAFT"};
constexpr const char* kDestinationList[modMatrix::kDestinations] = {
    "----",       "OSC1.FM",     "OSC1.SHAPE", "OSC1.DTUNE", "OSC1.PAN",   "OSC1.PM",    "OSC1.P1",
    "WTOSC1.MPH", "ALGOSC1.P2",  "OSC2.FM",    "OSC2.SHAPE", "OSC2.DETUNE", "OSC2.PAN",  "OSC2.PM",
    "OSC2.P1",    "WTOSC2.MPH",  "ALGOSC2.P2", "FLT-A.MD",   "FLT-A.ENV",  "FLT-B.MD",   "FLT-B.ENV",
    "AMP-A.ENV",  "AMP-A.AM",    "AMP-B.ENV",  "AMP-B.AM",   "LFO1.AM",    "LFO1.FM",    "LFO2.AM",
    "LFO2.FM",    "LFO3.AM",     "LFO3.FM",    "XFADE-A",    "OSC1.FMAMT", "OSC2.FMAMT", "OSC1.AMAMT",
    "OSC2.AMAMT", "OSC1.AM",     "OSC2.AM",    "SHAPER.CM",  "SHAPER.PGM", "NOISE.FM",   "NOISE.FMAMT",
    "OSC1.BM",    "OSC2.BM",     "OSC1.BMAMT", "OSC2.BMAMT"};
constexpr const char* kPolarityNames[3] = {"dis", "->>", "<->"};

struct AssignKey {
  int key;
  int group;
  int instance;
  int destination;  // 0: the oscillator's type decides
};
constexpr AssignKey kAssignKeys[] = {
    {289, 9, 0, 1},  {291, 9, 0, 2},  {292, 9, 0, 5},  {293, 9, 0, 6},  {294, 9, 0, 0},  {290, 9, 0, 3},
    {296, 9, 0, 4},  {305, 9, 1, 9},  {307, 9, 1, 10}, {308, 9, 1, 13}, {309, 9, 1, 14}, {310, 9, 1, 0},
    {306, 9, 1, 11}, {312, 9, 1, 12}, {368, 3, 0, 17}, {376, 3, 1, 19}, {336, 7, 0, 38}, {337, 7, 0, 39},
    {320, 8, 0, 40}};

// Panel source keys by assign index; -1 selects nothing.
constexpr int kSourceKeys[] = {3, 1, 4, 2, 8, 9, -1, -1, -1, -1, 5, 6, 7};

constexpr uint32_t kClearRow = 255;
constexpr int kCellWidths[modMatrix::kCells] = {40, 165, 80, 20, 50, 175};
constexpr int kRowHeight = 40;
constexpr uxCOLOR kDisabledText = 0x505050;
constexpr uxCOLOR kGreyText = 0xA4A4A4;
constexpr int kButtonClear = 80;
constexpr int kButtonDefault = 81;

int Index(float v) { return v >= -1e6f && v <= 1e6f ? static_cast<int>(v) : 0; }

}  // namespace

const char* modMatrix::SourceName(int source) {
  return source >= 0 && source < kSources ? kSourceList[source] : "";
}
const char* modMatrix::DestinationName(int destination) {
  return destination >= 0 && destination < kDestinations ? kDestinationList[destination] : "";
}
const char* modMatrix::PolarityName(int polarity) {
  return polarity >= 0 && polarity < 3 ? kPolarityNames[polarity] : "";
}

modMatrix::modMatrix(PageServices* services, uint32_t id, const char* name, uxPOINT pos, int16_t w, int16_t h,
                     uxCOLOR colour)
    : uxPanelCtrl(services, id, name, pos, w, h, colour), services_(services),
      part_(static_cast<int>((id >> 16) & 0xF)) {
  const int top = pos.y;
  table_ = new uxTableCtrl(services, 0, "Modulation Matrix", uxPOINT(20, static_cast<int16_t>(140)), 570, 240, 6,
                           0x000000);
  for (int r = 0; r < kRows; ++r) {
    const uxCOLOR back = r % 2 == 0 ? 0x202020 : 0x000000;
    auto* row = new uxTableRow(table_, r + 1, static_cast<uint32_t>(r + 1), kRowHeight, "ROW");
    int16_t x = 20;
    const auto y = static_cast<int16_t>(140 + r * kRowHeight);
    for (int c = 0; c < kCells; ++c) {
      const auto width = static_cast<int16_t>(kCellWidths[c]);
      if (c == kBar) {
        auto* bar = new uxBarCtrl(services, 0, x, y, width, kRowHeight, back, 0x545454, 0xC00000);
        bar->setMax(100.0f);
        bar->setMin(-100.0f);
        bar->setOrientation(uxBarCtrl_horicontalBipolarMarker);
        row->addColumn(bar);
      } else {
        const uxCOLOR text = (c == kGroup || c == kPolarity) ? kGreyText : 0xFFFFFF;
        auto* cell = new uxButton(services, static_cast<unsigned>(-1), uxPOINT(x, y), width, kRowHeight,
                                  c == kNumber ? 0x303030 : back, 0x545454, text);
        char number[8];
        std::snprintf(number, sizeof number, "%03d", r + 1);
        cell->SetText(c == kNumber ? number : ((c == kGroup || c == kPolarity) ? " " : "----"));
        cell->setMode(BtnModeSelectable);
        row->addColumn(cell);
      }
      x = static_cast<int16_t>(x + width);
    }
    table_->addRow(row);
  }
  AddElement(table_);

  struct Heading {
    const char* text;
    int x, w;
  };
  for (const Heading& hd : {Heading{"   SRC", 20, 205}, Heading{"AMT", 225, 80}, Heading{"+", 305, 20},
                            Heading{"POL", 325, 50}, Heading{"DST", 375, 175}}) {
    auto* b = new uxButton(services, static_cast<unsigned>(-1), uxPOINT(static_cast<int16_t>(hd.x), 100),
                           static_cast<int16_t>(hd.w), 40, colour, colour, 0xA4A4A4);
    b->SetText(hd.text);
    b->Label(true);
    AddElement(b);
  }
  const int buttonIds[2] = {kButtonDefault, kButtonClear};
  const char* buttonText[2] = {"DEFAULT", "CLEAR"};
  for (int b = 0; b < 2; ++b) {
    buttons_[b] = new uxButton(services, static_cast<unsigned>(buttonIds[b]),
                               uxPOINT(620, static_cast<int16_t>(b == 0 ? 100 : 180)), 160, 50, 0x802020, 0xFF0000,
                               0xFFFFFF);
    buttons_[b]->SetText(buttonText[b]);
    AddElement(buttons_[b]);
  }

  struct LabelSpec {
    const char* text;
    uint32_t uid;
    int slot, x, y, font, type;
    const char* unit;
    uxCOLOR second, third;
  };
  const LabelSpec specs[kLabels] = {
      {" SRC ", 0xB00, 0, 10, 410, 12, 8, nullptr, 0xC00000, 0xC0C0C0},
      {" AMOUNT ", 0xB01, 8, 210, 410, 13, 2, "%", 0xC00000, 0xC0C0C0},
      {" DST ", 0xB02, 16, 410, 410, 12, 8, nullptr, 0xC0C0C0, 0x808080},
      {"MACRO 1", 0x700, 24, 610, 260, 13, 2, "%", 0xC0C0C0, 0xC0C0C0},
      {"MACRO 2", 0x701, 25, 610, 340, 13, 2, "%", 0xC0C0C0, 0xC0C0C0},
      {"MACRO 3", 0x702, 26, 610, 410, 13, 2, "%", 0xC0C0C0, 0xC0C0C0},
  };
  auto* groupD = new uxGroup(services, 0, "ENCODER D", uxPOINT(610, 260), 180, 225, 0x202020);
  AddElement(groupD);
  for (int i = 0; i < kLabels; ++i) {
    const LabelSpec& s = specs[i];
    const bool macro = i >= kMacro1;
    const uint32_t uid = macro ? MacroUid(i - kMacro1) : s.uid;
    // The macros take controllers on channel 0 whatever the part (see OnMidiCC).
    auto* label = new uxValueLabel(services, static_cast<int>(uid),
                                   static_cast<uint32_t>(s.slot) | (macro ? 0u : static_cast<uint32_t>(part_) << 12),
                                   uxPOINT(static_cast<int16_t>(s.x), static_cast<int16_t>(s.y)), 180, 70,
                                   macro ? 0x303030 : 0x202020, s.second, s.third, 0xFFFFFF, 0xA4A4A4, macro);
    label->SetLabelText(s.text, s.unit, s.font);
    if (i == kSrc)
      for (const char* t : kSourceList) label->AddEnumText(t);
    if (i == kDst)
      for (const char* t : kDestinationList) label->AddEnumText(t);
    label->SetEncoderMode(s.type);
    if (s.type == 2) label->setEncoderFactor(0.1f, "/10");
    if (i == kAmount) label->setEncoderNotifications(static_cast<int>(FLAG_REPAINT));
    label->SetFloatValue(0.0f, 0);
    label->SetChecked(true, false);
    labels_[i] = label;
    if (macro)
      groupD->AddElement(label);
    else
      AddElement(label);
  }
  (void)top;
}

uint32_t modMatrix::MacroUid(int k) const {
  // The macros are the part's own: a fixed number alone would always edit part 1's.
  return static_cast<uint32_t>(0x700 + k) | static_cast<uint32_t>(part_) << 16;
}

uxBaseElement* modMatrix::CellOf(int row, int cell) const {
  uxTableRow* r = table_->getRow(row);
  return r != nullptr ? r->getColumn(cell) : nullptr;
}

const char* modMatrix::CellText(int row, int cell) const {
  auto* b = dynamic_cast<uxButton*>(CellOf(row, cell));
  return b != nullptr ? b->GetText() : "";
}

uxBarCtrl* modMatrix::Bar(int row) const { return dynamic_cast<uxBarCtrl*>(CellOf(row, kBar)); }

void modMatrix::SetCellText(int row, int cell, const char* text) {
  if (auto* b = dynamic_cast<uxButton*>(CellOf(row, cell))) {
    b->SetText(text);
    b->setRepaint();
  }
}

void modMatrix::SetCellColour(int row, int cell, uxCOLOR colour) {
  if (auto* b = dynamic_cast<uxButton*>(CellOf(row, cell))) b->SetColor(ButtonTextColor, colour);
}

void modMatrix::SendRoute(int row, int amountOnly) {
  const uint32_t partBits = static_cast<uint32_t>(part_) << 16;
  if (row >= 0 && row < kRows) {
    const Record& r = records_[row];
    const uint32_t packed = static_cast<uint32_t>(r.destination) << 24 |
                            ((static_cast<uint32_t>(r.source) << 16) & 0xFFFFFF);
    services_->EditModMatrix(static_cast<int>(static_cast<uint32_t>(row) | partBits), packed, r.polarity, r.amount,
                             amountOnly);
    return;
  }
  if (row != -1) return;
  services_->EditModMatrix(static_cast<int>(partBits + kClearRow), 0, 0, 0.0f, 0);
  for (int i = 0; i < kRows; ++i)
    if (records_[i].source != 0 && records_[i].destination != 0) SendRoute(i, 0);
}

void modMatrix::SetRoute(int row, int source, int destination, float amount) {
  if (row < 0 || row >= kRows) return;
  Record& r = records_[row];
  r.source = source;
  r.sourceName = SourceName(source);
  r.destination = destination;
  r.destinationName = DestinationName(destination);
  r.amount = amount;
  r.polarity = static_cast<int>(DefaultPolarity(source));
  r.changed = 0;
  SetCellText(row, kSource, SourceName(source));
  SetCellText(row, kDestination, DestinationName(destination));
  SetCellText(row, kPolarity, PolarityName(r.polarity));
  if (uxBarCtrl* bar = Bar(row)) bar->setLevel(std::min(amount, bar->getMax()));
}

void modMatrix::ComputeGroups() {
  for (Record& r : records_) r.group = 0;
  int counter = 1;
  for (int k = 0; k < kRows; ++k) {
    const int d = records_[k].destination;
    if (d == 0 || records_[k].group != 0) continue;
    bool shared = false;
    for (int l = 0; l < kRows; ++l)
      if (l != k && records_[l].destination == d) shared = true;
    if (!shared) continue;
    for (Record& r : records_)
      if (r.destination == d) r.group = counter;
    ++counter;
  }
  for (int k = 0; k < kRows; ++k) {
    char text[4] = "";
    if (records_[k].group != 0) std::snprintf(text, sizeof text, "%c", records_[k].group + 0x60);
    SetCellText(k, kGroup, text);
  }
}

void modMatrix::ResetRoutes() {
  for (int i = 0; i < kRows; ++i) {
    SetRoute(i, 0, 0, 0.0f);
    records_[i] = Record{};
    SetCellText(i, kPolarity, " ");
  }
  SetRoute(0, 1, 21, 100.0f);
  SetRoute(1, 2, 23, 100.0f);
  SetRoute(2, 3, 18, 100.0f);
  SetRoute(3, 3, 20, 100.0f);
  ComputeGroups();
  table_->selectRow(4);
  selected_ = 4;
  SendRoute(-1, 0);
}

void modMatrix::LoadRowIntoLabels() {
  if (selected_ < 0 || selected_ >= kRows) return;
  for (int i : {kSrc, kAmount, kDst}) labels_[i]->SetEnabled(true);
  labels_[kSrc]->SetTextValue(CellText(selected_, kSource), FLAG_REPAINT);
  labels_[kDst]->SetTextValue(CellText(selected_, kDestination), FLAG_REPAINT);
  const float amount = Bar(selected_)->getLevel();
  labels_[kAmount]->SetFloatValue(amount, FLAG_REPAINT);
  labels_[kAmount]->SetFloatRawValue(amount);
}

void modMatrix::LoadRoutes() {
  for (int k = 0; k < 3; ++k) {
    const float v = services_->GetParamById(static_cast<int>(MacroUid(k)));
    labels_[kMacro1 + k]->SetFloatValue(v, FLAG_REPAINT | FLAG_UPDATE_DS | FLAG_UPDATE_ENGINE_IM);
    ApplyValue(24 + k, false, v);
  }
  for (int i = 0; i < kRows; ++i) {
    records_[i] = Record{};
    SetCellText(i, kSource, "----");
    SetCellText(i, kDestination, "----");
    SetCellText(i, kGroup, "");
    SetCellText(i, kPolarity, " ");
    if (uxBarCtrl* bar = Bar(i)) bar->setLevel(std::min(0.0f, bar->getMax()));
  }
  int skipped = 0;
  for (int j = 0; j < kRows; ++j) {
    const auto* e = static_cast<const ModRoute*>(services_->GetParamEntry(j | part_ << 16));
    if (e == nullptr) continue;
    // A file can carry anything: an entry that names a row, source or destination the page
    // does not have would write past the table.
    if (e->slot >= kRows || e->source >= kSources || e->destination >= kDestinations) {
      ++skipped;
      continue;
    }
    const int row = e->slot;
    labels_[kSrc]->SetFloatValue(static_cast<float>(e->source), 0);
    labels_[kDst]->SetFloatValue(static_cast<float>(e->destination), 0);
    labels_[kAmount]->SetFloatRawValue(e->amount);
    SetCellText(row, kSource, SourceName(e->source));
    SetCellText(row, kDestination, DestinationName(e->destination));
    if (uxBarCtrl* bar = Bar(row)) bar->setLevel(std::min(e->amount, bar->getMax()));
    SetCellText(row, kPolarity, PolarityName(static_cast<int>(e->polarity)));
    Record& r = records_[row];
    r.source = e->source;
    r.sourceName = SourceName(e->source);
    r.destination = e->destination;
    r.destinationName = DestinationName(e->destination);
    r.amount = e->amount;
    r.polarity = static_cast<int>(e->polarity);
    r.changed = 0;
  }
  if (skipped != 0) platform::LogPrintf("modMatrix: %d stored routes out of range skipped\n", skipped);
  ComputeGroups();
  table_->setRepaint();
}

void modMatrix::ApplyValue(int slot, bool fromEncoder, float value) {
  const bool row = selected_ >= 0 && selected_ < kRows;
  switch (slot) {
    case 0: {
      if (!row) break;
      const int s = Index(labels_[kSrc]->GetFloatValue());
      const bool disabled = (labels_[kSrc]->getEnumAttr(s) & 1) != 0;
      SetCellText(selected_, kSource, labels_[kSrc]->getText());
      SetCellColour(selected_, kSource, disabled ? kDisabledText : 0xFFFFFF);
      Record& r = records_[selected_];
      r.source = s;
      r.sourceName = labels_[kSrc]->getText();
      r.destination = Index(labels_[kDst]->GetFloatValue());
      r.destinationName = labels_[kDst]->getText();
      r.polarity = static_cast<int>(DefaultPolarity(s));
      SetCellText(selected_, kPolarity, PolarityName(r.polarity));
      SendRoute(-1, 0);
      break;
    }
    case 8: {
      if (!row) break;
      if (uxBarCtrl* bar = Bar(selected_)) bar->setLevel(std::min(value, bar->getMax()));
      records_[selected_].amount = labels_[kAmount]->GetFloatValue();
      SendRoute(selected_, 1);
      break;
    }
    case 16: {
      if (!row) break;
      Record& r = records_[selected_];
      r.source = Index(labels_[kSrc]->GetFloatValue());
      r.sourceName = labels_[kSrc]->getText();
      r.destination = Index(labels_[kDst]->GetFloatValue());
      r.destinationName = labels_[kDst]->getText();
      SetCellText(selected_, kDestination, labels_[kDst]->getText());
      ComputeGroups();
      const bool disabled = (labels_[kDst]->getEnumAttr(r.destination) & 1) != 0;
      SetCellColour(selected_, kDestination, disabled ? kDisabledText : 0xFFFFFF);
      SendRoute(-1, 0);
      break;
    }
    case 24:
    case 25:
    case 26:
      if (!fromEncoder) labels_[kMacro1 + slot - 24]->SetFloatRawValue(value);
      break;
    default:
      break;
  }
}

void modMatrix::AssignSource(int key, int withRow) {
  const int source = key >= 0 && key < static_cast<int>(std::size(kSourceKeys)) ? kSourceKeys[key] : -1;
  int row;
  if (withRow != 0) {
    // Without a selected row there is no route to give the source to.
    row = table_->getSelection();
    if (row < 0 || row >= kRows) return;
    table_->ScrollToSelected();
    if (source >= 0) labels_[kSrc]->SetFloatValue(static_cast<float>(source), FLAG_REPAINT);
    const int s = Index(labels_[kSrc]->GetFloatValue());
    if (selected_ >= 0 && selected_ < kRows) SetCellText(selected_, kSource, labels_[kSrc]->getText());
    Record& r = records_[row];
    r.source = s;
    r.sourceName = labels_[kSrc]->getText();
    r.amount = 0.0f;
    r.polarity = static_cast<int>(DefaultPolarity(s));
    labels_[kAmount]->SetFloatRawValue(0.0f);
    labels_[kAmount]->SetFloatValue(0.0f, FLAG_REPAINT);
  } else {
    row = -1;
    for (int i = 0; i < kRows && row < 0; ++i)
      if (records_[i].source == 0) row = i;
    if (row < 0) return;
    table_->selectRow(row);
    table_->ScrollToSelected();
    selected_ = row;
    if (source >= 0) labels_[kSrc]->SetFloatValue(static_cast<float>(source), FLAG_REPAINT);
    SetCellText(row, kSource, labels_[kSrc]->getText());
    Record& r = records_[row];
    r.source = Index(labels_[kSrc]->GetFloatValue());
    r.sourceName = labels_[kSrc]->getText();
    r.polarity = 0;
    r.amount = 0.0f;
    for (int i : {kAmount, kDst}) {
      labels_[i]->SetFloatRawValue(0.0f);
      labels_[i]->SetFloatValue(0.0f, FLAG_REPAINT);
    }
  }
  SendRoute(row, 0);
}

void modMatrix::AssignDestination(int key, float amount) {
  platform::LogPrintf("AMMOUT Ext:%f\n", static_cast<double>(amount));
  const AssignKey* found = nullptr;
  for (const AssignKey& k : kAssignKeys)
    if (k.key == key) found = &k;
  if (found == nullptr || selected_ < 0 || selected_ >= kRows) return;
  int destination = found->destination;
  const int partBits = part_ << 16;
  if (key == 294) destination = services_->GetParamById(partBits + 0x010) == 0.0f ? 7 : 8;
  if (key == 310) destination = services_->GetParamById(partBits + 0x1010) == 0.0f ? 15 : 16;
  labels_[kDst]->SetFloatValue(static_cast<float>(destination), FLAG_REPAINT);
  SetCellText(selected_, kDestination, labels_[kDst]->getText());
  const int row = table_->getSelection() >= 0 && table_->getSelection() < kRows ? table_->getSelection() : selected_;
  Record& r = records_[row];
  r.destination = destination;
  r.destinationName = labels_[kDst]->getText();
  r.amount = amount;
  labels_[kAmount]->SetFloatRawValue(amount);
  labels_[kAmount]->SetFloatValue(amount, FLAG_REPAINT);
  if (uxBarCtrl* bar = Bar(row)) bar->setLevel(std::min(amount, bar->getMax()));
  SendRoute(row, 0);
}

int modMatrix::OnPaint() {
  const int result = uxPanelCtrl::OnPaint();
  if (isFocus() && isEnabled() && (++paints_ & 1) == 0) {
    const auto* voice = static_cast<const VoiceStatus*>(services_->VoiceMonitor(part_));
    if (voice != nullptr)
      for (int i = 0; i < kRows; ++i) {
        uxBarCtrl* bar = Bar(i);
        bar->setMarker(std::min(voice->route[i].load(std::memory_order_relaxed) * 100.0f, bar->getMax()));
        bar->setRepaint();
      }
  }
  return result;
}

int modMatrix::OnMidiCC(int port, int /*channel*/, int controller, int value) {
  for (int k = 0; k < 3; ++k) {
    uxValueLabel* label = labels_[kMacro1 + k];
    if (label->OnMidiCC(port, 0, controller, value) == 0) continue;
    const float v = label->GetFloatValue();
    ApplyValue(24 + k, false, v);
    services_->ValueChanged(static_cast<uint32_t>(label->GetID()), FLAG_UPDATE_DS | FLAG_UPDATE_ENGINE_IM, v);
  }
  return 1;
}

int modMatrix::OnMessage(tagUX_Message* msg) {
  const int result = uxPanelCtrl::OnMessage(msg);
  switch (msg->type) {
    case UX_MSG_TABLE_ITEM_SEL:
      // Posted selections carry no table: the pointer is only an identity.
      if (msg->pData != nullptr && msg->pData != table_) break;
      selected_ = table_->getSelection();
      LoadRowIntoLabels();
      break;
    case UX_MSG_ENCODER_VALUE_CHANGED:
      if (!isFocus()) break;
      for (int i = 0; i < kLabels; ++i) {
        const int slot = static_cast<int>(labels_[i]->GetUserData() & 0xFF);
        if (editor_labels::TurnedBy(*msg, labels_[i], slot)) ApplyValue(slot, true, labels_[i]->GetFloatValue());
      }
      break;
    case UX_MSG_ENCODER_EVENT:
      if (!isFocus() || (msg->param & 7) != 2 || msg->flag != 132 || selected_ < 0 || selected_ >= kRows) break;
      records_[selected_].polarity = (records_[selected_].polarity + 1) % 3;
      SetCellText(selected_, kPolarity, PolarityName(records_[selected_].polarity));
      SendRoute(selected_, 0);
      break;
    case UX_MSG_ON_BUTTON:
      if (!isFocus()) break;
      if (msg->param == kButtonClear) {
        for (int i : {kSrc, kDst, kAmount}) labels_[i]->SetFloatValue(0.0f, FLAG_REPAINT);
        ApplyValue(0, false, 0.0f);
        ApplyValue(16, false, 0.0f);
        ApplyValue(8, false, 0.0f);
      } else if (msg->param == kButtonDefault) {
        ResetRoutes();
      }
      break;
    case UX_MSG_OFF_BUTTON:
      if (msg->param == kButtonClear) buttons_[1]->SetChecked(false);
      if (msg->param == kButtonDefault) buttons_[0]->SetChecked(false);
      break;
    case UX_MSG_VALUES_CHANGED:
      if (static_cast<int>(msg->param) == -1 || static_cast<int>(msg->param) == part_) LoadRoutes();
      break;
    case UX_MSG_FOCUS:
      if (msg->param == 4) {
        LoadRoutes();
        table_->SetEnabled(true);
      } else if (msg->param == 3) {
        table_->SetEnabled(false);
      } else if (msg->param == 1) {
        selected_ = table_->getSelection();
        table_->setRepaint();
        LoadRowIntoLabels();
        if (static_cast<int>(msg->arg) == -1) services_->sendCANFocus(255);
      }
      break;
    case UX_MSG_ASSIGN_SOURCE:
      AssignSource(static_cast<int>(msg->param), static_cast<int>(msg->flag));
      break;
    case UX_MSG_ASSIGN_DESTINATION: {
      float amount = 0.0f;
      if (msg->pData != nullptr) std::memcpy(&amount, msg->pData, sizeof amount);
      AssignDestination(static_cast<int>(msg->param), amount);
      break;
    }
    case UX_MSG_CLOSE_PANEL:
      CloseOnRequest(*this, *msg);
      break;
    default:
      break;
  }
  return result;
}
