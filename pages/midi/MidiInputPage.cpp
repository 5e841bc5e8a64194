#include "pages/midi/MidiInputPage.h"

#include <cstdio>

#include "app/PageServices.h"
#include "pages/widgets/uxCurveCtrl.h"
#include "pages/widgets/uxPianoCtrl.h"
#include "toolkit/uxGroup.h"
#include "toolkit/uxLabel.h"
#include "toolkit/uxValueLabel.h"

MidiInputPage::MidiInputPage(PageServices* services, int number, const char* name, uxPOINT pos, int16_t w,
                             int16_t h, uxCOLOR colour, const Layout& layout, const std::vector<LabelSpec>& specs)
    : uxPanelCtrl(services, static_cast<uint32_t>(number), name, pos, w, h, colour),
      services_(services),
      number_(number),
      layout_(layout),
      specs_(specs) {
  keyboard_ = new uxPianoCtrl(services, 0, "Key", uxPOINT(15, 100), 600, 105, 5, 0xFF0000, 0xFF0000);
  keyboard_->SetRangeStart(0);
  keyboard_->SetRangeEnd(kKeyboardEnd);
  AddElement(keyboard_);
  groupA_ = new uxGroup(services, 0, "ENCODER A", uxPOINT(10, 260), 180, layout.groupAHeight);
  groupB_ = new uxGroup(services, 0, "ENCODER B", uxPOINT(210, 340), 180, 160);
  AddElement(groupA_);
  AddElement(groupB_);
  for (const LabelSpec& s : specs_) {
    auto* label = new uxValueLabel(services, static_cast<int>(Uid(s.setting)), static_cast<uint32_t>(s.slot),
                                   uxPOINT(s.x, s.y), 180, 70, 0x303030, 0xC00000, 0xC0C0C0, 0xFFFFFF, 0xA4A4A4,
                                   false);
    label->SetLabelText(s.text, s.unit, 13);
    for (const char* choice : s.choices) label->AddEnumText(choice);
    label->SetEncoderMode(s.encoderMode, s.encoderSteps);
    label->SetFloatValue(s.initial, 0);
    if (s.checked) label->SetChecked(true, true);
    labels_.push_back(label);
    if (s.slot < 8)
      groupA_->AddElement(label);
    else if (s.slot < 16)
      groupB_->AddElement(label);
    else
      AddElement(label);
  }
  uxPOINT curveAt(410, 220);
  curve_ = new uxCurveCtrl(services, &curveAt, 180, 180, 0x202020, 0x808080, 0xFFFFFF);
  AddElement(curve_);
  title_ = new uxLabel(services, uxPOINT(610, 100), 180, 50, colour, colour, layout.titleColour, 14);
  title_->setText(layout.title);
  AddElement(title_);
  input_ = new uxLabel(services, uxPOINT(610, 150), 180, 50, colour, colour, 0xFFFFFF, 12);
  AddElement(input_);
  if (layout.outputFormat != nullptr) {
    output_ = new uxLabel(services, uxPOINT(610, 210), 180, 50, colour, colour, 0xFFFFFF, 12);
    AddElement(output_);
  }
  repaint_ = true;
}

uxValueLabel* MidiInputPage::LabelOf(int setting) const {
  for (std::size_t i = 0; i < specs_.size(); ++i)
    if (specs_[i].setting == setting) return labels_[i];
  return nullptr;
}

const char* MidiInputPage::InputText() const { return input_->getText(); }
const char* MidiInputPage::OutputText() const { return output_ != nullptr ? output_->getText() : ""; }

int MidiInputPage::OnPaint() {
  uxPanelCtrl::OnPaint();
  repaint_ = false;
  return 1;
}

void MidiInputPage::ShowPort(uxLabel* label, const char* format, float value) {
  if (label == nullptr) return;
  const int v = static_cast<int>(value);
  char text[32];
  std::snprintf(text, sizeof text, format, v / 16, v % 16 + 1);
  label->setText(text);
}

void MidiInputPage::SetCurve(float value) {
  curveAmount_ = -value;
  curve_->SetCurvature(curveAmount_);
  curve_->setRepaint();
}

void MidiInputPage::LoadValues(int number) {
  for (std::size_t i = 0; i < specs_.size(); ++i) {
    const LabelSpec& s = specs_[i];
    const float value = services_->GetSetting(kSettingBit | static_cast<uint32_t>(number) << 12 | s.setting);
    labels_[i]->SetFloatValue(value, 0);
    labels_[i]->SetFloatRawValue(value);
    switch (s.role) {
      case Role::kInput:
        ShowPort(input_, layout_.inputFormat, value);
        break;
      case Role::kOutput:
        ShowPort(output_, layout_.outputFormat, value);
        break;
      case Role::kStart:
        keyboard_->SetRangeStart(static_cast<int>(value));
        break;
      case Role::kEnd:
        keyboard_->SetRangeEnd(static_cast<int>(value) + 1);
        break;
      case Role::kCurve:
        SetCurve(value);
        break;
      case Role::kTranspose:
      case Role::kBend:
        break;
    }
  }
  setRepaint();
}

void MidiInputPage::ApplyValue(int slot, float value) {
  const LabelSpec* row = nullptr;
  for (const LabelSpec& s : specs_)
    if (s.slot == slot) row = &s;
  if (row == nullptr) return;
  bool stop = false;
  switch (row->role) {
    case Role::kInput:
      ShowPort(input_, layout_.inputFormat, value);
      stop = true;
      break;
    case Role::kOutput:
      ShowPort(output_, layout_.outputFormat, value);
      break;
    case Role::kStart:
      keyboard_->SetRangeStart(static_cast<int>(value));
      stop = true;
      break;
    case Role::kEnd:
      keyboard_->SetRangeEnd(static_cast<int>(value) + 1);
      stop = true;
      break;
    case Role::kTranspose:
      stop = true;
      break;
    case Role::kCurve:
      SetCurve(value);
      break;
    case Role::kBend:
      break;
  }
  // The part's held notes would hang once their input, range or octave moved away.
  if (stop) services_->SendPartStop(number_);
}

int MidiInputPage::OnMessage(tagUX_Message* msg) {
  const int result = uxPanelCtrl::OnMessage(msg);
  switch (msg->type) {
    case UX_MSG_VALUES_CHANGED:
      if (static_cast<int>(msg->param) == number_) LoadValues(number_);
      break;
    case UX_MSG_ENCODER_VALUE_CHANGED:
      if (!isFocus()) break;
      for (std::size_t i = 0; i < specs_.size(); ++i) {
        if (specs_[i].slot / 8 != static_cast<int>(msg->param & 3) || !labels_[i]->isChecked()) continue;
        ApplyValue(specs_[i].slot, labels_[i]->GetFloatValue());
      }
      break;
    default:
      break;
  }
  return result;
}
