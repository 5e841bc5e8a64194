#include "pages/editors/modADSR.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "app/PageServices.h"
#include "data/ParamTable.h"
#include "data/ParamUid.h"
#include "engine/EnvGen.h"
#include "engine/VoiceStatus.h"
#include "pages/editors/EditorLabels.h"
#include "pages/editors/PanelAddress.h"
#include "pages/editors/PanelFocus.h"
#include "pages/widgets/uxScopeView.h"
#include "toolkit/uxGroup.h"
#include "toolkit/uxValueLabel.h"

namespace {

// A label's encoder slot; the bits above it carry the part.
using editor_labels::SlotOf;

constexpr float kTimes[modADSR::kTimeSteps] = {
    0.0005f, 0.0006f, 0.0007f, 0.001f,   0.002f,   0.0032f,  0.0049f,  0.0067f,  0.0087f,  0.0108f,  0.0127f,
    0.0145f, 0.0161f, 0.0175f, 0.0186f,  0.0195f,  0.0202f,  0.0209f,  0.0216f,  0.0225f,  0.0237f,  0.0255f,
    0.0281f, 0.0316f, 0.0363f, 0.0423f,  0.0499f,  0.0593f,  0.0707f,  0.0843f,  0.1002f,  0.1185f,  0.1395f,
    0.1631f, 0.1895f, 0.2187f, 0.2507f,  0.2856f,  0.3234f,  0.364f,   0.4075f,  0.4538f,  0.5028f,  0.5547f,
    0.6093f, 0.6668f, 0.7271f, 0.7904f,  0.8569f,  0.9266f,  1.0f,     1.0773f,  1.159f,   1.2456f,  1.3377f,
    1.4361f, 1.5416f, 1.6553f, 1.7782f,  1.9115f,  2.0568f,  2.2154f,  2.3891f,  2.5797f,  2.7891f,  3.0195f,
    3.2729f, 3.5519f, 3.8586f, 4.1958f,  4.5658f,  4.9714f,  5.4151f,  5.8994f,  6.4269f,  7.0f,     7.6209f,
    8.2917f, 9.014f,  9.7894f, 10.6189f, 11.5029f, 12.4415f, 13.4339f, 14.4787f, 15.5735f, 16.7148f, 17.8982f,
    19.118f, 20.3668f, 21.636f, 22.9149f, 24.1911f, 25.45f,  26.6746f, 27.8454f, 28.9402f, 29.9334f, 30.7966f,
    31.4975f, 32.0f};

constexpr int kPanelGroup = 2;
using editor_labels::kFlagsFromController;
using editor_labels::kFlagsFromPanel;
constexpr int kFocusIndex[4] = {1, 3, 0, 2};
constexpr const char* kStateNames[] = {"off", "attack", "decay", "sustain", "hold", "release", "shoutdown"};
constexpr int kStates = 7;

// Curve stages, as the envelope's own states.
constexpr int32_t kEnded = EnvGen::kIdle, kAttackStage = EnvGen::kAttack, kDecayStage = EnvGen::kDecay,
                  kSustainStage = EnvGen::kSustain, kReleaseStage = EnvGen::kRelease;

struct LabelSpec {
  const char* text;
  int param;
  int slot;
  int x, y;
  const char* unit;
  int type;
  bool time;
  bool checked;
  uxCOLOR second, third;
};

// Page order.
constexpr LabelSpec kSpecs[modADSR::kLabels] = {
    {" RATIO A", 0x400, 1, 10, 340, "%", 1, false, false, 0xC00000, 0xC0C0C0},
    {" RATIO DR ", 0x401, 9, 210, 340, "%", 1, false, false, 0xC00000, 0xC0C0C0},
    {" ATTACK ", 0x402, 0, 10, 420, "s", 10, true, true, 0xC00000, 0xC0C0C0},
    {" DECAY ", 0x403, 8, 210, 420, "s", 10, true, true, 0xC00000, 0xC0C0C0},
    {" SUSTAIN ", 0x404, 16, 410, 420, "%", 1, false, true, 0xC00000, 0x808080},
    {" RELEASE ", 0x405, 24, 610, 420, "s", 10, true, true, 0xC00000, 0xC00000},
    {" MODE ", 0x407, 27, 610, 180, nullptr, 8, false, false, 0xC00000, 0xC0C0C0},
    {" VELOCITY ", 0x406, 17, 410, 340, "%", 1, false, false, 0xC00000, 0x808080},
    {" PEDAL ", 0x408, 26, 610, 260, nullptr, 8, false, false, 0xC00000, 0xC0C0C0},
    {"RELEASE B", 0x409, 25, 610, 340, "s", 10, true, false, 0xC00000, 0xC0C0C0},
};

const char* FormatTime(float v, bool isIndex) {
  static char text[24];
  const float t = isIndex ? modADSR::TimeEntry(static_cast<int>(v)) : v;
  std::snprintf(text, sizeof text, t < 10.0f ? "%.4f" : (t < 100.0f ? "%.3f" : "%.2f"), static_cast<double>(t));
  return text;
}

const char* FormatRatio(float v, bool) {
  static char text[24];
  std::snprintf(text, sizeof text, v < 10.0f ? "%.3f" : "%.2f", static_cast<double>(v));
  return text;
}

bool IsTimeSlot(int slot) { return slot == 0 || slot == 8 || slot == 24 || slot == 25; }

}  // namespace

float modADSR::TimeEntry(int index) { return kTimes[index < 0 ? 0 : (index > 100 ? 100 : index)]; }
float modADSR::RatioEntry(float setting) {
  // The stored setting is the curve index the voice truncates and clamps; anything that is
  // no number takes the first entry.
  int index = 0;
  if (setting >= 1.0f) index = setting < 100.0f ? static_cast<int>(setting) : 100;
  return EnvGen::kCurveTable[index];
}

int modADSR::TimeIndex(float seconds) {
  if (!(seconds > kTimes[0]) || seconds > kTimes[kTimeSteps - 1]) return 0;
  for (int i = 1; i < kTimeSteps; ++i)
    if (seconds <= kTimes[i]) return i;
  return 0;
}

modADSR::modADSR(PageServices* services, uint32_t id, const char* name, uxPOINT pos, int16_t w, int16_t h,
                 uxCOLOR colour)
    : uxPanelCtrl(services, id, name, pos, w, h, uxCOLOR(0x303030)), services_(services),
      part_(param_uid::Kind(id)), envelope_(param_uid::Instance(id)) {
  uxGroup* groups[4] = {new uxGroup(services, 0, "ENCODER A", uxPOINT(10, 340), 180, 150, colour),
                        new uxGroup(services, 0, "ENCODER B", uxPOINT(210, 340), 180, 150, colour),
                        new uxGroup(services, 0, "ENCODER C", uxPOINT(410, 340), 180, 150, colour),
                        new uxGroup(services, 0, "ENCODER D", uxPOINT(610, 180), 180, 350, colour)};
  for (uxGroup* g : groups) AddElement(g);
  for (int i = 0; i < kLabels; ++i) {
    const LabelSpec& s = kSpecs[i];
    auto* label = new uxValueLabel(services, static_cast<int>(id + static_cast<uint32_t>(s.param)),
                                   static_cast<uint32_t>(s.slot) | static_cast<uint32_t>(part_) << 12, uxPOINT(s.x, s.y), 180, 70, 0x202020, s.second,
                                   s.third, 0xFFFFFF, 0xA4A4A4, true);
    label->SetLabelText(s.text, s.unit, 13);
    if (i == kMode)
      for (const char* t : {"ADSR", "AR", "AD", "AD_LOOP", "ADSR+R", "AR+R", "AD+R"}) label->AddEnumText(t);
    if (i == kPedal)
      for (const char* t : {"OFF", "HOLD", "RELEASE"}) label->AddEnumText(t);
    label->SetEncoderMode(s.type);
    if (s.time) label->setConvertFunction(FormatTime);
    if (i == kRatioDR) label->setConvertFunction(FormatRatio);
    label->SetFloatValue(i == kRatioA || i == kRatioDR ? 99.99f : (s.time && i != kReleaseB ? 0.0005f : 0.0f), 0);
    label->SetChecked(s.checked, false);
    labels_[i] = label;
    groups[s.slot / 8]->AddElement(label);
  }
  uxPOINT at(10, 100);
  scope_ = new uxScopeView(services, 0, &at, kPoints, 200, 0x101010, 0x808080, this, false, 0, 1, true);
  scope_->SetGrid(32, 25);
  AddElement(scope_);
  PlotEnvelope(false);
}

const void* modADSR::Monitor() const { return services_->VoiceMonitor(part_); }

void modADSR::SetCurveValue(int slot, float value, bool fromEncoder) {
  const auto time = [&](float v) { return (fromEncoder ? TimeEntry(static_cast<int>(v)) : v) * kPointsPerSecond; };
  switch (slot) {
    case 0: attack_ = time(value); break;
    case 8: decay_ = time(value); break;
    case 24: release_ = time(value); break;
    case 25: releaseB_ = time(value); break;
    // Both paths carry the curve index, which the voice turns into its segment ratio.
    case 1: ratioA_ = RatioEntry(value) * 0.05; break;
    case 9: ratioDR_ = RatioEntry(value) * 0.01; break;
    case 16: sustain_ = value * 0.01f; break;
    case 26:
    case 27: {
      // A stored value that is no count (NaN, negative) takes the first entry.
      const unsigned v = value >= 0.0f && value < 256.0f ? static_cast<unsigned>(value) : 0u;
      (slot == 26 ? pedal_ : mode_) = v;
      PlotEnvelope(false);
      scope_->setRepaint();
      return;
    }
    default:
      return;
  }
  PlotEnvelope(false);
  if (isFocus() && isEnabled()) scope_->setRepaint();
}

void modADSR::SetEnvelopeValue(int slot, float value) {
  for (uxValueLabel* label : labels_)
    if (SlotOf(label) == slot)
      label->SetFloatRawValue(IsTimeSlot(slot) ? static_cast<float>(TimeIndex(value)) : value);
  SetCurveValue(slot, value, false);
}

void modADSR::UpdateFromEncoder(int slot, float value) { SetCurveValue(slot, value, true); }

void modADSR::PlotEnvelope(bool releaseB) {
  const unsigned shape = mode_ & ~4u;  // the "+R" modes draw like their plain ones
  const bool adsr = shape == 0, ar = shape == 1;
  const auto activate = [this](int label, bool on) {
    labels_[label]->SetActive(on, true);
  };
  activate(kAttack, true);
  activate(kDecay, !ar);
  activate(kSustain, adsr);
  activate(kRelease, adsr || ar);
  activate(kPedal, adsr);
  activate(kReleaseB, adsr && pedal_ == 2);
  float sustain = sustain_, decay = decay_, release = release_;
  if (ar) {
    sustain = 1.0f;
    decay = 0.0f;
  } else if (!adsr) {
    sustain = 0.0f;
    release = 0.0f;
  }

  // The engine's own segment steps and ratios (the curve table has no zero entry).
  const double ratioA = ratioA_;
  const double ratioDR = ratioDR_;
  const double cA = EnvGen::Coefficient(ratioA, attack_);
  const float baseA = EnvGen::RiseBase(ratioA, cA);
  double cD = EnvGen::Coefficient(ratioDR, decay);
  float baseD = EnvGen::FallBase(sustain, ratioDR, cD);
  const double cR = EnvGen::Coefficient(ratioDR, release);
  const float baseR = EnvGen::FallBase(0.0, ratioDR, cR);
  const double cRB = EnvGen::Coefficient(ratioDR, releaseB_);
  const float baseRB = EnvGen::FallBase(0.0, ratioDR, cRB);

  const bool secondRelease = pedal_ == 2 && releaseB_ > release;
  const float total = attack_ + decay + 200.0f + 0.5f * (secondRelease ? releaseB_ : release);
  float step = std::isfinite(total) && total > 0.0f ? static_cast<float>(kPoints) / total : 1.0f;
  if (step > 1.0f) step = 1.0f;

  scope_->SetMarkChannelA(!releaseB);
  scope_->ClearMarks();
  int32_t monitorState = 0;
  float monitorLevel = 0.0f;
  if (const auto* status = static_cast<const VoiceStatus*>(Monitor()); status != nullptr && envelope_ < 4) {
    monitorState = status->envelope[envelope_].state.load(std::memory_order_relaxed);
    monitorLevel = status->envelope[envelope_].level.load(std::memory_order_relaxed);
  }
  markerStage_ = monitorState;

  uxScopeView::Point* points = scope_->Points();
  const int last = scope_->PointCount() - 1;
  double y = 0.0, yB = 0.0;
  int32_t stage = kAttackStage;
  int hold = 10;
  float x = 0.0f;
  while (x < static_cast<float>(kPoints - 1)) {
    bool mark = false, releaseStart = false;
    switch (stage) {
      case kAttackStage:
        y = baseA + y * cA;
        if (y >= 1.0) {
          y = 1.0;
          if (ar) {
            stage = kSustainStage;
            hold = kPlateau;
          } else {
            stage = kDecayStage;
          }
        }
        mark = markerStage_ == kAttackStage && monitorLevel <= y;
        break;
      case kDecayStage:
        y = baseD + y * cD;
        if (adsr) {
          if (y <= sustain) {
            y = sustain;
            stage = kSustainStage;
            hold = kPlateau;
          }
          mark = markerStage_ == kDecayStage && monitorLevel >= y && sustain != 0.0f;
        } else {
          if (y <= 0.0) {
            y = 0.0;
            stage = kEnded;
          }
          mark = markerStage_ == kDecayStage && monitorLevel >= y;
        }
        break;
      case kSustainStage:
        if (hold != 0 && --hold == 0) {
          stage = kReleaseStage;
          yB = y;
          releaseStart = sustain > 0.0f;
        }
        mark = markerStage_ == kSustainStage;
        break;
      case kReleaseStage:
        y = baseR + y * cR;
        yB = baseRB + yB * cRB;
        if (y < 0.0) y = 0.0;
        if (yB < 0.0) yB = 0.0;
        mark = markerStage_ == kReleaseStage && (releaseB ? yB : y) < monitorLevel;
        break;
      default:
        break;
    }
    int i = static_cast<int>(x);
    if (i > last) i = last;
    points[i].a = static_cast<float>(0.9 * y);
    points[i].b = stage == kReleaseStage && pedal_ == 2 ? static_cast<float>(0.9 * yB) : -1.0f;
    if (releaseStart) points[i].marks[uxScopeView::kDottedMark] = 1;
    x += step;
    if (mark) {
      int m = static_cast<int>(x);
      if (m > last) m = last;
      points[m].marks[0] = 1;
      for (int k = 1; k < uxScopeView::kDottedMark; ++k) points[m].marks[static_cast<std::size_t>(k)] = 0;
      markerStage_ = 0;
    }
  }
  (void)cD;
  (void)baseD;
}

int modADSR::OnPaint() {
  if (isFocus() && (++paints_ & 1) == 0) {
    const auto* status = static_cast<const VoiceStatus*>(Monitor());
    if (status != nullptr && envelope_ < 4) {
      const VoiceStatus::Envelope& e = status->envelope[envelope_];
      const int32_t state = e.state.load(std::memory_order_relaxed);
      if (state != shownState_) {
        shownState_ = state;
        if (state >= 0 && state < kStates) scope_->SetTexts(kStateNames[state], "", "");
        scope_->setRepaint();
      }
      const float level = e.level.load(std::memory_order_relaxed);
      if (level != shownLevel_) {
        shownLevel_ = level;
        PlotEnvelope(e.release2.load(std::memory_order_relaxed) != 0);
        scope_->setRepaint();
      }
    }
  }
  uxPanelCtrl::OnPaint();
  repaint_ = false;
  return 1;
}

int modADSR::OnMidiCC(int a, int part, int controller, int value) {
  editor_labels::TakeControllerMove(*services_, labels_, a, part, controller, value, kFlagsFromController,
                                    [this](uxValueLabel* label) {
                                      const int slot = SlotOf(label);
                                      float v = label->GetFloatValue();
                                      if (IsTimeSlot(slot)) v = TimeEntry(static_cast<int>(v));
                                      SetEnvelopeValue(slot, v);
                                      return v;
                                    });
  return 1;
}

int modADSR::OnMessage(tagUX_Message* msg) {
  const int result = uxPanelCtrl::OnMessage(msg);
  switch (msg->type) {
    case EN_MSG_SET_VALUE: {
      float value;
      if (!ReadPanelValue(*msg, value)) break;
      const int canId = static_cast<int>(msg->param);
      const PanelAddress address(canId, kPanelGroup, static_cast<int>(msg->flag));
      for (uxValueLabel* label : labels_) {
        if (!address.Names(*label)) continue;
        SetEnvelopeValue(SlotOf(label), value);
        label->SetFloatValue(value, kFlagsFromPanel);
      }
      break;
    }
    case UX_MSG_ENCODER_VALUE_CHANGED:
      if (!isFocus()) break;
      for (uxValueLabel* label : labels_) {
        const int slot = SlotOf(label);
        if (editor_labels::TurnedBy(*msg, label, slot)) UpdateFromEncoder(slot, label->GetFloatValue());
      }
      break;
    case UX_MSG_FOCUS:
      if (envelope_ < 4) AnnounceFocus(*services_, *msg, kFocusIndex[envelope_]);
      break;
    case UX_MSG_VALUES_CHANGED:
      if (!editor_labels::ReloadsPart(*msg, part_)) break;
      editor_labels::ReloadLabels(*services_, labels_, FLAG_SEND_CAN,
                                  [this](uxValueLabel* label, float v) { SetEnvelopeValue(SlotOf(label), v); });
      PlotEnvelope(false);
      scope_->setRepaint();
      break;
    case UX_MSG_CLOSE_PANEL:
      CloseOnRequest(*this, *msg);
      break;
    default:
      break;
  }
  return result;
}
