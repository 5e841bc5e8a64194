#include "pages/editors/modShaper.h"

#include <cstring>

#include "app/PageServices.h"
#include "data/ParamTable.h"
#include "data/ParamUid.h"
#include "engine/VoiceStatus.h"
#include "pages/editors/CaptureDrawing.h"
#include "pages/editors/EditorLabels.h"
#include "pages/editors/PanelAddress.h"
#include "pages/editors/PanelFocus.h"
#include "pages/widgets/uxScopeView.h"
#include "toolkit/uxValueLabel.h"

namespace {

constexpr int kPanelGroup = 7;
constexpr int kTypeKey = 338, kInsertKey = 339;
constexpr int kFocusIndex = 7;
using editor_labels::kFlagsFromPanel;
constexpr float kLiveScale = 0.45f;

struct LabelSpec {
  const char* text;
  const char* unit;
  int param;
  int slot;
  int x;
  int type;
  uxCOLOR title;
};

constexpr LabelSpec kSpecs[modShaper::kLabels] = {
    {"CURVE", "%", 0x600, 0, 10, 2, 0xC0C0C0},
    {"TYPE", "", 0x602, 8, 210, 8, 0xC0C0C0},
    {"INSERT", "", 0x603, 16, 410, 8, 0xC0C0C0},
    {"PRE-GAIN", "%", 0x601, 24, 610, 1, 0x808080},
};

using editor_labels::IndexOf;
using editor_labels::SlotOf;

}  // namespace

modShaper::modShaper(PageServices* services, uint32_t id, const char* name, uxPOINT pos, int16_t w, int16_t h,
                     uxCOLOR colour, int* insertStore)
    : uxPanelCtrl(services, id, name, pos, w, h, colour, OPTION_FLAG_CAPTION | OPTION_FLAG_CLOSE), services_(services),
      part_(param_uid::Kind(id)),
      insertStore_(insertStore) {
  shaper_.SetType(0);
  uxPOINT at(10, 100);
  curve_ = new uxScopeView(services, 0, &at, kPoints, 300, 0x101010, 0x808080, this, false, 0, 0, false);
  curve_->SetGrid(32, 25);
  AddElement(curve_);
  const char* names[2] = {"Left", "Right"};
  for (int k = 0; k < 2; ++k) {
    uxPOINT liveAt(410, k == 0 ? 100 : 260);
    live_[k] = new uxScopeView(services, static_cast<uint32_t>(-1), &liveAt, 380, 140, 0x101010, 0x808080, this,
                               false, 1, 0, false);
    live_[k]->SetTexts("", names[k], "");
    AddElement(live_[k]);
  }
  for (int i = 0; i < kLabels; ++i) {
    const LabelSpec& s = kSpecs[i];
    auto* label = new uxValueLabel(services, static_cast<int>(id + static_cast<uint32_t>(s.param)),
                                   static_cast<uint32_t>(s.slot) | static_cast<uint32_t>(part_) << 12,
                                   uxPOINT(s.x, 420), 180, 70, 0x202020, 0xC00000, s.title, 0xFFFFFF, 0xA4A4A4, false);
    label->SetLabelText(s.text, s.unit, 13);
    if (i == kType)
      for (const char* t : {"TANH", "HARD", "ARC", "SIN", "EXP", "CRUSHER"}) label->AddEnumText(t);
    if (i == kInsert)
      for (const char* t : {"OFF", "OSC1", "OSC2", "MIX"}) label->AddEnumText(t);
    label->SetEncoderMode(s.type);
    label->SetFloatValue(0.0f, 0);
    if (i == kCurve) label->SetChecked(true, false);
    labels_[i] = label;
    AddElement(label);
  }
  for (uxScopeView::Point* p = curve_->Points(); p != curve_->Points() + kPoints; ++p) p->b = -1.0f;
  PlotCurve(0.0f, true);
}

void modShaper::PlotCurve(float curve, bool channelA) {
  uxScopeView::Point* points = curve_->Points();
  for (int j = 0; j < kPoints; ++j) {
    const float x = j <= 190 ? -1.0f + static_cast<float>(j) / 190.0f : static_cast<float>(j - 191) / 190.0f;
    float y = shaper_.ShapeSample(x + 0.0000001f, curve);
    if (!(y == y)) y = 0.0f;
    table_[j] = y;
    (channelA ? points[j].a : points[j].b) = 0.45f + y * 0.54f;
  }
  curve_->SetHighlight(true, static_cast<int>(150.0f - preGain_ * 150.0f), static_cast<int>(150.0f + preGain_ * 150.0f));
  curve_->setRepaint();
}

void modShaper::ApplyValue(int slot, float value) {
  switch (slot) {
    case 0:
      curveValue_ = value / 100.0f;
      PlotCurve(curveValue_, true);
      break;
    case 8:
      // Stored types outside the six shape to silence in the engine; the page draws the same.
      type_ = IndexOf(value);
      shaper_.SetType(type_);
      PlotCurve(curveValue_, true);
      break;
    case 16:
      services_->sendPanelEnum(kInsertKey, part_, IndexOf(value));
      if (insertStore_ != nullptr) *insertStore_ = IndexOf(value);
      break;
    case 24:
      preGain_ = value / 100.0f;
      PlotCurve(curveValue_, true);
      break;
    default:
      break;
  }
}

int modShaper::OnPaint() {
  if (isFocus() && (paints_++ & 3) == 0) {
    if (auto* status = static_cast<VoiceStatus*>(const_cast<void*>(services_->VoiceMonitor(part_)));
        status != nullptr) {
      for (int k = 0; k < 2; ++k) {
        ScopeCapture& capture = status->scope[VoiceStatus::kShaperLeft + k];
        if (!capture_drawing::TakeOnce(capture, taken_[k])) continue;
        capture_drawing::Plot(capture, live_[k], [](float sample) { return sample * kLiveScale; });
      }
      PlotCurve(status->shaperCurve.load(std::memory_order_relaxed), false);
    }
  }
  uxPanelCtrl::OnPaint();
  repaint_ = false;
  return 1;
}

int modShaper::OnMessage(tagUX_Message* msg) {
  const int result = uxPanelCtrl::OnMessage(msg);
  switch (msg->type) {
    case EN_MSG_SET_VALUE: {
      const int canId = static_cast<int>(msg->param);
      const bool ours = static_cast<int>(msg->flag) == part_;
      if (ours && (canId == kTypeKey || canId == kInsertKey)) {
        const int index = canId == kTypeKey ? kType : kInsert;
        const int count = canId == kTypeKey ? kTypes : kInserts;
        int v = IndexOf(labels_[index]->GetFloatRawValue()) + 1;
        if (v >= count || v < 0) v = 0;
        labels_[index]->SetFloatRawValue(static_cast<float>(v));
        labels_[index]->SetFloatValue(static_cast<float>(v), kFlagsFromPanel);
        ApplyValue(kSpecs[index].slot, static_cast<float>(v));
        break;
      }
      float value;
      if (!ReadPanelValue(*msg, value)) break;
      const PanelAddress address(canId, kPanelGroup, static_cast<int>(msg->flag));
      for (uxValueLabel* label : labels_) {
        if (!address.Names(*label)) continue;
        label->SetFloatRawValue(value);
        ApplyValue(SlotOf(label), value);
        label->SetFloatValue(value, kFlagsFromPanel);
      }
      break;
    }
    case UX_MSG_ENCODER_VALUE_CHANGED:
      if (!isFocus()) break;
      for (uxValueLabel* label : labels_) {
        const int slot = SlotOf(label);
        if (editor_labels::TurnedBy(*msg, label, slot)) ApplyValue(slot, label->GetFloatValue());
      }
      break;
    case UX_MSG_VALUES_CHANGED:
      if (!editor_labels::ReloadsPart(*msg, part_)) break;
      editor_labels::ReloadLabels(*services_, labels_, FLAG_SEND_CAN,
                                  [this](uxValueLabel* label, float v) { ApplyValue(SlotOf(label), v); });
      break;
    case UX_MSG_FOCUS:
      AnnounceFocus(*services_, *msg, kFocusIndex);
      break;
    case UX_MSG_CLOSE_PANEL:
      CloseOnRequest(*this, *msg);
      break;
    default:
      break;
  }
  return result;
}
