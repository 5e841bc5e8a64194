#include "pages/editors/modOSCCfg.h"

#include "app/PageServices.h"
#include "pages/editors/EditorLabels.h"
#include "pages/editors/PanelFocus.h"
#include "toolkit/uxGroup.h"
#include "toolkit/uxImage.h"
#include "toolkit/uxValueLabel.h"

namespace {

constexpr int kOpen = 0;
constexpr int kClosed = 1;

struct LabelSpec {
  uint32_t offset;
  const char* caption;
  const char* unit;
  int slot;
  char group;  // 'A', 'C' or 0 for the panel itself
  int x, y;
  int mode;
  bool checked;
  const char* texts[7];
};

// In the order of every loop over the labels.
constexpr LabelSpec kSpecs[modOSCCfg::kLabels] = {
    {0x800, "BEND", nullptr, 2, 'A', 10, 260, 8, false, {"OFF", "ON"}},
    {0x801, "GLIDE", nullptr, 1, 'A', 10, 340, 8, false, {"OFF", "ON"}},
    {0x802, "KBD", "oct", 0, 'A', 10, 410, 8, true, {"TRACK", "2", "3", "4", "5", "6", "7"}},
    {0x805, "RESET OSC", nullptr, 17, 'C', 410, 340, 8, false, {"Off", "On"}},
    {0x806, "PH-DEVIATION", "%", 16, 'C', 410, 410, 1, true, {}},
    {0x804, "AM-OFFSET", "%", 24, 0, 610, 410, 1, false, {}},
    {0x803, "FM-FACTOR", "x", 8, 0, 210, 410, 8, true, {"0.1", "1", "2", "5", "10"}},
};

int SlotOf(const uxValueLabel* label) { return static_cast<int>(label->GetUserData() & 0xFF); }

}  // namespace

modOSCCfg::modOSCCfg(PageServices* services, uint32_t id, const char* name, uxPOINT pos, int16_t w, int16_t h)
    : uxPanelCtrl(services, id, name, pos, w, h, uxCOLOR(0x303030), OPTION_FLAG_CAPTION | OPTION_FLAG_CLOSE),
      services_(services), part_(static_cast<int>((id >> 16) & 0xF)) {
  if (dc_ != nullptr) backgroundImage_ = dc_->loadImage("OSCConfigBKG.png");
  SetTypeName("CONFIGURATION");
  for (int k = 0; k < kSwitches; ++k) {
    switches_[k] = new uxImage(services, uxPOINT(117, static_cast<int16_t>(pos.y + 90 + 40 * k)), "OSCSwitchOpen.png");
    switches_[k]->addImage("OSCSwitchClosed.png");
    AddElement(switches_[k]);
  }
  auto* groupA = new uxGroup(services, 0, "ENCODER A", uxPOINT(10, 260), 180, 230, 0x2C0000);
  auto* groupC = new uxGroup(services, 0, "ENCODER C", uxPOINT(410, 340), 180, 150, 0x2C0000);
  AddElement(groupA);
  AddElement(groupC);
  for (int i = 0; i < kLabels; ++i) {
    const LabelSpec& s = kSpecs[i];
    auto* label = new uxValueLabel(services, static_cast<int>(id + s.offset),
                                   static_cast<uint32_t>(s.slot) | static_cast<uint32_t>(part_) << 12,
                                   uxPOINT(static_cast<int16_t>(s.x), static_cast<int16_t>(s.y)), 180, 70, 0x202020,
                                   0xC00000, i == kAmOffset ? 0x808080 : 0xC0C0C0, 0xFFFFFF, 0xA4A4A4, false);
    label->SetLabelText(s.caption, s.unit, 13);
    for (const char* t : s.texts)
      if (t != nullptr) label->AddEnumText(t);
    label->SetEncoderMode(s.mode);
    label->SetFloatValue(0.0f, 0);
    label->SetChecked(s.checked, false);
    labels_[i] = label;
    if (s.group == 'A')
      groupA->AddElement(label);
    else if (s.group == 'C')
      groupC->AddElement(label);
    else
      AddElement(label);
  }
}

void modOSCCfg::SetSwitch(int slot, float value) {
  switch (slot) {
    case 2: switches_[kBendSwitch]->showImage(value != 0.0f ? kClosed : kOpen); break;
    case 1: switches_[kGlideSwitch]->showImage(value != 0.0f ? kClosed : kOpen); break;
    // Tracking the keyboard closes the path; a fixed octave opens it.
    case 0: switches_[kKbdSwitch]->showImage(value == 0.0f ? kClosed : kOpen); break;
    default: break;
  }
}

int modOSCCfg::OnPaint() { return uxPanelCtrl::OnPaint(); }

int modOSCCfg::OnMessage(tagUX_Message* msg) {
  const int result = uxPanelCtrl::OnMessage(msg);
  switch (msg->type) {
    case UX_MSG_CLOSE_PANEL:
      CloseOnRequest(*this, *msg);
      break;
    case UX_MSG_ENCODER_VALUE_CHANGED:
      if (!isFocus()) break;
      for (uxValueLabel* label : labels_)
        if (editor_labels::TurnedBy(*msg, label, SlotOf(label))) SetSwitch(SlotOf(label), label->GetFloatValue());
      break;
    case UX_MSG_VALUES_CHANGED: {
      if (!editor_labels::ReloadsPart(*msg, part_)) break;
      for (int i = 0; i < kLabels; ++i) {
        uxValueLabel* label = labels_[i];
        const float v = services_->GetParamById(label->GetID());
        label->SetFloatValue(v, FLAG_REPAINT);
        if (i == kReset) continue;
        label->SetFloatRawValue(v);
        if (i == kBend || i == kGlide || i == kKbd) SetSwitch(SlotOf(label), v);
      }
      break;
    }
    default:
      break;
  }
  return result;
}
