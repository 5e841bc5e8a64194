#include "pages/effects/appVA_Effects.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iterator>

#include "app/PageServices.h"
#include "pages/effects/cfgVA_Base.h"
#include "pages/effects/FxPanelTables.h"
#include "pages/effects/cfgVA_Compressor.h"
#include "pages/effects/cfgVA_None.h"
#include "pages/effects/cfgVA_Reverb.h"
#include "pages/effects/cfgVA_StereoDelay.h"
#include "platform/ArmConvert.h"
#include "platform/LogSink.h"
#include "toolkit/uxBarCtrl.h"
#include "toolkit/uxButton.h"
#include "toolkit/uxGroup.h"
#include "toolkit/uxTableCtrl.h"
#include "toolkit/uxTableRow.h"

namespace {

constexpr uxCOLOR kPageColour = 0x404040;
constexpr uxCOLOR kGroupColour = 0x202020;

// The list: ten rows of 48 pixels, four in view.
constexpr int16_t kTableX = 10;
constexpr int16_t kTableY = 60;
constexpr int16_t kTableWidth = 380;
constexpr int16_t kTableHeight = 192;
constexpr int kVisibleRows = 4;
constexpr int kRowHeight = 48;
constexpr uxCOLOR kOddRow = 0x202020;
constexpr uxCOLOR kEvenRow = 0x000000;
constexpr uxCOLOR kRowFrame = 0x545454;
enum Column { kNumberColumn, kTypeColumn, kOnColumn, kBarColumn };

constexpr int kEncoderA = 144;
constexpr int kEncoderPush = 132;
constexpr int kFocusGained = 1;
constexpr int kAllParts = -1;
constexpr int kPartToTarget = 8;
constexpr unsigned kBrowseFlags = FLAG_REPAINT;
constexpr uint32_t kInUse = 1;

struct GroupSpec {
  const char* name;
  int x, y;
  int16_t w, h;
};
constexpr GroupSpec kGroups[4] = {
    {"ENCODER A", 10, 260, 180, 225},
    {"ENCODER B", 210, 260, 180, 225},
    {"ENCODER C", 410, 340, 180, 150},
    {"ENCODER D", 610, 340, 180, 230},
};

// Entries 1..10 of the label set: group, encoder slot, position.
struct LabelSpec {
  int group;
  int slot;
  int x, y;
};
constexpr LabelSpec kLabels[appVA_Effects::kLabelSet] = {
    {-1, 0, 0, 0},  // entry 0 is always empty
    {0, 0, 10, 410},   {0, 1, 10, 340},   {0, 2, 10, 260},
    {1, 8, 210, 410},  {1, 9, 210, 340},  {1, 10, 210, 260},
    {2, 16, 410, 410}, {2, 17, 410, 340}, {3, 24, 610, 410},
    {3, 25, 610, 340},
};
constexpr int16_t kLabelWidth = 180;
constexpr int16_t kLabelHeight = 70;
// The first label of each encoder is the one the encoder drives when a row is chosen.
constexpr bool kDrivenFirst[appVA_Effects::kLabelSet] = {false, true, false, false, true, false,
                                                         false, true, false, true,  false};

struct TypeSpec {
  const char* text;
  const char* panel;
  const char* image;
};
constexpr TypeSpec kTypeSpecs[appVA_Effects::kTypes] = {
    {"----", "NONE", "Blank.png"},
    {"MOD-DLY", "MODDELAY", "Chorus.png"},
    {"PARAM-EQ", "3BANDEQ", "3BandEQ.png"},
    {"ST-DLY", "DELAY", "Delay.png"},
    {"MOOGFLT", "MOOGLADDER", "MoogLadder.png"},
    {"TUBEAMP", "TUBE_PREAMP", "TubePreamp.png"},
    {"REVERB", "REVERB", "Reverb.png"},
    {"DYNAMIC", "COMPRESSOR", "Dynamics.png"},
    {"PHASER", "PHASER", "Phaser.png"},
    {"j6-chorus", "j6 CHOURS", "J6Chorus.png"},
};

// A stored type the page has no panel for (a damaged preset, NaN) shows and edits as an
// empty slot.
int StoredType(float v) {
  const int t = arm::ToInt32(v);
  return t >= 0 && t < appVA_Effects::kTypes ? t : 0;
}

}  // namespace

appVA_Effects::appVA_Effects(PageServices* services, uint32_t id, const char* caption, uxPOINT pos, int16_t w,
                             int16_t h)
    : uxPanelCtrl(services, id, caption, pos, w, h, kPageColour),
      services_(services),
      target_(static_cast<int>((id >> 16) & 0xF)) {
  BuildTable();
  BuildLabels();
  for (int type = 0; type < kTypes; ++type) {
    panels_[type] = MakePanel(type);
    AddElement(panels_[type]);
  }
}

// The panels, groups (with the labels) and the list are the panel's elements.
appVA_Effects::~appVA_Effects() = default;

cfgVA_Base* appVA_Effects::MakePanel(int type) {
  const uint32_t id = GetUserData();
  switch (type) {
    case 0: return new cfgVA_None(services_, id, labels_, this);
    case 3: return new cfgVA_StereoDelay(services_, id, labels_, this);
    case 6: return new cfgVA_Reverb(services_, id, labels_, this);
    case 7: return new cfgVA_Compressor(services_, id, labels_, this);
    default:
      return new cfgVA_Base(services_, id, labels_, this, kTypeSpecs[type].panel, kTypeSpecs[type].image,
                            fx_panels::Rows(type));
  }
}

void appVA_Effects::BuildTable() {
  table_ = new uxTableCtrl(services_, 0, "Effect List", uxPOINT(kTableX, kTableY), kTableWidth, kTableHeight, kVisibleRows, kOddRow);
  table_->setSelectionMode(uxTableCtrl_RadioToggle);
  for (int n = 1; n <= kSlots; ++n) {
    const uxCOLOR colour = n % 2 == 1 ? kOddRow : kEvenRow;
    const int16_t x = kTableX;
    const int16_t y = static_cast<int16_t>(kTableY + (n - 1) * kRowHeight);
    auto* row = new uxTableRow(table_, n, static_cast<uint32_t>(n), kRowHeight, "ROW");
    auto* number = new uxButton(services_, static_cast<unsigned>(-1), uxPOINT(x, y), 40, kRowHeight, 0xC0C0C0,
                                kRowFrame, 0x202020);
    char text[8];
    std::snprintf(text, sizeof text, "%02d", n);
    number->SetText(text);
    number->setMode(BtnModeSelectable);
    auto* type = new uxButton(services_, static_cast<unsigned>(-1), uxPOINT(x + 40, y), 230, kRowHeight, colour,
                              kRowFrame, 0xFFFFFF);
    type->SetText(kTypeSpecs[0].text);
    type->setMode(BtnModeSelectable);
    auto* on = new uxButton(services_, kOnButtonId, uxPOINT(x + 270, y), 60, kRowHeight, colour, kRowFrame, 0xFFFFFF);
    on->SetText("ON");
    on->setMode(BtnModeGridToggle);
    auto* bar = new uxBarCtrl(services_, 0, static_cast<int16_t>(x + 330), y, 20, kRowHeight, colour, kRowFrame,
                              0xC00000);
    bar->setMax(100.0f);
    bar->setLevel(0.0f);
    bar->setOrientation(uxBarCtrl_BottomUp);
    row->addColumn(number);
    row->addColumn(type);
    row->addColumn(on);
    row->addColumn(bar);
    table_->addRow(row);
  }
  AddElement(table_);
}

void appVA_Effects::BuildLabels() {
  for (int g = 0; g < 4; ++g) {
    const GroupSpec& s = kGroups[g];
    groups_[g] = new uxGroup(services_, 0, s.name, uxPOINT(s.x, s.y), s.w, s.h, kGroupColour);
    AddElement(groups_[g]);
  }
  for (const TypeSpec& t : kTypeSpecs) {
    tEnumItem item;
    item.text = t.text;
    types_.push_back(item);
  }
  for (int entry = 1; entry < kLabelSet; ++entry) {
    const LabelSpec& s = kLabels[entry];
    const bool typeLabel = entry == kTypeLabel;
    const uxCOLOR accent = typeLabel ? 0xC00000 : 0xC0C0C0;
    const uxCOLOR title = entry == 7 ? 0x808080 : 0xC0C0C0;
    const int uid = typeLabel ? static_cast<int>(GetUserData()) + kTypeParam : -1;
    auto* label = new uxValueLabel(services_, uid, static_cast<uint32_t>(s.slot), uxPOINT(s.x, s.y), kLabelWidth, kLabelHeight,
                                   0x303030, accent, title, 0xFFFFFF, 0xA4A4A4, false);
    if (typeLabel) {
      label->SetLabelText("TYPE", "", 12);
      label->SetEnumRef(&types_);
      label->SetEncoderMode(8, 0);
      label->SetFloatValue(0.0f, FLAG_NONE);
      label->SetChecked(true);
      // Turning encoder A only browses: the type is stored and sent by the push.
      label->setEncoderNotifications(static_cast<int>(kBrowseFlags));
    } else if (entry <= 3) {
      label->SetLabelText("  ?  ", "%");
    } else {
      label->SetLabelText(" ? ", "");
    }
    labels_[entry] = label;
    groups_[s.group]->AddElement(label);
  }
}

uxButton* appVA_Effects::NumberButton(int slot) const {
  uxTableRow* row = table_->getRow(slot);
  return row ? static_cast<uxButton*>(row->getColumn(kNumberColumn)) : nullptr;
}
uxButton* appVA_Effects::TypeButton(int slot) const {
  uxTableRow* row = table_->getRow(slot);
  return row ? static_cast<uxButton*>(row->getColumn(kTypeColumn)) : nullptr;
}
uxButton* appVA_Effects::OnButton(int slot) const {
  uxTableRow* row = table_->getRow(slot);
  return row ? static_cast<uxButton*>(row->getColumn(kOnColumn)) : nullptr;
}

bool appVA_Effects::TypeInUse(int type) const {
  return type >= 0 && type < static_cast<int>(types_.size()) && (types_[std::size_t(type)].attr & kInUse) != 0;
}

int appVA_Effects::RowNumber(uxTableRow* row) const {
  auto* number = static_cast<uxButton*>(row->getColumn(kNumberColumn));
  return static_cast<int>(std::strtol(number->GetText(), nullptr, 10));
}

int appVA_Effects::OnPaint() {
  const int result = uxPanelCtrl::OnPaint();
  firstPaint_ = false;
  return result;
}

void appVA_Effects::ShowConfigPanel(int type, int slot) {
  for (cfgVA_Base* panel : panels_) panel->SetEnabled(false);
  panels_[type]->SetupSlot(slot);
}

void appVA_Effects::SelectRow() {
  uxTableRow* row = table_->getSelectedRow();
  if (row == nullptr) row = table_->getRow(0);
  selectedRow_ = row;
  const int n = RowNumber(row);
  auto* type = static_cast<uxButton*>(row->getColumn(kTypeColumn));
  labels_[kTypeLabel]->SetTextValue(type->GetText(), kBrowseFlags);
  currentType_ = StoredType(labels_[kTypeLabel]->GetFloatValue());
  if (n - 1 == selectedSlot_) return;
  for (cfgVA_Base* panel : panels_) panel->SetEnabled(false);
  panels_[currentType_]->SetupSlot(n - 1);
  selectedSlot_ = n - 1;
  panels_[currentType_]->RefreshValues(1);
}

void appVA_Effects::OnRowChosen() {
  SelectRow();
  for (int entry = 1; entry < kLabelSet; ++entry) labels_[entry]->SetChecked(kDrivenFirst[entry]);
  ToggleSlotBypass();
}

void appVA_Effects::ToggleSlotBypass() {
  if (selectedRow_ == nullptr) return;
  const int n = RowNumber(selectedRow_);
  currentType_ = StoredType(labels_[kTypeLabel]->GetFloatValue());
  auto* on = static_cast<uxButton*>(selectedRow_->getColumn(kOnColumn));
  if (currentType_ != 0) {
    services_->SetParamById(Uid(n - 1, kBypassParam), on->getButtonState() ? 0.0f : 1.0f);
  } else {
    on->setButtonState(false);
  }
}

void appVA_Effects::AssignType() {
  if (selectedRow_ == nullptr || currentType_ > kTypes - 1) return;
  uxValueLabel* typeLabel = labels_[kTypeLabel];
  const int type = arm::ToInt32(typeLabel->GetFloatRawValue());
  if (type < 0 || type >= static_cast<int>(types_.size()) || TypeInUse(type)) return;
  auto* typeButton = static_cast<uxButton*>(selectedRow_->getColumn(kTypeColumn));
  // Pushing the type the row already has (an empty row's "----") changes nothing.
  if (types_[std::size_t(type)].text == typeButton->GetText()) return;
  currentType_ = type;
  const int slot = table_->getRowIndex(selectedRow_);
  typeButton->SetText(typeLabel->getText());
  static_cast<uxButton*>(selectedRow_->getColumn(kOnColumn))->setButtonState(false);
  selectedSlot_ = slot;
  services_->SetParamById(Uid(slot, kBypassParam), 1.0f);
  services_->SetParamById(Uid(slot, kTypeParam), static_cast<float>(type));
  ShowConfigPanel(type, slot);
  panels_[type]->SetDefaults();
  MarkTypesInUse();
  table_->repaintRow(selectedRow_);
  platform::LogPrintf("ID %X  nr:%d, FXType:%d\n", static_cast<unsigned>(typeLabel->GetID()), slot, type);
}

void appVA_Effects::MarkTypesInUse() {
  for (tEnumItem& item : types_) item.attr &= ~kInUse;
  for (int slot = 0; slot < kSlots; ++slot) {
    const char* text = TypeButton(slot)->GetText();
    for (std::size_t t = 1; t < types_.size(); ++t)
      if (types_[t].text == text) types_[t].attr |= kInUse;
  }
  labels_[kTypeLabel]->setRepaint();
}

void appVA_Effects::RefreshPart() {
  for (int i = 0; i < kSlots; ++i) {
    const int t = StoredType(services_->GetParamById(Uid(i, kTypeParam)));
    // A bypass that is not a number reads as off.
    OnButton(i)->setButtonState(t != 0 && services_->GetParamById(Uid(i, kBypassParam)) == 0.0f);
    labels_[kTypeLabel]->SetFloatValue(static_cast<float>(t), kBrowseFlags);
    TypeButton(i)->SetText(labels_[kTypeLabel]->getText());
    table_->repaintRow(table_->getRow(i));
    panels_[t]->SetupSlot(i);
    panels_[t]->RefreshValues(0);
  }
  table_->selectRow(-1, true);
  selectedRow_ = nullptr;
  selectedSlot_ = -1;
  // Without a row the encoders must edit nothing: the refresh leaves the labels on the
  // last slot otherwise. The marks follow the types the part now holds.
  ShowConfigPanel(0, -1);
  MarkTypesInUse();
}

void appVA_Effects::OnFocus() {
  if (selectedRow_ == nullptr) {
    ShowConfigPanel(0, -1);
    return;
  }
  const int n = RowNumber(selectedRow_);
  ShowConfigPanel(currentType_, n - 1);
  panels_[currentType_]->RefreshValues(1);
}

int appVA_Effects::OnMessage(tagUX_Message* msg) {
  const int result = uxPanelCtrl::OnMessage(msg);
  switch (msg->type) {
    case UX_MSG_TABLE_ITEM_SEL:
      // Another list's choice (a panel's own) is not a slot.
      if (msg->pData == nullptr || msg->pData == table_) OnRowChosen();
      break;
    case UX_MSG_ENCODER_EVENT:
      if (static_cast<int>(msg->param) == kEncoderA && static_cast<int>(msg->flag) == kEncoderPush) AssignType();
      break;
    case UX_MSG_FOCUS:
      if (static_cast<int>(msg->param) == kFocusGained) OnFocus();
      break;
    case UX_MSG_VALUES_CHANGED:
      if (static_cast<int>(msg->param) == kAllParts || static_cast<int>(msg->param) + kPartToTarget == target_) RefreshPart();
      break;
    case UX_MSG_ON_BUTTON:
      if (static_cast<int>(msg->param) == kOnButtonId && isFocus()) ToggleSlotBypass();
      break;
    default:
      break;
  }
  return result;
}
