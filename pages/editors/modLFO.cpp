#include "pages/editors/modLFO.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "app/PageServices.h"
#include "data/ParamTable.h"
#include "data/ParamUid.h"
#include "engine/VoiceStatus.h"
#include "pages/editors/EditorLabels.h"
#include "pages/editors/PanelAddress.h"
#include "pages/editors/PanelFocus.h"
#include "pages/widgets/uxScopeView.h"
#include "pages/widgets/uxWaveEdit.h"
#include "toolkit/uxBarCtrl.h"
#include "toolkit/uxGroup.h"
#include "toolkit/uxValueLabel.h"

namespace {

// A label's encoder slot; the bits above it carry the part.
using editor_labels::SlotOf;

constexpr float kRates[modLFO::kTableSteps] = {
    0.1f,   0.11f,  0.12f,  0.13f,  0.14f,  0.15f,  0.16f,  0.17f,  0.19f,  0.2f,   0.22f,  0.23f,  0.25f,
    0.27f,  0.29f,  0.32f,  0.34f,  0.37f,  0.4f,   0.43f,  0.47f,  0.5f,   0.54f,  0.59f,  0.63f,  0.68f,
    0.74f,  0.8f,   0.86f,  0.93f,  1.01f,  1.09f,  1.17f,  1.27f,  1.37f,  1.48f,  1.59f,  1.72f,  1.86f,
    2.01f,  2.17f,  2.34f,  2.53f,  2.73f,  2.95f,  3.18f,  3.44f,  3.71f,  4.01f,  4.33f,  4.67f,  5.05f,
    5.45f,  5.88f,  6.35f,  6.86f,  7.41f,  8.0f,   8.64f,  9.33f,  10.07f, 10.87f, 11.74f, 12.68f, 13.69f,
    14.79f, 15.97f, 17.24f, 18.62f, 20.1f,  21.71f, 23.44f, 25.31f, 27.33f, 29.51f, 31.87f, 34.41f, 37.16f,
    40.13f, 43.33f, 46.79f, 50.52f, 54.56f, 58.91f, 63.61f, 68.69f, 74.18f, 80.1f,  86.49f, 93.4f,  100.85f,
    108.9f, 117.59f, 126.98f, 137.12f, 148.06f, 159.88f, 172.65f, 186.43f, 201.31f, 217.38f};

constexpr float kDelays[modLFO::kTableSteps] = {
    0.0f,   0.01f,  0.011f, 0.012f, 0.013f, 0.014f, 0.015f, 0.017f, 0.018f, 0.02f,  0.022f, 0.023f, 0.026f,
    0.028f, 0.03f,  0.033f, 0.036f, 0.039f, 0.042f, 0.046f, 0.05f,  0.055f, 0.06f,  0.065f, 0.071f, 0.077f,
    0.084f, 0.091f, 0.099f, 0.108f, 0.118f, 0.128f, 0.14f,  0.152f, 0.165f, 0.18f,  0.196f, 0.213f, 0.232f,
    0.253f, 0.275f, 0.3f,   0.326f, 0.355f, 0.387f, 0.421f, 0.458f, 0.499f, 0.543f, 0.591f, 0.644f, 0.701f,
    0.763f, 0.831f, 0.904f, 0.985f, 1.072f, 1.167f, 1.27f,  1.383f, 1.506f, 1.639f, 1.785f, 1.943f, 2.115f,
    2.303f, 2.507f, 2.729f, 2.971f, 3.235f, 3.522f, 3.834f, 4.174f, 4.544f, 4.947f, 5.386f, 5.864f, 6.383f,
    6.95f,  7.566f, 8.237f, 8.967f, 9.762f, 10.628f, 11.571f, 12.597f, 13.714f, 14.93f, 16.254f, 17.695f,
    19.264f, 20.973f, 22.832f, 24.857f, 27.061f, 29.461f, 32.074f, 34.918f, 38.015f, 41.386f, 45.056f};

constexpr int kPanelGroup = 4;
constexpr int kSyncKey = 387, kWaveKey = 388, kWaveText = 389, kKeyStride = 8;
using editor_labels::kFlagsFromController;
using editor_labels::kFlagsFromPanel;
constexpr float kPreviewRateHz = 2.0f;
constexpr int kViewWidth = 512;

constexpr const char* kWaveNames[modLFO::kWaves] = {"SIN",    "TRI",    "RMP_UP", "RMP_DW",  "RAND",    "PLS_HL",
                                                    "PLS_LH", "PLS_DW", "PLS_DW2", "PLS_DW3", "SIN_EXP", "[USER]"};

struct LabelSpec {
  const char* text;
  int param;
  int slot;
  int x, y;
  const char* unit;
  int type;
  bool checked;
  int font;
  uxCOLOR third;
  float start;
};

// Page order.
constexpr LabelSpec kSpecs[modLFO::kLabels] = {
    {"RATE", 0x501, 24, 610, 420, "Hz", 10, true, 13, 0xC0C0C0, 18.0f},
    {"DEPTH", 0x502, 8, 210, 420, "%", 1, true, 13, 0xC0C0C0, 20.0f},
    {"DELAY", 0x505, 0, 10, 420, "s", 10, true, 13, 0xC0C0C0, 0.0f},
    {"WAVE", 0x500, 16, 410, 420, "", 8, true, 13, 0xC0C0C0, 0.0f},
    {"SYNC", 0x506, 25, 610, 340, "", 8, false, 13, 0x808080, 0.0f},
    {"NOTE", 0x503, 26, 610, 260, "", 8, false, 12, 0x808080, 0.0f},
    {"DIV", 0x504, 27, 610, 180, "", 8, false, 13, 0x808080, 0.0f},
    {"SMOOTH", 0x509, 28, 610, 100, "%", 1, false, 13, 0x808080, 0.0f},
};

int TableIndex(const float* table, float lower, float v) {
  if (!(v > lower) || v > table[modLFO::kTableSteps - 1]) return 0;
  for (int i = 1; i < modLFO::kTableSteps; ++i)
    if (v <= table[i]) return i;
  return 0;
}

int Clamp(int i, int lo, int hi) { return i < lo ? lo : (i > hi ? hi : i); }
using editor_labels::IndexOf;

const char* FormatRate(float v, bool isIndex) {
  static char text[24];
  const float r = isIndex ? modLFO::RateEntry(static_cast<int>(v)) : v;
  std::snprintf(text, sizeof text, r > 100.0f ? "%.1f" : "%.2f", static_cast<double>(r));
  return text;
}

const char* FormatDelay(float v, bool isIndex) {
  static char text[24];
  const float d = isIndex ? modLFO::DelayEntry(static_cast<int>(v)) : v;
  std::snprintf(text, sizeof text, d < 10.0f ? "%.3f" : "%.2f", static_cast<double>(d));
  return text;
}

}  // namespace

float modLFO::RateEntry(int index) { return kRates[Clamp(index, 0, kTableSteps - 1)]; }
float modLFO::DelayEntry(int index) { return kDelays[Clamp(index, 0, kTableSteps - 1)]; }
int modLFO::RateIndex(float hz) { return TableIndex(kRates, 0.1f, hz); }
int modLFO::DelayIndex(float seconds) { return TableIndex(kDelays, 0.0f, seconds); }

modLFO::modLFO(PageServices* services, uint32_t id, const char* name, uxPOINT pos, int16_t w, int16_t h,
               uxCOLOR colour)
    : uxPanelCtrl(services, id, name, pos, w, h, uxCOLOR(0x303030)), services_(services),
      part_(param_uid::Kind(id)), lfo_(param_uid::Instance(id)) {
  preview_.SetSampleRate(1024.0f);
  preview_.SetBlockSize(1);
  preview_.SetAmplitude(0.8f);
  preview_.SetType(VoiceLfo::kSin);

  auto* group = new uxGroup(services, 0, "ENCODER D", uxPOINT(610, 100), 180, 490, colour);
  AddElement(group);
  for (int i = 0; i < kLabels; ++i) {
    const LabelSpec& s = kSpecs[i];
    auto* label = new uxValueLabel(services, static_cast<int>(id + static_cast<uint32_t>(s.param)),
                                   static_cast<uint32_t>(s.slot) | static_cast<uint32_t>(part_) << 12, uxPOINT(s.x, s.y), 180, 70, 0x202020, 0xC00000,
                                   s.third, 0xFFFFFF, 0xA4A4A4, true);
    label->SetLabelText(s.text, s.unit, s.font);
    if (i == kWave)
      for (const char* t : kWaveNames) label->AddEnumText(t);
    if (i == kSync)
      for (const char* t : {"RUN", "KBD", "BPM", "K&B"}) label->AddEnumText(t);
    if (i == kNote)
      for (const char* t : {"TRIPLET", "REGULAR", "DOTTED", "*Mod*"}) label->AddEnumText(t);
    if (i == kDiv)
      for (const char* t : {"1   ", "1/2 ", "1/4 ", "1/8 ", "1/16", "1/32", "1/64"}) label->AddEnumText(t);
    label->SetEncoderMode(s.type);
    if (i == kRate) label->setConvertFunction(FormatRate);
    if (i == kDelay) label->setConvertFunction(FormatDelay);
    label->SetFloatValue(s.start, 0);
    label->SetChecked(s.checked, false);
    labels_[i] = label;
    if (s.slot >= 24)
      group->AddElement(label);
    else
      AddElement(label);
  }
  uxPOINT at(10, 100);
  scope_ = new uxScopeView(services, 0, &at, kViewWidth, 305, 0x101010, 0x808080, this, false, 1, 0, false);
  scope_->SetGrid(32, 25);
  // The marker is the live phase alone: its label stays empty.
  scope_->SetMarkerText("");
  AddElement(scope_);
  editor_ = new uxWaveEdit(services, 0, &at, kViewWidth, 305, 0x101010, 0x808080, 0x0000FF, 0xC00000);
  editor_->SetEnabled(false);
  AddElement(editor_);
  bar_ = new uxBarCtrl(services, 0, 540, 100, 20, 305, 0x303030, 0x808080, 0xFF0000);
  bar_->setOrientation(4);
  bar_->setMin(-1.0f);
  bar_->setMax(1.0f);
  AddElement(bar_);
}

void modLFO::Update() {
  if (!isFocus()) return;
  if (scope_->isEnabled()) {
    preview_.Reset();
    uxScopeView::Point* points = scope_->Points();
    for (int i = 0; i < kPreviewPoints; ++i) {
      float v = 0.0f;
      preview_.Process(&v, 0.0f, kPreviewRateHz);
      points[i].a = 0.5f * v;
      points[i].marks.fill(0);
    }
    scope_->setRepaint();
  }
  if (editor_->isEnabled()) editor_->setRepaint();
}

void modLFO::SendStepData() {
  uint8_t bytes[kSteps];
  for (int k = 0; k < kSteps; ++k) {
    const float v = editor_->Level(k) * 255.0f;
    bytes[k] = static_cast<uint8_t>(v > 0.0f ? (v < 255.0f ? v : 255.0f) : 0.0f);
  }
  services_->SetLfoStepData(1, static_cast<int>(GetUserData()), bytes, kSteps);
}

void modLFO::ApplyWave(float value) {
  // Any stored value past the built-in waves is the user wave; a value below them the first.
  wave_ = Clamp(IndexOf(value), 0, kUserWave);
  if (wave_ >= kUserWave) {
    editor_->SetEnabled(true);
    scope_->SetEnabled(false);
    SendStepData();
  } else {
    editor_->SetEnabled(false);
    scope_->SetEnabled(true);
    preview_.SetType(wave_);
  }
}

void modLFO::ApplySync(float value) {
  const int sync = IndexOf(value);
  services_->sendPanelEnum(kSyncKey + kKeyStride * lfo_, part_, sync);
  const bool free = sync == 0 || sync == 1;
  labels_[kRate]->SetActive(free, true);
  labels_[kNote]->SetActive(!free, true);
  labels_[kDiv]->SetActive(!free, true);
}

void modLFO::ApplySmooth(float value) {
  editor_->SetGlide(value * 0.01f);
  if (editor_->isEnabled()) SendStepData();
}

void modLFO::ApplyValue(int slot, float value) {
  switch (slot) {
    case 0: labels_[kDelay]->SetFloatRawValue(static_cast<float>(DelayIndex(value))); break;
    case 8: labels_[kDepth]->SetFloatRawValue(value); break;
    case 26: labels_[kNote]->SetFloatRawValue(value); break;
    case 27: labels_[kDiv]->SetFloatRawValue(value); break;
    case 16:
      ApplyWave(value);
      labels_[kWave]->SetFloatRawValue(static_cast<float>(wave_));
      services_->sendPanelText(kWaveText + kKeyStride * lfo_, part_, labels_[kWave]->getEnumText(wave_));
      Update();
      break;
    case 24:
      labels_[kRate]->SetFloatRawValue(static_cast<float>(RateIndex(value)));
      rate_ = value;
      Update();
      break;
    case 25:
      labels_[kSync]->SetFloatRawValue(value);
      ApplySync(value);
      break;
    case 28:
      labels_[kSmooth]->SetFloatRawValue(value);
      ApplySmooth(value);
      break;
    default:
      break;
  }
}

void modLFO::ApplyEncoderValue(int slot, float value) {
  switch (slot) {
    case 16:
      ApplyWave(value);
      services_->sendPanelText(kWaveText + kKeyStride * lfo_, part_, labels_[kWave]->getEnumText(wave_));
      Update();
      break;
    case 24:
      rate_ = RateEntry(IndexOf(value));
      Update();
      break;
    case 25: ApplySync(value); break;
    case 28: ApplySmooth(value); break;
    default: break;
  }
}

int modLFO::OnPaint() {
  if (isFocus() && lfo_ < 3) {
    if (const auto* status = static_cast<const VoiceStatus*>(services_->VoiceMonitor(part_)); status != nullptr) {
      const float output = status->lfo[lfo_].output.load(std::memory_order_relaxed);
      const float phase = status->lfo[lfo_].phase.load(std::memory_order_relaxed);
      bar_->setLevel(output < 1.0f ? output : 1.0f);
      bar_->setRepaint();
      if (editor_->isEnabled())
        editor_->SetPosition(static_cast<int>(static_cast<float>(kViewWidth) * phase - 1.0f));
      // The record holds the position in the cycle; for the rising ramp, whose table is read
      // backwards, the voice already turned its falling phase round.
      if (scope_->isEnabled()) scope_->SetMarker(static_cast<int>(phase * static_cast<float>(kViewWidth)));
    }
  }
  uxPanelCtrl::OnPaint();
  repaint_ = false;
  return 1;
}

int modLFO::OnMidiCC(int a, int part, int controller, int value) {
  editor_labels::TakeControllerMove(*services_, labels_, a, part, controller, value, kFlagsFromController,
                                    [this](uxValueLabel* label) {
                                      const int slot = SlotOf(label);
                                      float v = label->GetFloatValue();
                                      if (slot == 24) v = RateEntry(IndexOf(v));
                                      if (slot == 0) v = DelayEntry(IndexOf(v));
                                      ApplyValue(slot, v);
                                      return v;
                                    });
  return 1;
}

int modLFO::OnMessage(tagUX_Message* msg) {
  const int result = uxPanelCtrl::OnMessage(msg);
  switch (msg->type) {
    case UX_MSG_TOUCH_EVENT:
      if (isFocus() && msg->m_evt_type == TYPE_RELEASE && editor_->isEnabled()) SendStepData();
      break;
    case EN_MSG_SET_VALUE: {
      float value;
      if (!ReadPanelValue(*msg, value)) break;
      const int canId = static_cast<int>(msg->param);
      const bool ours = static_cast<int>(msg->flag) == part_;
      if (ours && canId == kWaveKey + kKeyStride * lfo_) {
        int wave = IndexOf(labels_[kWave]->GetFloatRawValue());
        if (value == 2.0f && wave + 1 < kWaves) ++wave;
        else if (value == 3.0f && wave > 0) --wave;
        else break;
        labels_[kWave]->SetFloatValue(static_cast<float>(wave), kFlagsFromPanel);
        ApplyValue(16, static_cast<float>(wave));
        break;
      }
      if (ours && canId == kSyncKey + kKeyStride * lfo_) {
        int sync = IndexOf(labels_[kSync]->GetFloatRawValue()) + 1;
        if (sync > 3 || sync < 0) sync = 0;
        labels_[kSync]->SetFloatValue(static_cast<float>(sync), kFlagsFromPanel);
        ApplyValue(25, static_cast<float>(sync));
        break;
      }
      const PanelAddress address(canId, kPanelGroup, static_cast<int>(msg->flag));
      for (uxValueLabel* label : labels_) {
        if (!address.Names(*label)) continue;
        const int slot = SlotOf(label);
        ApplyValue(slot, value);
        label->SetFloatValue(value, kFlagsFromPanel);
      }
      break;
    }
    case UX_MSG_ENCODER_VALUE_CHANGED:
      if (!isFocus()) break;
      for (uxValueLabel* label : labels_) {
        const int slot = SlotOf(label);
        if (editor_labels::TurnedBy(*msg, label, slot)) ApplyEncoderValue(slot, label->GetFloatValue());
      }
      break;
    case UX_MSG_VALUES_CHANGED: {
      if (!editor_labels::ReloadsPart(*msg, part_)) break;
      const uint8_t* record = services_->GetLfoStepData(static_cast<int>(param_uid::InstanceBits(lfo_) |
                                                                         param_uid::KindBits(part_)));
      for (int k = 0; k < kSteps; ++k)
        editor_->SetLevel(k, record != nullptr && record[0] >= kSteps ? record[1 + k] / 255.0f
                                                                       : static_cast<float>(k) / kSteps);
      editor_->SetCurve();
      editor_->setRepaint();
      for (uxValueLabel* label : labels_) {
        const int slot = SlotOf(label);
        float v = services_->GetParamById(label->GetID());
        if (slot == 16 && v > 10.0f) v = static_cast<float>(kUserWave);
        label->SetFloatValue(v, FLAG_SEND_CAN);
        ApplyValue(slot, v);
      }
      break;
    }
    case UX_MSG_FOCUS:
      if (msg->param != 1) break;
      Update();
      if (msg->flag == 0) services_->sendCANFocus(10 + lfo_);
      break;
    case UX_MSG_CLOSE_PANEL:
      CloseOnRequest(*this, *msg);
      break;
    default:
      break;
  }
  return result;
}
