#include "pages/editors/modRESOsc.h"

#include <cstdio>
#include <cstring>

#include "app/PageServices.h"
#include "data/ParamTable.h"
#include "data/ParamUid.h"
#include "pages/editors/EditorLabels.h"
#include "pages/editors/PanelAddress.h"
#include "pages/editors/PanelFocus.h"
#include "pages/editors/modADSR.h"
#include "toolkit/uxGroup.h"
#include "toolkit/uxValueLabel.h"

namespace {

constexpr int kPanelGroup = 12;
constexpr int kMuteOffset = 0x22B;
using editor_labels::kFlagsFromController;
using editor_labels::kFlagsFromPanel;
constexpr unsigned kMuteFlags = FLAG_UPDATE_DS | FLAG_UPDATE_ENGINE_IM;
constexpr const char* kMuteText = "    <MUTE>  ";

struct LabelSpec {
  const char* text;
  const char* unit;
  int offset;
  int slot;
  int x, y;
  int mode;
  float start;
  bool checked;
  uxCOLOR title;
  int font;
};

constexpr LabelSpec kSpecs[modRESOsc::kLabels] = {
    {"TIMBRE", "", 0x226, 1, 10, 340, 7, 0.0f, true, 0xC0C0C0, 13},
    {"SKEW", "%", 0x227, 0, 10, 420, 1, 0.0f, false, 0xC0C0C0, 13},
    {"TIMBRE MODE", nullptr, 0x223, 9, 210, 340, 8, 0.0f, false, 0xC0C0C0, 13},
    {"DAMPING [P2]", "%", 0x22C, 8, 210, 420, 1, 0.0f, true, 0xC0C0C0, 13},
    {"FINE", "cent", 0x221, 17, 410, 340, 4, 0.0f, false, 0xC0C0C0, 13},
    {"COARSE", "semi", 0x220, 16, 410, 420, 5, 0.0f, true, 0xC0C0C0, 13},
    {"BRIGHTNESS", "", 0x228, 28, 610, 100, 1, 0.0f, true, 0xC0C0C0, 12},
    {"ATTACK", "s", 0x229, 27, 610, 180, 10, 0.0005f, false, 0xC0C0C0, 13},
    {"DECAY", "s", 0x22A, 26, 610, 260, 10, 0.0005f, false, 0x808080, 13},
    {"SPREAD", "%", 0x224, 25, 610, 340, 18, 80.0f, false, 0x808080, 13},
    {" PAN ", "%", 0x225, 24, 610, 420, 2, 80.0f, false, 0x808080, 13},
};

using editor_labels::IndexOf;
using editor_labels::SlotOf;

const char* FormatTime(float v, bool isIndex) {
  static char text[24];
  const float t = isIndex ? modADSR::TimeEntry(static_cast<int>(v)) : v;
  std::snprintf(text, sizeof text, t < 10.0f ? "%.4f" : (t < 100.0f ? "%.3f" : "%.2f"), static_cast<double>(t));
  return text;
}

const char* FormatSpread(float v, bool) {
  static char text[24];
  std::snprintf(text, sizeof text, "%.1f", static_cast<double>(v * 0.1f));
  return text;
}

}  // namespace

modRESOsc::modRESOsc(PageServices* services, uint32_t id, const char* name, uxPOINT pos, int16_t w, int16_t h,
                     uxCOLOR colour)
    : uxPanelCtrl(services, id, name, pos, w, h, colour, OPTION_FLAG_CAPTION | OPTION_FLAG_CLOSE), services_(services),
      id_(id), part_(param_uid::Kind(id)),
      instance_(param_uid::Instance(id)) {
  uxPOINT at(10, 100);
  histogram_ = new uxHistogram(services, 0, &at, 580, 220, 0x101010, 0x808080, 0);
  histogram_->SetGrid(32, 24);
  // The histogram keeps its own copy of the bars: size it once for the most there can be.
  histogram_->SetBars(bars_, ResonatorOsc::kMaxPartials);
  AddElement(histogram_);
  uxGroup* groups[4] = {
      new uxGroup(services, 0, "ENCODER A", uxPOINT(10, 340), 180, 150, colour),
      new uxGroup(services, 0, "ENCODER B", uxPOINT(210, 340), 180, 150, colour),
      new uxGroup(services, 0, "ENCODER C", uxPOINT(410, 340), 180, 150, colour),
      new uxGroup(services, 0, "ENCODER D", uxPOINT(610, 100), 180, 400, colour),
  };
  for (uxGroup* g : groups) AddElement(g);
  for (int i = 0; i < kLabels; ++i) {
    const LabelSpec& s = kSpecs[i];
    auto* label = new uxValueLabel(services, static_cast<int>(id + static_cast<uint32_t>(s.offset)),
                                   static_cast<uint32_t>(s.slot) | static_cast<uint32_t>(part_) << 12,
                                   uxPOINT(s.x, s.y), 180, 70, 0x202020, 0xC00000, s.title, 0xFFFFFF, 0xA4A4A4, true);
    label->SetLabelText(s.text, s.unit, s.font);
    if (i == kMode)
      for (const char* t : {"SIN-MOD", "SAW-SQR", "SIN-SAW", "MODULO"}) label->AddEnumText(t);
    label->SetEncoderMode(s.mode);
    if (i == kAttack || i == kDecay) label->setConvertFunction(FormatTime);
    if (i == kSpread) {
      label->setConvertFunction(FormatSpread);
      label->setEncoderFactor(0.1f, "fine");
    }
    label->SetFloatValue(s.start, 0);
    label->SetChecked(s.checked, false);
    labels_[i] = label;
    groups[s.slot / 8]->AddElement(label);
  }
  Update();
}

void modRESOsc::Update() {
  resonator_.ResetModes();
  int count = resonator_.UpdateModes();
  if (count > ResonatorOsc::kMaxPartials) count = ResonatorOsc::kMaxPartials;
  if (count < 0) count = 0;
  // The engine's own weights, so that the bars show what sounds.
  ResonatorOsc::Weights(resonator_.Weighting(), resonator_.TimbreTarget(), count, weights_);
  for (int m = 0; m < count; ++m) {
    const ResonatorOsc::PartialDisplay& d = resonator_.DisplayAt(m);
    bars_[m] = {d.frequency, d.damping * weights_[m]};
  }
  count_ = count;
  histogram_->SetBars(bars_, count_);
  histogram_->setRepaint();
}

void modRESOsc::ApplyValue(int slot, float value, bool setRaw) {
  uxValueLabel* label = nullptr;
  for (uxValueLabel* l : labels_)
    if (SlotOf(l) == slot) label = l;
  if (label == nullptr) return;
  switch (slot) {
    case 0: resonator_.SetSkew(value * 0.01f); break;
    case 1:
      timbre_ = value * 0.0039f;
      resonator_.SetTimbre(timbre_);
      break;
    case 8: resonator_.SetDamping(value * 0.01f); break;
    case 9:
      mode_ = IndexOf(value);
      resonator_.SetWeighting(mode_);
      if (setRaw) label->SetFloatRawValue(value);
      services_->sendPanelText(KeyId() + 1, part_, label->getText());
      Update();
      return;
    case 25:
      spacing_ = 0.5f + value * 0.0005f;
      histogram_->SetSpacing(spacing_);
      resonator_.SetStretch(value * 0.001f);
      break;
    case 26:
    case 27:
      if (setRaw) label->SetFloatRawValue(static_cast<float>(modADSR::TimeIndex(value)));
      return;
    case 16:
    case 17:
    case 24:
      if (setRaw) label->SetFloatRawValue(value);
      return;
    default: break;
  }
  if (setRaw) label->SetFloatRawValue(value);
  Update();
}

void modRESOsc::ToggleMute() {
  mute_ = !mute_;
  services_->sendPanelText(KeyId() + 1, part_, mute_ ? kMuteText : labels_[kMode]->getText());
  services_->ValueChanged(id_ + kMuteOffset, kMuteFlags, mute_ ? 1.0f : 0.0f);
}

int modRESOsc::OnMidiCC(int a, int part, int controller, int value) {
  editor_labels::TakeControllerMove(*services_, labels_, a, part, controller, value, kFlagsFromController,
                                    [this](uxValueLabel* label) {
                                      float v = label->GetFloatValue();
                                      const int slot = SlotOf(label);
                                      if (slot == 26 || slot == 27) v = modADSR::TimeEntry(IndexOf(v));
                                      ApplyValue(slot, v);
                                      return v;
                                    });
  return 1;
}

int modRESOsc::OnMessage(tagUX_Message* msg) {
  const int result = uxPanelCtrl::OnMessage(msg);
  switch (msg->type) {
    case EN_MSG_SET_VALUE: {
      float value;
      if (!ReadPanelValue(*msg, value)) break;
      const int canId = static_cast<int>(msg->param);
      const bool ours = static_cast<int>(msg->flag) == part_;
      if (ours && canId == KeyId()) {
        if (value == 6.0f) {
          if (mute_) {
            services_->sendPanelText(KeyId() + 1, part_, kMuteText);
          } else {
            services_->sendPanelText(KeyId() + 1, part_, labels_[kMode]->getText());
            services_->sendPanelEnum(KeyId() + 2, part_, 1);
          }
        }
        break;
      }
      if (ours && canId == KeyId() + 1) {
        if (value == 7.0f) ToggleMute();
        break;
      }
      const PanelAddress address(canId, kPanelGroup, static_cast<int>(msg->flag));
      for (uxValueLabel* label : labels_) {
        if (!address.Names(*label)) continue;
        // The panel sends SPREAD in tenths of the label's range.
        const float v = SlotOf(label) == 25 ? value * 10.0f : value;
        ApplyValue(SlotOf(label), v);
        label->SetFloatValue(v, kFlagsFromPanel);
      }
      break;
    }
    case UX_MSG_ENCODER_VALUE_CHANGED:
      if (!isFocus()) break;
      for (uxValueLabel* label : labels_) {
        const int slot = SlotOf(label);
        if (!editor_labels::TurnedBy(*msg, label, slot)) continue;
        float v = label->GetFloatValue();
        if (slot == 26 || slot == 27) v = modADSR::TimeEntry(IndexOf(v));
        ApplyValue(slot, v, false);
      }
      break;
    case UX_MSG_VALUES_CHANGED:
      if (!editor_labels::ReloadsPart(*msg, part_)) break;
      editor_labels::ReloadLabels(*services_, labels_, FLAG_SEND_CAN,
                                  [this](uxValueLabel* label, float v) { ApplyValue(SlotOf(label), v); });
      break;
    case UX_MSG_FOCUS:
      if (msg->param != 1) break;
      histogram_->setRepaint();
      if (msg->flag == 0) services_->sendCANFocus(4 + (instance_ & 1));
      break;
    case UX_MSG_CLOSE_PANEL:
      CloseOnRequest(*this, *msg);
      break;
    default:
      break;
  }
  return result;
}
