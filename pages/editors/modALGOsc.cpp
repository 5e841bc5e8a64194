#include "pages/editors/modALGOsc.h"

#include <cstdio>
#include <cstring>

#include "app/PageServices.h"
#include "data/ParamTable.h"
#include "data/ParamUid.h"
#include "engine/AlgWaveforms.h"
#include "engine/VoiceStatus.h"
#include "pages/editors/EditorLabels.h"
#include "pages/editors/PanelAddress.h"
#include "pages/editors/PanelFocus.h"
#include "pages/widgets/uxScopeView.h"
#include "toolkit/uxGroup.h"
#include "toolkit/uxValueLabel.h"

namespace {

constexpr int kPanelGroup = 11;
constexpr int kMuteOffset = 0x21C;
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
  int font;
  float start;
  bool checked;
  uxCOLOR title;
};

// In the order every loop over the labels takes.
constexpr LabelSpec kSpecs[modALGOsc::kLabels] = {
    {"COARSE", "semi", 0x210, 16, 410, 420, 5, 13, 0.0f, true, 0xC0C0C0},
    {"FINE", "cent", 0x211, 17, 410, 340, 4, 13, 0.0f, false, 0xC0C0C0},
    {"SPREAD", "%", 0x215, 25, 610, 340, 1, 13, 80.0f, false, 0x808080},
    {" DETUNE ", "cent", 0x213, 27, 610, 180, 1, 13, 0.0f, false, 0xC0C0C0},
    {" UNISONO ", "cnt", 0x214, 26, 610, 260, 8, 13, 0.0f, false, 0x808080},
    {" PAN ", "%", 0x216, 24, 610, 420, 2, 13, 80.0f, false, 0x808080},
    {"SHAPE", "", 0x217, 1, 10, 340, 7, 13, 0.0f, true, 0xC0C0C0},
    {"SLAVE [P2]", "%", 0x219, 8, 210, 420, 1, 13, 0.0f, true, 0xC0C0C0},
    {"ALGORITHM", "", 0x218, 28, 610, 100, 8, 12, 0.0f, true, 0xC0C0C0},
    {"PHASE", "%", 0x21B, 0, 10, 420, 1, 13, 0.0f, false, 0xC0C0C0},
};

using editor_labels::IndexOf;
using editor_labels::SlotOf;
// NaN names no algorithm (and keeps the cycle drawn last).
int AlgorithmOf(float v) { return v >= -1e6f && v <= 1e6f ? static_cast<int>(v) : -1; }

}  // namespace

// The caption names the editor itself, not the oscillator the container names.
modALGOsc::modALGOsc(PageServices* services, uint32_t id, const char* /*name*/, uxPOINT pos, int16_t w, int16_t h,
                     uxCOLOR colour)
    : uxPanelCtrl(services, id, "Algorithm", pos, w, h, colour, OPTION_FLAG_CAPTION | OPTION_FLAG_CLOSE),
      services_(services), id_(id), part_(param_uid::Kind(id)), instance_(param_uid::Instance(id)) {
  uxPOINT at(10, 100);
  cycle_ = new uxScopeView(services, static_cast<uint32_t>(-1), &at, 580, 220, 0x101010, 0x808080, this, true, 0, 1,
                           false);
  cycle_->SetGrid(32, 25);
  cycle_->SetMarker(290);
  cycle_->SetMarkerText("");
  AddElement(cycle_);
  uxPOINT liveAt(210, 340);
  live_ = new uxScopeView(services, static_cast<uint32_t>(-1), &liveAt, 180, 70, 0x101010, 0x808080, this, false, 0, 1,
                          false);
  live_->SetGrid(16, 12);
  AddElement(live_);
  auto* groupA = new uxGroup(services, 0, "ENCODER A", uxPOINT(10, 340), 180, 150, colour);
  auto* groupC = new uxGroup(services, 0, "ENCODER C", uxPOINT(410, 340), 180, 150, colour);
  auto* groupD = new uxGroup(services, 0, "ENCODER D", uxPOINT(610, 100), 180, 400, colour);
  AddElement(groupA);
  AddElement(groupC);
  AddElement(groupD);
  for (int i = 0; i < kLabels; ++i) {
    const LabelSpec& s = kSpecs[i];
    auto* label = new uxValueLabel(services, static_cast<int>(id + static_cast<uint32_t>(s.offset)),
                                   static_cast<uint32_t>(s.slot) | static_cast<uint32_t>(part_) << 12,
                                   uxPOINT(s.x, s.y), 180, 70, 0x202020, 0xC00000, s.title, 0xFFFFFF, 0xA4A4A4, true);
    label->SetLabelText(s.text, s.unit, s.font);
    if (i == kAlgorithm) {
      for (int a = 0; a < algwave::kAlgorithmCount; ++a) label->AddEnumText(algwave::Name(a));
      label->setGrayedText("<MUTE>");
    }
    if (i == kUnison)
      for (const char* t : {"1x", "2x", "3x", "4x"}) label->AddEnumText(t);
    label->SetEncoderMode(s.mode);
    label->SetFloatValue(s.start, 0);
    label->SetChecked(s.checked, false);
    labels_[i] = label;
    if (s.slot == 8) AddElement(label);
    else if (s.slot < 8) groupA->AddElement(label);
    else if (s.slot < 24) groupC->AddElement(label);
    else groupD->AddElement(label);
  }
  DrawWaveform();
}

void modALGOsc::DrawWaveform() {
  // An unknown algorithm leaves the cycle drawn last.
  algwave::Generate(algorithm_, wave_, kCycle, shape_, slave_);
  uxScopeView::Point* points = cycle_->Points();
  const int n = cycle_->PointCount();
  for (int k = 0; k < n; ++k) {
    const int at = static_cast<int>(static_cast<float>(kCycle) / static_cast<float>(n) * static_cast<float>(k));
    points[k].a = 0.5f + wave_[at < kCycle ? at : kCycle - 1] * 0.35f;
  }
  cycle_->setRepaint();
}

void modALGOsc::ApplyValue(int slot, float value, bool setRaw) {
  uxValueLabel* label = nullptr;
  for (uxValueLabel* l : labels_)
    if (SlotOf(l) == slot) label = l;
  if (label == nullptr) return;
  switch (slot) {
    case 1:
      shape_ = value / 256.0f;
      DrawWaveform();
      break;
    case 8:
      slave_ = value / 100.0f;
      DrawWaveform();
      break;
    case 28:
      algorithm_ = AlgorithmOf(value);
      if (setRaw) label->SetFloatRawValue(value);
      services_->sendPanelText(KeyId() + 1, part_, label->getText());
      DrawWaveform();
      return;
    case 26:
      if (setRaw) label->SetFloatRawValue(value);
      services_->sendPanelEnum(KeyId() + 2, part_, IndexOf(value));
      return;
    default:
      break;
  }
  if (setRaw) label->SetFloatRawValue(value);
}

void modALGOsc::SetMute(bool on) {
  mute_ = on;
  uxValueLabel* algorithm = labels_[kAlgorithm];
  services_->sendPanelText(KeyId() + 1, part_, on ? kMuteText : algorithm->getText());
  algorithm->SetGrayed(on);
  services_->ValueChanged(id_ + kMuteOffset, kMuteFlags, on ? 1.0f : 0.0f);
}

int modALGOsc::OnPaint() {
  if (isFocus() && instance_ < 2) {
    // The start phase, as a line across the cycle.
    const float phase = labels_[kPhase]->GetFloatValue();
    if (phase >= 0.0f && phase <= 100.0f) cycle_->SetMarker(static_cast<int>(phase / 100.0f * 579.0f));
    if (const auto* status = static_cast<const VoiceStatus*>(services_->VoiceMonitor(part_)); status != nullptr) {
      if ((paints_++ & 3) == 0) {
        char text[32];
        std::snprintf(text, sizeof text, "%.2f Hz",
                      static_cast<double>(status->oscillator[instance_].frequency.load(std::memory_order_relaxed)));
        live_->SetTexts("", text, "");
        const float* block = status->oscillator[instance_].table.load(std::memory_order_relaxed);
        const int length = status->oscillator[instance_].length.load(std::memory_order_relaxed);
        if (block != nullptr && length > 0) {
          const int n = live_->PointCount();
          uxScopeView::Point* points = live_->Points();
          for (int k = 0; k < n; ++k) points[k].a = 0.08f + block[static_cast<int64_t>(k) * length / n] * 0.8f;
        }
        live_->setRepaint();
      }
    }
  }
  uxPanelCtrl::OnPaint();
  repaint_ = false;
  return 1;
}

int modALGOsc::OnMidiCC(int a, int part, int controller, int value) {
  editor_labels::TakeControllerMove(*services_, labels_, a, part, controller, value, kFlagsFromController,
                                    [this](uxValueLabel* label) {
                                      const float v = label->GetFloatValue();
                                      ApplyValue(SlotOf(label), v);
                                      return v;
                                    });
  return 1;
}

int modALGOsc::OnMessage(tagUX_Message* msg) {
  const int result = uxPanelCtrl::OnMessage(msg);
  switch (msg->type) {
    case EN_MSG_SET_VALUE: {
      float value;
      if (!ReadPanelValue(*msg, value)) break;
      const int canId = static_cast<int>(msg->param);
      const bool ours = static_cast<int>(msg->flag) == part_;
      if (ours && canId == KeyId()) {
        if (value == 2.0f || value == 3.0f) {
          int v = IndexOf(labels_[kAlgorithm]->GetFloatRawValue());
          if (!mute_) {
            if (value == 2.0f && v < algwave::kAlgorithmCount - 1) ++v;
            if (value == 3.0f && v > 0) --v;
          }
          labels_[kAlgorithm]->SetFloatValue(static_cast<float>(v), kFlagsFromPanel);
          ApplyValue(28, static_cast<float>(v));
        } else if (value == 6.0f) {
          if (mute_) {
            services_->sendPanelText(KeyId() + 1, part_, kMuteText);
          } else {
            services_->sendPanelText(KeyId() + 1, part_, labels_[kAlgorithm]->getText());
            services_->sendPanelEnum(KeyId() + 2, part_, IndexOf(labels_[kUnison]->GetFloatRawValue()));
          }
        }
        break;
      }
      if (ours && canId == KeyId() + 1) {
        if (value == 7.0f) {
          SetMute(!mute_);
        } else if (value == 8.0f) {
          int v = IndexOf(labels_[kUnison]->GetFloatRawValue()) + 1;
          if (v >= 4 || v < 0) v = 0;
          ApplyValue(26, static_cast<float>(v));
          labels_[kUnison]->SetFloatValue(static_cast<float>(v), kFlagsFromPanel);
        }
        break;
      }
      const PanelAddress address(canId, kPanelGroup, static_cast<int>(msg->flag));
      for (uxValueLabel* label : labels_) {
        if (!address.Names(*label)) continue;
        ApplyValue(SlotOf(label), value);
        label->SetFloatValue(value, kFlagsFromPanel);
      }
      break;
    }
    case UX_MSG_ENCODER_VALUE_CHANGED:
      if (!isFocus()) break;
      for (uxValueLabel* label : labels_) {
        const int slot = SlotOf(label);
        if (slot != 8 && editor_labels::TurnedBy(*msg, label, slot)) ApplyValue(slot, label->GetFloatValue(), false);
      }
      break;
    case UX_MSG_VALUES_CHANGED: {
      if (!editor_labels::ReloadsPart(*msg, part_)) break;
      editor_labels::ReloadLabels(*services_, labels_, FLAG_SEND_CAN,
                                  [this](uxValueLabel* label, float v) { ApplyValue(SlotOf(label), v); });
      services_->sendPanelText(KeyId() + 1, part_, labels_[kAlgorithm]->getText());
      SetMute(services_->GetParamById(static_cast<int>(id_ + kMuteOffset)) != 0.0f);
      break;
    }
    case UX_MSG_FOCUS:
      if (msg->param != 1) break;
      DrawWaveform();
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
