#include "pages/editors/modWTOsc.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "app/PageServices.h"
#include "data/DirectoryListing.h"
#include "data/ParamTable.h"
#include "data/ParamUid.h"
#include "data/WaveTable.h"
#include "data/WavetableCache.h"
#include "engine/VoiceStatus.h"
#include "pages/editors/EditorLabels.h"
#include "pages/editors/PanelAddress.h"
#include "pages/editors/PanelFocus.h"
#include "pages/widgets/uxMultiWaveView.h"
#include "pages/widgets/uxPopupWT.h"
#include "pages/widgets/uxScopeView.h"
#include "platform/LogSink.h"
#include "platform/Paths.h"
#include "toolkit/uxGroup.h"
#include "toolkit/uxValueLabel.h"

namespace {

constexpr char kWaveDir[] = "/var/lib/ruv/working/wave/";
constexpr int kPanelGroup = 10;
constexpr int kMuteOffset = 0x20D;
constexpr int kNameParam = 1;
constexpr int kPopupEncoder = 148;
constexpr int kCodeNext = 130, kCodePrevious = 131, kCodeTake = 132;
constexpr int kRescan = 283;
constexpr int kPopupTicks = 10;
using editor_labels::kFlagsFromController;
using editor_labels::kFlagsFromPanel;
constexpr unsigned kFlagsMute = FLAG_UPDATE_DS | FLAG_UPDATE_ENGINE_IM;
constexpr unsigned kFlagsPanelOnly = FLAG_SEND_CAN;

struct LabelSpec {
  const char* text;
  int offset;
  int slot;
  int x, y;
  const char* unit;
  int mode;
  int font;
  float start;
  bool checked;
};

// In the fixed label order.
constexpr LabelSpec kSpecs[modWTOsc::kLabels] = {
    {"COARSE", 0x200, 16, 410, 420, "semi", 5, 13, 0.0f, true},
    {"FINE", 0x201, 17, 410, 340, "cent", 4, 13, 0.0f, false},
    {"SPREAD", 0x205, 25, 610, 340, "%", 1, 13, 80.0f, false},
    {" DETUNE ", 0x203, 27, 610, 180, "cent", 16, 13, 0.0f, false},
    {" UNISONO ", 0x204, 26, 610, 260, "", 8, 13, 0.0f, false},
    {" PAN ", 0x206, 24, 610, 420, "%", 2, 13, 80.0f, true},
    {"POS [SHAPE]", 0x207, 1, 10, 340, nullptr, 7, 13, 60.0f, true},
    {"SPECT.MORPH", 0x208, 9, 210, 340, "", 8, 12, 0.0f, true},
    {"BEND", 0x20E, 28, 610, 100, "%", 2, 12, 0.0f, false},
    {"MORPH [P2]", 0x20A, 8, 210, 420, "", 1, 13, 0.0f, false},
    {" PHASE ", 0x20C, 0, 10, 420, "%", 1, 13, 0.0f, false},
};

constexpr const char* kMorphTexts[] = {"None", "H-SHIFT", "IH-STRETCH", "SMEAR", "LOW-PASS", "HP-PASS"};
// The unit of each mode ("Oct", "7th", "5th") has no place in the label's enum list; the
// texts carry the voice count.
constexpr const char* kUnisonTexts[modWTOsc::kUnisonModes] = {"1x", "2x", "3x", "4x", "1x", "2x", "3x",
                                                              "4x", "2x", "3x", "4x", "2x", "3x", "4x"};

using editor_labels::IndexOf;
using editor_labels::SlotOf;

}  // namespace

modWTOsc::modWTOsc(PageServices* services, uint32_t id, const char* name, uxPOINT pos, int16_t w, int16_t h,
                   uxCOLOR colour)
    : uxPanelCtrl(services, id, name, pos, w, h, uxCOLOR(0x303030), 3), services_(services),
      part_(param_uid::Kind(id)), instance_(param_uid::Instance(id)), preview_(std::make_unique<WaveTable>()) {
  SetTypeName("WAVE-TABLE [OFF]");
  uxGroup* groups[4] = {
      new uxGroup(services, 0, "ENCODER A", uxPOINT(10, 340), 180, 150, colour),
      new uxGroup(services, 0, "ENCODER B", uxPOINT(210, 340), 180, 150, colour),
      new uxGroup(services, 0, "ENCODER C", uxPOINT(410, 340), 180, 150, colour),
      new uxGroup(services, 0, "ENCODER D", uxPOINT(610, 100), 180, 400, colour),
  };
  for (uxGroup* g : groups) {
    AddElement(g);
  }
  for (int i = 0; i < kLabels; ++i) {
    const LabelSpec& s = kSpecs[i];
    const bool grey = i == kUnison || i == kSpread || i == kPan;
    auto* label = new uxValueLabel(services, static_cast<int>(Uid(s.offset)),
                                   static_cast<uint32_t>(s.slot) | static_cast<uint32_t>(part_) << 12,
                                   uxPOINT(s.x, s.y), 180, 70, 0x202020, 0xC00000, grey ? 0x808080 : 0xC0C0C0,
                                   0xFFFFFF, 0xA4A4A4, true);
    label->SetLabelText(s.text, s.unit, s.font);
    if (i == kSpectMorph)
      for (const char* t : kMorphTexts) label->AddEnumText(t);
    if (i == kUnison)
      for (const char* t : kUnisonTexts) label->AddEnumText(t);
    label->SetEncoderMode(s.mode);
    label->SetFloatValue(s.start, 0);
    if (s.checked) label->SetChecked(true, false);
    labels_[i] = label;
    groups[s.slot / 8]->AddElement(label);
  }
  uxPOINT at(10, 100);
  view3d_ = new uxMultiWaveView(services, k3DView, &at, 580, 220, 0x101010, 0x808080, this);
  view3d_->SetGrid(32, 25);
  AddElement(view3d_);
  view2d_ = new uxScopeView(services, k2DView, &at, 580, 220, 0x101010, 0x808080, this, true, 0, 1, false);
  view2d_->SetGrid(32, 25);
  view2d_->SetEnabled(false);
  view2d_->SetTexts("", "", "2D");
  // The marker shows where the played span starts; it carries no label.
  view2d_->SetMarkerText("");
  view2d_->SetXAxis(uxScopeView::kCallback, 0.0f, 1.0f);
  view2d_->SetCallback([this](float q) { return BendCurve(q, bend_); });
  view2d_->SetInterpolation(uxScopeView::kLinearInterp);
  view2d_->UpdateLogAxis();
  AddElement(view2d_);
  ScanWavetables();
}

modWTOsc::~modWTOsc() = default;

uint32_t modWTOsc::Uid(int offset) const {
  return param_uid::KindBits(part_) | param_uid::InstanceBits(instance_) | static_cast<uint32_t>(offset);
}

void modWTOsc::SetCaption(const std::string& name) {
  SetTypeName(("WAVE-TABLE [" + name + "]").c_str(), true);
}

void modWTOsc::SendName(const std::string& text, bool alt) {
  services_->sendPanelText(kTextId + kIdStride * instance_, part_, text.c_str(), alt);
}

int modWTOsc::ScanWavetables() {
  names_.clear();
  GetDirectoryFiles(names_, platform::DataPath(kWaveDir), "wav", true);
  std::sort(names_.begin(), names_.end());
  names_.insert(names_.begin(), "[OFF]");
  for (std::size_t i = 0; i < names_.size(); ++i)
    if (names_[i] == current_) return static_cast<int>(i);
  return 0;
}

void modWTOsc::Rescan() {
  // A list that shrank must not be indexed past its end later; a name that went keeps
  // the loaded table and the nearest index.
  const int found = ScanWavetables();
  const int last = static_cast<int>(names_.size()) - 1;
  index_ = found != 0 ? found : std::clamp(index_, 0, last);
  browse_ = std::clamp(browse_, 0, last);
}

bool modWTOsc::LoadPreviewWavetable(int index) {
  if (index == 0) return true;
  return preview_->LoadFile(platform::DataPath(kWaveDir) + names_[static_cast<std::size_t>(index)] + ".wav") != 0;
}

void modWTOsc::SetWavetable(WaveTable* table, bool store, bool live) {
  if (table != nullptr) {
    {
      std::lock_guard lock(view3d_->Mutex());
      view3d_->SetWavetable(table);
    }
    view3d_->setRepaint();
    if (store) {
      const auto& raw = table->RawSamples();
      services_->StoreSamplePCM16(static_cast<int>(Uid(0)), current_.c_str(), raw.data(), static_cast<int>(raw.size()));
    }
    SendName(current_);
    services_->SetWavetableData(static_cast<int>(Uid(0)), live ? 1 : 0, table);
    SetCaption(current_);
    return;
  }
  SetCaption("OFF");
  services_->SetWavetableData(static_cast<int>(Uid(0)), live ? 1 : 0, nullptr);
  if (store) services_->StoreSamplePCM16(static_cast<int>(Uid(0)), "[OFF]", nullptr, 0);
  {
    std::lock_guard lock(view3d_->Mutex());
    view3d_->SetWavetable(nullptr);
  }
  view3d_->setRepaint();
  SendName("[OFF]");
}

void modWTOsc::SetMute(bool on) {
  muted_ = on;
  SendName(on ? kMuteText : (current_.empty() ? "[OFF]" : current_));
  services_->ValueChanged(Uid(kMuteOffset), kFlagsMute, on ? 1.0f : 0.0f);
}

void modWTOsc::ApplyLabelValue(int slot, float value, bool previewOnly) {
  switch (slot) {
    case 1: {
      const float v = std::isnan(value) ? 0.0f : std::clamp(value, 0.0f, 255.0f);
      {
        std::lock_guard lock(view3d_->Mutex());
        view3d_->SetWaveA(static_cast<int>(v));
      }
      view3d_->setRepaint();
      if (!previewOnly) labels_[kPos]->SetFloatRawValue(value);
      return;
    }
    case 26:
      if (!previewOnly) labels_[kUnison]->SetFloatRawValue(value);
      services_->sendPanelEnum(kUnisonId + kIdStride * instance_, part_, IndexOf(value));
      return;
    case 28:
      bend_ = std::isnan(value) ? 0.0f : std::clamp(value / 100.0f, -1.0f, 1.0f);
      {
        std::lock_guard lock(view3d_->Mutex());
        view3d_->SetBend(bend_);
      }
      view3d_->setRepaint();
      view2d_->setRepaint();
      return;
    default:
      break;
  }
  if (previewOnly) return;
  for (uxValueLabel* label : labels_)
    if (SlotOf(label) == slot) label->SetFloatRawValue(value);
}

float modWTOsc::BendCurve(float q, float b) {
  if (b > 0.0f) return std::pow(q, 1.0f / (1.02f - b));
  if (b < 0.0f) return 1.0f - std::pow(1.0f - q, 1.0f / (b + 1.02f));
  return q;
}

void modWTOsc::UpdateScope(int scaled, const float* block, int length, float frequency, float position) {
  char text[48];
  std::snprintf(text, sizeof text, "%2f Hz", static_cast<double>(frequency));
  std::string first = text;
  std::snprintf(text, sizeof text, "%2f %%", static_cast<double>(position * 100.0f));
  view2d_->SetTexts(first, text, "2D");
  secondsPerPixel_ = frequency > 0.0f ? 1.0f / frequency / static_cast<float>(kViewPoints) : 0.0f;
  if (scaled < 256 && block != nullptr && length > 0) {
    uxScopeView::Point* points = view2d_->Points();
    const int count = std::min(kViewPoints, view2d_->PointCount());
    for (int i = 0; i < count; ++i) {
      const int k = static_cast<int>(static_cast<int64_t>(i) * length / kViewPoints);
      points[i].a = 0.48f + block[k] * 0.05f;
    }
  }
  view2d_->setRepaint();
}

std::string modWTOsc::CursorText(int x) const {
  char text[32];
  std::snprintf(text, sizeof text, "%3f ms", static_cast<double>(static_cast<float>(x) * secondsPerPixel_ * 1000.0f));
  return text;
}

void modWTOsc::ShowProgress(float value) {
  // Without the page factory the core's popup is a plain frame that shows no bar.
  if (auto* popup = dynamic_cast<uxPopupWT*>(services_->PopupWT()); popup != nullptr) {
    popup->SetProgress(true, 255.0f, value);
    popup->SetShown(true);
    popup->setRepaint();
  }
}

void modWTOsc::Prepare(int variants) {
  for (int n = 0; n < variants && counter_ < WaveTable::kVariants; ++n) prepared_->AnalyseVariant(counter_++);
}

int modWTOsc::OnPaint() {
  if (isFocus() && (instance_ == 0 || instance_ == 1)) {
    if (const auto* status = static_cast<const VoiceStatus*>(services_->VoiceMonitor(part_)); status != nullptr) {
      const VoiceStatus::Oscillator& osc = status->oscillator[instance_];
      const float position = osc.position.load(std::memory_order_relaxed);
      const float* block = osc.table.load(std::memory_order_relaxed);
      const int length = osc.length.load(std::memory_order_relaxed);
      const int scaled = static_cast<int>(position * 255.0f);
      if (viewMode_ == 1) {
        if (block != nullptr)
          UpdateScope(scaled, block, length, osc.frequency.load(std::memory_order_relaxed), position);
        // The record has no end of the played span, so only its start is marked.
        view2d_->SetMarker(static_cast<int>(labels_[kPhase]->GetFloatRawValue() / 100.0f * kViewPoints));
      } else {
        const int live = 255 - std::clamp(scaled, 0, 255);
        std::lock_guard lock(view3d_->Mutex());
        if (view3d_->WaveB() != live) view3d_->SetWaveB(live);
        view3d_->SetSamplesB(block, length);
        view3d_->SetGains(1.0f, 0.25f);
        view3d_->setRepaint();
      }
    }
  }
  uxPanelCtrl::OnPaint();
  repaint_ = false;
  return 1;
}

int modWTOsc::OnMidiCC(int a, int part, int controller, int value) {
  editor_labels::TakeControllerMove(*services_, labels_, a, part, controller, value, kFlagsFromController,
                                    [this](uxValueLabel* label) {
                                      const float v = label->GetFloatValue();
                                      ApplyLabelValue(SlotOf(label), v);
                                      return v;
                                    });
  return 1;
}

void modWTOsc::SetValue(tagUX_Message* msg, float value) {
  const int canId = static_cast<int>(msg->param);
  const bool ours = static_cast<int>(msg->flag) == part_;
  const int count = static_cast<int>(names_.size());
  if (ours && canId == kKeyId + kIdStride * instance_) {
    if (value == 2.0f || value == 3.0f) {
      if (!muted_) {
        if (value == 2.0f && browse_ + 1 < count) ++browse_;
        if (value == 3.0f && browse_ > 0) --browse_;
      }
      if (browse_ >= 0 && browse_ < count) SendName(names_[static_cast<std::size_t>(browse_)], true);
      restore_ = kRestoreTicks;
    } else if (value == 4.0f) {
      if (muted_) {
        SendName(kMuteText);
        return;
      }
      const int index = std::clamp(browse_, 0, count - 1);
      if (index == 0) {
        index_ = 0;
        current_ = names_[0];
        SendName("[OFF]");
        SetWavetable(nullptr, true, true);
        return;
      }
      // A table that does not load leaves the choice and everything shown as it was.
      WaveTable* table = services_->WaveTables().LoadFile(names_[static_cast<std::size_t>(index)]);
      if (table == nullptr) return;
      index_ = index;
      current_ = names_[static_cast<std::size_t>(index)];
      prepared_ = table;
      SendName(current_);
      counter_ = 0;
      Prepare(WaveTable::kVariants);
      counter_ = kIdle;
      SetWavetable(table, true, true);
    } else if (value == 6.0f) {
      services_->sendPanelEnum(kUnisonId + kIdStride * instance_, part_, IndexOf(labels_[kUnison]->GetFloatRawValue()));
      SendName(current_.empty() ? "[OFF]" : current_);
    }
    return;
  }
  if (ours && canId == kTextId + kIdStride * instance_) {
    if (value == 7.0f) {
      SetMute(!muted_);
    } else if (value == 8.0f) {
      int unison = IndexOf(labels_[kUnison]->GetFloatRawValue()) + 1;
      if (unison >= kUnisonModes || unison < 0) unison = 0;
      labels_[kUnison]->SetFloatValue(static_cast<float>(unison), kFlagsFromPanel);
      ApplyLabelValue(26, static_cast<float>(unison));
    }
    return;
  }
  const PanelAddress address(canId, kPanelGroup, static_cast<int>(msg->flag));
  for (uxValueLabel* label : labels_) {
    if (!address.Names(*label)) continue;
    ApplyLabelValue(SlotOf(label), value);
    label->SetFloatValue(value, kFlagsFromPanel);
  }
}

int modWTOsc::OnMessage(tagUX_Message* msg) {
  const int result = uxPanelCtrl::OnMessage(msg);
  std::atomic<int32_t>& popupTimer = services_->PopupTimer(popupWT);
  switch (msg->type) {
    case UX_MSG_TICK_EVENT:
      if (prepared_ != nullptr && counter_ <= 255) {
        Prepare(kVariantsPerTick);
        if (counter_ % kVariantsPerTick == 0 && popupTimer.load() != 0) {
          popupTimer.store(kPopupTicks);
          ShowProgress(static_cast<float>(counter_));
        }
      } else if (prepared_ != nullptr && counter_ == WaveTable::kVariants) {
        // The name is the one taken with the table: the popup may have been browsed on since.
        SetWavetable(prepared_, true, true);
        counter_ = kIdle;
      }
      if (restore_ == 1) {
        SendName(current_.empty() ? "[OFF]" : current_);
        restore_ = 0;
      } else if (restore_ > 1) {
        --restore_;
      }
      break;
    case EN_MSG_SET_VALUE:
      if (float value; ReadPanelValue(*msg, value)) SetValue(msg, value);
      break;
    case UX_MSG_ENCODER_VALUE_CHANGED:
      if (!isFocus()) break;
      for (uxValueLabel* label : labels_) {
        const int slot = SlotOf(label);
        if (editor_labels::TurnedBy(*msg, label, slot)) ApplyLabelValue(slot, label->GetFloatValue(), true);
      }
      break;
    case UX_MSG_ENCODER_EVENT: {
      if (!isFocus() || static_cast<int>(msg->param) != kPopupEncoder) break;
      const int code = static_cast<int>(msg->flag);
      const int last = static_cast<int>(names_.size()) - 1;
      if (popupTimer.load() != 0) {
        if (code == kCodeNext || code == kCodePrevious) {
          index_ = std::clamp(index_ + (code == kCodeNext ? 1 : -1), 0, last);
          if (LoadPreviewWavetable(index_))
            services_->ShowWavetablePopup(names_[static_cast<std::size_t>(index_)].c_str(),
                                          index_ == 0 ? nullptr : preview_.get());
        } else if (code == kCodeTake) {
          const std::string& name = names_[static_cast<std::size_t>(std::clamp(index_, 0, last))];
          if (index_ != 0) {
            if (WaveTable* table = services_->WaveTables().LoadFile(name); table != nullptr) {
              current_ = name;
              prepared_ = table;
              counter_ = 0;
            }
          } else {
            current_ = name;
            prepared_ = nullptr;
            counter_ = kIdle;
            SetWavetable(nullptr, true, true);
            if (popupTimer.load() != 0) {
              popupTimer.store(kPopupTicks);
              ShowProgress(255.0f);
            }
          }
        }
      } else if (code == kCodeNext || code == kCodePrevious) {
        index_ = ScanWavetables();
        if (LoadPreviewWavetable(index_))
          services_->ShowWavetablePopup(names_[static_cast<std::size_t>(index_)].c_str(),
                                        index_ == 0 ? nullptr : preview_.get());
      }
      break;
    }
    case UX_MSG_VALUES_CHANGED: {
      if (!editor_labels::ReloadsPart(*msg, part_)) break;
      editor_labels::ReloadLabels(*services_, labels_, kFlagsPanelOnly,
                                  [this](uxValueLabel* label, float v) { ApplyLabelValue(SlotOf(label), v); });
      char name[64] = {};
      services_->GetSampleName(static_cast<int>(Uid(kNameParam)), name);
      current_ = name;
      WaveTable* table = services_->WaveTables().Find(current_);
      {
        std::lock_guard lock(view3d_->Mutex());
        view3d_->SetWavetable(table);
      }
      view3d_->setRepaint();
      if (table != nullptr) {
        SendName(current_);
        SetCaption(current_);
        platform::LogPrintf("Load WT %d, <%s>\n", instance_ + 1, current_.c_str());
      } else {
        SetCaption("OFF");
      }
      SetMute(services_->GetParamById(static_cast<int>(Uid(kMuteOffset))) != 0.0f);
      break;
    }
    case UX_MSG_FOCUS:
      AnnounceFocus(*services_, *msg, 4 + (instance_ & 1));
      break;
    case UX_MSG_CLOSE_PANEL:
      CloseOnRequest(*this, *msg);
      break;
    case UX_MSG_ON_BUTTON:
      if (!isFocus() || (msg->param != k3DView && msg->param != k2DView) || touchLatch_) break;
      view3d_->SetEnabled(viewMode_ == 1);
      view2d_->SetEnabled(viewMode_ == 0);
      viewMode_ = viewMode_ == 0 ? 1 : 0;
      view3d_->setRepaint();
      view2d_->setRepaint();
      touchLatch_ = true;
      break;
    case UX_MSG_OFF_BUTTON:
      if (isFocus() && (msg->param == k3DView || msg->param == k2DView)) touchLatch_ = false;
      break;
    default:
      if (msg->type == kRescan) Rescan();
      break;
  }
  return result;
}
