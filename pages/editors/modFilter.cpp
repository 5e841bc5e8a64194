#include "pages/editors/modFilter.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "app/PageServices.h"
#include "data/ParamTable.h"
#include "data/ParamUid.h"
#include "engine/VoiceStatus.h"
#include "numeric/SplitRadixFft.h"
#include "pages/editors/CaptureDrawing.h"
#include "pages/editors/EditorLabels.h"
#include "pages/editors/PanelAddress.h"
#include "pages/editors/PanelFocus.h"
#include "pages/widgets/uxScopeView.h"
#include "toolkit/uxGroup.h"
#include "toolkit/uxLabel.h"
#include "toolkit/uxValueLabel.h"

namespace {

// A label's encoder slot; the bits above it carry the part.
using editor_labels::SlotOf;

constexpr int kPanelGroup = 3;
// The voice never runs a filter below this cutoff (nor at one that is no number).
constexpr float kMinCutoffHz = 50.0f;
constexpr int kFilterKey = 370;
constexpr int kLinkKey = 371;
constexpr int kKeyStride = 8;
using editor_labels::kFlagsFromController;
using editor_labels::kFlagsFromPanel;
constexpr const char* kTypeNames[modFilter::kTypes] = {"Bypass",    "LP24",     "MG_LD12",  "MG_LD24",
                                                       "MG_VCF_LP", "MG_VCF_BP", "MG_VCF_HP", "SEM_LP12",
                                                       "SEM_BP12",  "SEM_HP12", "SEM_NS12", "KORG35_LP"};

// The cutoff curve's fixed rows; between them the table rises evenly in log frequency.
struct Row {
  int index;
  float hz;
};
constexpr Row kRows[] = {{0, 50.0f},     {37, 100.0f},    {100, 145.1f},   {200, 225.7f},   {300, 380.3f},
                         {400, 625.5f},  {500, 1021.6f},  {600, 1751.5f},  {700, 3161.9f},  {800, 5767.5f},
                         {900, 10217.1f}, {990, 16387.8f}, {995, 16801.7f}, {998, 17053.8f}, {999, 17200.0f}};

struct CutoffTable {
  float hz[modFilter::kCutoffSteps];
  CutoffTable() {
    for (std::size_t r = 0; r + 1 < std::size(kRows); ++r) {
      const Row a = kRows[r], b = kRows[r + 1];
      const double la = std::log(a.hz), lb = std::log(b.hz);
      for (int i = a.index; i < b.index; ++i)
        hz[i] = static_cast<float>(std::exp(la + (lb - la) * (i - a.index) / (b.index - a.index)));
      hz[a.index] = a.hz;
    }
    hz[modFilter::kCutoffSteps - 1] = 17200.0f;
  }
};

const CutoffTable& Cutoffs() {
  static const CutoffTable table;
  return table;
}

const char* FormatHz(float hz, char* text, std::size_t size) {
  std::snprintf(text, size, hz < 1000.0f ? "%.1f" : "%.0f", static_cast<double>(hz));
  return text;
}

const char* FormatCutoff(float v, bool isIndex) {
  static char text[24];
  if (!isIndex) return FormatHz(v, text, sizeof text);
  if (!(v < static_cast<float>(modFilter::kCutoffSteps))) return std::strcpy(text, "17200");
  return FormatHz(modFilter::CutoffEntry(static_cast<int>(v)), text, sizeof text);
}

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
  const char* choices[2];
};

// Page order.
constexpr LabelSpec kSpecs[modFilter::kLabels] = {
    {" RESO ", 0x302, 0, 10, 420, "%", 1, true, 13, 0xC0C0C0, {}},
    {" LINK ", 0x306, 9, 210, 340, nullptr, 8, false, 13, 0xC0C0C0, {"OFF", "ON"}},
    {" CUTOFF ", 0x300, 8, 210, 420, "Hz", 17, true, 13, 0xC0C0C0, {}},
    {" TYPE ", 0x305, 16, 410, 420, "", 8, true, 12, 0x808080, {}},
    {" ENV-AMT ", 0x301, 24, 610, 420, "%", 2, true, 13, 0xC0C0C0, {}},
    {" INPUT ", 0x303, 25, 610, 340, "%", 1, false, 13, 0xC0C0C0, {}},
    {" KBD TRACK ", 0x304, 17, 410, 340, "%", 16, false, 13, 0xC0C0C0, {}},
    {"MODULATION", 0x308, 1, 10, 340, nullptr, 8, false, 13, 0xC0C0C0, {"LIN", "EXP"}},
};

// A stored type outside the table plots as "Bypass".
int PlotTypeOf(int type) { return type >= 0 && type < modFilter::kTypes ? type : 0; }

int TypeOf(float value) { return value >= -1e6f && value <= 1e6f ? static_cast<int>(value) : 0; }

}  // namespace

float modFilter::CutoffEntry(int index) {
  return Cutoffs().hz[index < 0 ? 0 : (index >= kCutoffSteps ? kCutoffSteps - 1 : index)];
}

int modFilter::CutoffIndex(float hz) {
  const float* t = Cutoffs().hz;
  if (!(hz > t[0]) || hz > t[kCutoffSteps - 1]) return 0;
  for (int i = 1; i < kCutoffSteps; ++i)
    if (hz <= t[i]) return i;
  return 0;
}

float modFilter::ViewLevel(float gain) {
  static const float kTop = std::pow(10.0f, kTopDb / 20.0f), kBottom = std::pow(10.0f, kBottomDb / 20.0f);
  return (gain > kBottom ? (gain < kTop ? gain : kTop) : kBottom) / kTop;
}

modFilter::modFilter(PageServices* services, uint32_t id, const char* name, uxPOINT pos, int16_t w, int16_t h,
                     uxCOLOR colour, modFilter* linked)
    : uxPanelCtrl(services, id, name, pos, w, h, uxCOLOR(0x303030)), services_(services),
      part_(param_uid::Kind(id)), instance_(param_uid::Instance(id)), linkedPage_(linked) {
  SplitRadixFft::InitTables();
  for (int j = 0; j < kBins; ++j) binAt_[j] = static_cast<int16_t>(SplitRadixFft::OutputIndex(kImpulse, j));
  (void)Cutoffs();
  preview_.SetSampleRate(kSampleRate);
  preview_.SetFrames(kBlock);

  uxGroup* groupA = new uxGroup(services, 0, "ENCODER A", uxPOINT(10, 340), 180, 150, colour);
  uxGroup* groupB =
      instance_ == 0 ? new uxGroup(services, 0, "ENCODER B", uxPOINT(210, 340), 180, 150, 0x2C0000) : nullptr;
  uxGroup* groupC = new uxGroup(services, 0, "ENCODER C", uxPOINT(410, 340), 180, 150, colour);
  uxGroup* groupD = new uxGroup(services, 0, "ENCODER D", uxPOINT(610, 340), 180, 150, colour);
  for (uxGroup* g : {groupA, groupB, groupC, groupD})
    if (g != nullptr) AddElement(g);
  if (instance_ != 0) {
    linkedA_ = new uxLabel(services, uxPOINT(210, 340), 180, 70, 0x202020, 0x404040, 0xFFFFFF, 13);
    linkedA_->setLabelText("LINKED-A", "Hz", 0xA4A4A4);
    linkedA_->setText("0");
    linkedA_->SetGrayed(true);
    AddElement(linkedA_);
  }
  for (int i = 0; i < kLabels; ++i) {
    if (!LabelUsed(i)) continue;
    const LabelSpec& s = kSpecs[i];
    auto* label = new uxValueLabel(services, static_cast<int>(id + static_cast<uint32_t>(s.param)),
                                   static_cast<uint32_t>(s.slot) | static_cast<uint32_t>(part_) << 12, uxPOINT(s.x, s.y), 180, 70, 0x202020, 0xC00000,
                                   s.third, 0xFFFFFF, 0xA4A4A4, true);
    label->SetLabelText(s.text, s.unit, s.font);
    for (const char* c : s.choices)
      if (c != nullptr) label->AddEnumText(c);
    if (i == kType)
      for (const char* c : kTypeNames) label->AddEnumText(c);
    label->SetEncoderMode(s.type);
    if (i == kCutoff) {
      label->setConvertFunction(FormatCutoff);
      label->setEncoderFactor(0.2f, "fine");
    }
    label->SetFloatValue(i == kCutoff ? 60.0f : (i == kInput ? 80.0f : 0.0f), 0);
    label->SetChecked(s.checked, false);
    labels_[i] = label;
    uxGroup* group = s.slot < 8 ? groupA : (s.slot < 16 ? groupB : (s.slot < 24 ? groupC : groupD));
    if (group != nullptr)
      group->AddElement(label);
    else
      AddElement(label);
  }

  uxPOINT at(10, 100);
  response_ = new uxScopeView(services, 0, &at, 512, 200, 0x101010, 0x808080, this, false, 0, 1, false);
  response_->SetGrid(32, 25);
  response_->SetLevelAxis(uxScopeView::kLevelDecibel, kBottomDb - kTopDb, 0.0f);
  AddElement(response_);
  for (int k = 0; k < 2; ++k) {
    uxPOINT c(532, k == 0 ? 100 : 205);
    captures_[k] = new uxScopeView(services, 0, &c, 258, 95, 0x101010, 0x808080, this, false, 0, 0, false);
    captures_[k]->SetGrid(16, 12);
    AddElement(captures_[k]);
  }
  PlotResponse();
}

void modFilter::PlotResponse() {
  // Each response starts from silence, so a plot never depends on the one before it.
  preview_.SetType(plotType_);
  preview_.Reset();
  fft_.fill(0.0f);
  const float hz = cutoff_ >= kMinCutoffHz ? cutoff_ : kMinCutoffHz;
  const float reso = std::isfinite(resonance_) ? resonance_ : 0.0f;
  for (int start = 0; start < kResponseLength; start += kBlock) {
    in_.fill(0.0f);
    if (start == 0) in_[0] = kImpulseLevel;
    preview_.Process(in_.data(), in_.data(), outLeft_.data(), outRight_.data(), hz, reso);
    for (int i = 0; i < kBlock; ++i) fft_[2 * ((start + i) % kImpulse)] += outLeft_[i] / kImpulseLevel;
  }
  SplitRadixFft::Transform(fft_.data(), kImpulse, SplitRadixFft::kForward);
  uxScopeView::Point* points = response_->Points();
  for (int j = 0; j < kBins; ++j) {
    const int p = binAt_[j];
    const float re = fft_[2 * p], im = fft_[2 * p + 1];
    points[j].a = ViewLevel(std::sqrt(re * re + im * im));
    points[j].marks[0] = 0;
    points[j].marks[uxScopeView::kDottedMark] = 0;
  }
}

void modFilter::SetFilterType(int type, bool repaint) {
  type_ = type;
  plotType_ = PlotTypeOf(type);
  PlotResponse();
  if (isFocus() && isEnabled() && repaint) response_->setRepaint();
  services_->sendPanelEnum(kFilterKey + kKeyStride * instance_, part_, type >= 1 ? 1 : 0);
}

void modFilter::ApplyCutoff(float hz) {
  cutoff_ = hz;
  PlotResponse();
  if (isFocus()) response_->setRepaint();
  if (instance_ == 0 && linked_ != 0 && linkedPage_ != nullptr) linkedPage_->SetLinkedCutoff(hz);
}

void modFilter::SetParamValue(int slot, float value) {
  switch (slot) {
    case 0:
      resonance_ = value * 0.01f;
      PlotResponse();
      if (isFocus()) response_->setRepaint();
      labels_[kReso]->SetFloatRawValue(value);
      break;
    case 1: labels_[kModulation]->SetFloatRawValue(value); break;
    case 17: labels_[kKbdTrack]->SetFloatRawValue(value); break;
    case 24: labels_[kEnvAmt]->SetFloatRawValue(value); break;
    case 25: labels_[kInput]->SetFloatRawValue(value); break;
    case 8:
      labels_[kCutoff]->SetFloatRawValue(static_cast<float>(CutoffIndex(value)));
      if (instance_ != 0 && linked_ != 0) break;
      ApplyCutoff(value);
      break;
    case 9:
      if (instance_ != 0) break;
      labels_[kLink]->SetFloatRawValue(value);
      ApplyLink(value);
      break;
    case 16:
      SetFilterType(TypeOf(value), true);
      labels_[kType]->SetFloatRawValue(value);
      break;
    default:
      break;
  }
}

void modFilter::UpdateFromEncoder(int slot, float value) {
  switch (slot) {
    case 0:
      resonance_ = value * 0.01f;
      PlotResponse();
      if (isFocus()) response_->setRepaint();
      break;
    case 8: {
      const int index = TypeOf(value);
      if (index < 0 || index >= kCutoffSteps || (instance_ != 0 && linked_ != 0)) break;
      ApplyCutoff(CutoffEntry(index));
      break;
    }
    case 9:
      if (instance_ == 0) ApplyLink(value);
      break;
    case 16:
      SetFilterType(TypeOf(value), true);
      break;
    default:
      break;
  }
}

void modFilter::ApplyLink(float value) {
  const int state = TypeOf(value);
  services_->sendPanelEnum(kLinkKey, part_, state);
  // The voice follows a stored link whichever way it came (preset, panel, encoder), so
  // filter B's page locks with it.
  linked_ = state == 1 ? 1 : 0;
  if (linkedPage_ != nullptr) {
    linkedPage_->SetLinked(linked_);
    if (linked_ != 0) linkedPage_->SetLinkedCutoff(cutoff_);
  }
}

void modFilter::SetLinked(int state) {
  if (labels_[kCutoff] != nullptr) labels_[kCutoff]->SetGrayed(state == 1);
  if (linkedA_ != nullptr) linkedA_->SetGrayed(state != 1);
  linked_ = state;
}

void modFilter::SetLinkedCutoff(float hz) {
  if (linkedA_ == nullptr) return;
  char text[24];
  linkedA_->setText(FormatHz(hz, text, sizeof text));
  cutoff_ = hz;
  if (isFocus() && isEnabled()) {
    PlotResponse();
    response_->setRepaint();
  }
}

int modFilter::OnPaint() {
  if (isFocus() && (++paints_ & 3) == 0) {
    if (auto* status = static_cast<VoiceStatus*>(const_cast<void*>(services_->VoiceMonitor(part_)));
        status != nullptr && instance_ < 2) {
      const float frequency = status->oscillator[0].frequency.load(std::memory_order_relaxed);
      for (int k = 0; k < 2; ++k) {
        ScopeCapture& capture = status->scope[2 * instance_ + k];
        if (!capture_drawing::TakeOnce(capture, taken_[k])) continue;
        uxScopeView* view = captures_[k];
        char text[32];
        std::snprintf(text, sizeof text, "%.2f Hz", static_cast<double>(frequency));
        view->SetTexts("", text, "");
        capture_drawing::Plot(capture, view, [](float sample) { return 0.1f + 1.1f * sample; });
      }
    }
    if (repaint_) PlotResponse();
  }
  uxPanelCtrl::OnPaint();
  repaint_ = false;
  return 1;
}

int modFilter::OnMidiCC(int a, int part, int controller, int value) {
  for (int i = 0; i < kLabels; ++i) {
    if (!LabelUsed(i) || labels_[i]->OnMidiCC(a, part, controller, value) == 0) continue;
    float v = labels_[i]->GetFloatValue();
    if (i == kCutoff) {
      v = CutoffEntry(TypeOf(v));
      if (linked_ != 0 && linkedPage_ != nullptr) linkedPage_->SetLinkedCutoff(v);
    }
    SetParamValue(SlotOf(labels_[i]), v);
    services_->ValueChanged(static_cast<uint32_t>(labels_[i]->GetID()), kFlagsFromController, v);
  }
  return 1;
}

int modFilter::OnMessage(tagUX_Message* msg) {
  const int result = uxPanelCtrl::OnMessage(msg);
  switch (msg->type) {
    case EN_MSG_SET_VALUE: {
      float value;
      if (!ReadPanelValue(*msg, value)) break;
      const int canId = static_cast<int>(msg->param);
      const bool ours = static_cast<int>(msg->flag) == part_;
      if (ours && canId == kFilterKey + kKeyStride * instance_) {
        if (!isFocus()) services_->ActivatePanel(3 + instance_, -1, 1);
        int next = TypeOf(labels_[kType]->GetFloatRawValue()) + 1;
        if (next >= kTypes || next < 0) next = 0;
        labels_[kType]->SetFloatValue(static_cast<float>(next), kFlagsFromPanel);
        SetParamValue(16, static_cast<float>(next));
        break;
      }
      if (ours && canId == kLinkKey + kKeyStride * instance_ && instance_ == 0) {
        const int now = TypeOf(labels_[kLink]->GetFloatRawValue());
        const int next = now == 0 ? 1 : 0;
        labels_[kLink]->SetFloatValue(static_cast<float>(next), kFlagsFromPanel);
        SetParamValue(9, static_cast<float>(next));
        break;
      }
      const PanelAddress address(canId, kPanelGroup, static_cast<int>(msg->flag));
      for (int i = 0; i < kLabels; ++i) {
        if (!LabelUsed(i)) continue;
        if (!address.Names(*labels_[i])) continue;
        const int slot = SlotOf(labels_[i]);
        SetParamValue(slot, value);
        labels_[i]->SetFloatValue(value, kFlagsFromPanel);
      }
      if (isFocus() && linked_ != 0 && linkedPage_ != nullptr && ours && address.instance == 0 &&
          address.ctrl == static_cast<int>(param_uid::Ctrl(static_cast<uint32_t>(labels_[kCutoff]->GetID()))))
        linkedPage_->SetLinkedCutoff(value);
      break;
    }
    case UX_MSG_ENCODER_VALUE_CHANGED:
      if (!isFocus()) break;
      for (int i = 0; i < kLabels; ++i) {
        if (!LabelUsed(i)) continue;
        const int slot = SlotOf(labels_[i]);
        if (editor_labels::TurnedBy(*msg, labels_[i], slot)) UpdateFromEncoder(slot, labels_[i]->GetFloatValue());
      }
      break;
    case UX_MSG_VALUES_CHANGED:
      if (!editor_labels::ReloadsPart(*msg, part_)) break;
      for (int i = 0; i < kLabels; ++i) {
        if (!LabelUsed(i)) continue;
        const float value = services_->GetParamById(labels_[i]->GetID());
        labels_[i]->SetFloatValue(value, FLAG_SEND_CAN);
        SetParamValue(SlotOf(labels_[i]), value);
      }
      break;
    case UX_MSG_FOCUS:
      AnnounceFocus(*services_, *msg, instance_ == 0 ? 8 : 9);
      break;
    case UX_MSG_CLOSE_PANEL:
      CloseOnRequest(*this, *msg);
      break;
    default:
      break;
  }
  return result;
}
