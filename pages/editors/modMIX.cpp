#include "pages/editors/modMIX.h"

#include <algorithm>
#include <cstring>

#include "app/PageServices.h"
#include "data/ParamTable.h"
#include "data/ParamUid.h"
#include "pages/editors/EditorLabels.h"
#include "pages/editors/PanelAddress.h"
#include "pages/editors/PanelFocus.h"
#include "pages/widgets/uxXFadeCtrl.h"
#include "toolkit/uxBarCtrl.h"
#include "toolkit/uxGroup.h"
#include "toolkit/uxImage.h"
#include "toolkit/uxValueLabel.h"

namespace {

constexpr int kMixerGroup = 5;
constexpr int kSelAKey = 356;
constexpr int kSelBKey = 357;
constexpr int kShaperKey = 339;
constexpr int kFocusFrame = 13;
constexpr unsigned kAll = FLAG_REPAINT | FLAG_UPDATE_DS | FLAG_UPDATE_ENGINE_IM;
constexpr unsigned kFromController = FLAG_UPDATE_DS | FLAG_UPDATE_ENGINE_IM | FLAG_SEND_CAN;

struct LabelSpec {
  uint32_t offset;
  int slot;
  int x, y;
  const char* caption;
  const char* unit;
  int mode;
  float initial;
  bool selected;
  int group;  // 0..2 for A..C, -1 on the page
  const char* texts[3];
};

// Member order: every loop over the labels goes this way.
constexpr LabelSpec kSpecs[modMIX::kLabels] = {
    {0x011, 0, 10, 410, "OSC1", "%", 1, 20.0f, true, 0, {}},
    {0x1011, 8, 210, 410, "OSC2", "%", 1, 20.0f, true, 1, {}},
    {0x2011, 16, 410, 410, "NOISE", "%", 1, 0.0f, true, 2, {}},
    {0x2012, 17, 410, 340, "FLT-BLEND", "%", 2, 0.0f, false, 2, {}},
    {0x013, 24, 610, 410, "XFADE", "%", 2, 0.0f, true, -1, {}},
    {0x012, 1, 10, 340, "SEL", nullptr, 8, 0.0f, false, 0, {"FLT-A", "FLT-B", "OSC-XFADE"}},
    {0x1012, 9, 210, 340, "SEL", nullptr, 8, 0.0f, false, 1, {"FLT-A", "FLT-B"}},
};

constexpr const char* kRoutingPictures[] = {"MixXFade.png", "MixO1AO2A.png", "MixO1BO2A.png", "MixO1AO2B.png",
                                            "MixO1BO2B.png"};

int Int(float v) { return v >= -1e6f && v <= 1e6f ? static_cast<int>(v) : -1; }

}  // namespace

modMIX::modMIX(PageServices* services, uint32_t id, const char* name, uxPOINT pos, int16_t w, int16_t h,
               uxCOLOR colour, int* shaperIndex)
    : uxPanelCtrl(services, id, name, pos, w, h, colour, OPTION_FLAG_CAPTION | OPTION_FLAG_CLOSE),
      services_(services), part_(static_cast<int>((id >> 16) & 0xF)), shaperIndex_(shaperIndex) {
  if (dc_ != nullptr) backgroundImage_ = dc_->loadImage("MixerBKG.png");
  const int y = pos.y;
  routing_ = new uxImage(services, uxPOINT(261, static_cast<int16_t>(y + 64)), kRoutingPictures[0]);
  for (int i = 1; i < 5; ++i) routing_->addImage(kRoutingPictures[i]);
  AddElement(routing_);
  const uxPOINT icons[3] = {uxPOINT(163, static_cast<int16_t>(y + 72)), uxPOINT(163, static_cast<int16_t>(y + 142)),
                            uxPOINT(470, static_cast<int16_t>(y + 104))};
  for (int k = 0; k < 3; ++k) {
    shaperIcons_[k] = new uxImage(services, icons[k], "ShaperIconBKG.png");
    shaperIcons_[k]->addImage("ShaperIcon.png");
    AddElement(shaperIcons_[k]);
  }
  const int barY[kBars] = {64, 132, 200, 200};
  for (int b = 0; b < kBars; ++b) {
    bars_[b] = new uxBarCtrl(services, 0, static_cast<int16_t>(b == kBlendBar ? 306 : 240),
                             static_cast<int16_t>(y + barY[b]), 15, 50, 0x000000, 0x808080, 0xFF0000);
    bars_[b]->setMax(100.0f);
    bars_[b]->setOrientation(b == kBlendBar ? uxBarCtrl_verticalBipolar : uxBarCtrl_BottomUp);
    if (b == kBlendBar) bars_[b]->setMin(-100.0f);
    bars_[b]->setLevel(0.0f);
    AddElement(bars_[b]);
  }
  xfade_ = new uxXFadeCtrl(services, 0, 272, static_cast<int16_t>(y + 101), 100, 40, 0x000000, 0x808080, 0xFFFFFF,
                           0xFF0000);
  xfade_->SetRange(200.0f);
  xfade_->SetWedge(150.0f);
  xfade_->SetMarker(100.0f);
  AddElement(xfade_);

  uxGroup* groups[3];
  for (int g = 0; g < 3; ++g) {
    const char* names[3] = {"ENCODER A", "ENCODER B", "ENCODER C"};
    groups[g] = new uxGroup(services, 0, names[g], uxPOINT(static_cast<int16_t>(10 + 200 * g), 340), 180, 150,
                            0x2C0000);
    AddElement(groups[g]);
  }
  for (int i = 0; i < kLabels; ++i) {
    const LabelSpec& s = kSpecs[i];
    auto* label = new uxValueLabel(services, static_cast<int>(id + s.offset),
                                   static_cast<uint32_t>(s.slot) | static_cast<uint32_t>(part_) << 12,
                                   uxPOINT(static_cast<int16_t>(s.x), static_cast<int16_t>(s.y)), 180, 70, 0x202020,
                                   0xC00000, i == kXfade ? 0x808080 : 0xC0C0C0, 0xFFFFFF, 0xA4A4A4, true);
    label->SetLabelText(s.caption, s.unit, 13);
    for (const char* t : s.texts)
      if (t != nullptr) label->AddEnumText(t);
    label->SetEncoderMode(s.mode);
    label->SetFloatValue(s.initial, 0);
    label->SetChecked(s.selected, false);
    labels_[i] = label;
    if (s.group >= 0)
      groups[s.group]->AddElement(label);
    else
      AddElement(label);
  }
}

int modMIX::Raw(int label) const { return Int(labels_[label]->GetFloatRawValue()); }

int modMIX::LabelForSlot(int slot) const {
  for (int i = 0; i < kLabels; ++i)
    if (kSpecs[i].slot == slot) return i;
  return -1;
}

void modMIX::UpdateRouting() {
  const int a = Raw(kSelA), b = Raw(kSelB);
  if (a == 2) {
    routing_->showImage(0);
    xfade_->SetEnabled(true);
    return;
  }
  // Anything outside the table keeps the routing shown.
  if (a < 0 || a > 1 || b < 0 || b > 1) return;
  routing_->showImage(1 + a + 2 * b);
  xfade_->SetEnabled(false);
}

void modMIX::ApplyValue(int slot, unsigned flags, float x, bool withPosition) {
  const int label = LabelForSlot(slot);
  if (label < 0) return;
  if (slot == 9 && Raw(kSelA) == 2) return;  // selB is inert while oscillator 1 goes to the cross-fade
  if (withPosition) labels_[label]->SetFloatRawValue(x);
  const auto bar = [&](int b) { bars_[b]->setLevel(std::min(x, bars_[b]->getMax())); };
  switch (slot) {
    case 0: bar(kOsc1Bar); break;
    case 8: bar(kOsc2Bar); break;
    case 16: bar(kNoiseBar); break;
    case 17: bar(kBlendBar); break;
    case 1:
      services_->sendPanelEnum(kSelAKey, part_, Int(x) + 1);
      services_->sendPanelEnum(kSelBKey, part_, Int(x) == 2 ? 0 : Raw(kSelB) + 1);
      UpdateRouting();
      break;
    case 9:
      services_->sendPanelEnum(kSelBKey, part_, Int(x) + 1);
      UpdateRouting();
      break;
    case 24: {
      labels_[kXfade]->SetFloatValue(x, isFocus() ? flags : flags & ~FLAG_REPAINT);
      const float v = std::clamp(x + 100.0f, 0.0f, 200.0f);
      xfade_->SetWedge(v);
      xfade_->SetMarker(v);
      xfade_->setRepaint();
      break;
    }
    default: break;
  }
}

void modMIX::ShowShaperIcons() {
  for (uxImage* icon : shaperIcons_) icon->showImage(0);
  const int at = shaperIndex_ != nullptr ? *shaperIndex_ : 0;
  if (at >= 1 && at <= 3) shaperIcons_[at - 1]->showImage(1);
}

int modMIX::OnMidiCC(int a, int part, int controller, int value) {
  editor_labels::TakeControllerMove(*services_, labels_, a, part, controller, value, kFromController,
                                    [this](uxValueLabel* label) {
                                      const float v = label->GetFloatValue();
                                      ApplyValue(static_cast<int>(label->GetUserData() & 0xFF), kAll, v, true);
                                      return v;
                                    });
  return 1;
}

int modMIX::OnMessage(tagUX_Message* msg) {
  const int result = uxPanelCtrl::OnMessage(msg);
  switch (msg->type) {
    case EN_MSG_SET_VALUE: {
      float value;
      if (static_cast<int>(msg->flag) != part_ || !ReadPanelValue(*msg, value)) break;
      const int canId = static_cast<int>(msg->param);
      if (canId == kSelAKey) {
        if (value == 4.0f) {
          const int next = (std::max(Raw(kSelA), 0) + 1) % 3;
          labels_[kSelA]->SetFloatValue(static_cast<float>(next), kAll);
          ApplyValue(1, kAll, static_cast<float>(next), true);
        } else if (value == 2.0f || value == 3.0f) {
          labels_[kXfade]->EncoderStep(value == 2.0f);
          ApplyValue(24, kAll, labels_[kXfade]->GetFloatRawValue(), true);
        }
      } else if (canId == kSelBKey) {
        if (Raw(kSelA) == 2) break;
        const float next = Raw(kSelB) == 0 ? 1.0f : 0.0f;
        labels_[kSelB]->SetFloatValue(next, kAll);
        ApplyValue(9, kAll, next, true);
      } else if (canId == kShaperKey) {
        if (isFocus()) ShowShaperIcons();
      } else {
        const PanelAddress address(canId, kMixerGroup, part_);
        for (uxValueLabel* label : labels_) {
          if (!address.Names(*label)) continue;
          ApplyValue(static_cast<int>(label->GetUserData() & 0xFF), kAll, value, true);
          label->SetFloatValue(value, isFocus() ? kAll : kAll & ~FLAG_REPAINT);
        }
      }
      break;
    }
    case UX_MSG_ENCODER_VALUE_CHANGED:
      if (!isFocus()) break;
      for (uxValueLabel* label : labels_) {
        const int slot = static_cast<int>(label->GetUserData() & 0xFF);
        if (editor_labels::TurnedBy(*msg, label, slot)) ApplyValue(slot, kAll, label->GetFloatValue(), false);
      }
      break;
    case UX_MSG_FOCUS:
      if (msg->param == 1) {
        ShowShaperIcons();
        for (uxBarCtrl* b : bars_) b->SetEnabled(true);
        UpdateRouting();
        if (msg->flag == 0) services_->sendCANFocus(kFocusFrame);
      } else if (msg->param == 2) {
        for (uxBarCtrl* b : bars_) b->SetEnabled(false);
        xfade_->SetEnabled(false);
      }
      break;
    case UX_MSG_VALUES_CHANGED:
      if (!editor_labels::ReloadsPart(*msg, part_)) break;
      editor_labels::ReloadLabels(*services_, labels_, FLAG_SEND_CAN, [this](uxValueLabel* label, float v) {
        ApplyValue(static_cast<int>(label->GetUserData() & 0xFF), 0, v, true);
      });
      break;
    case UX_MSG_CLOSE_PANEL:
      CloseOnRequest(*this, *msg);
      break;
    default: break;
  }
  return result;
}
