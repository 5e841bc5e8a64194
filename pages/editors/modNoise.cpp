#include "pages/editors/modNoise.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "app/PageServices.h"
#include "data/DirectoryListing.h"
#include "data/MultiWaveReader.h"
#include "data/ParamTable.h"
#include "data/ParamUid.h"
#include "data/WavefileCache.h"
#include "engine/VoiceStatus.h"
#include "pages/editors/EditorLabels.h"
#include "pages/editors/PanelAddress.h"
#include "pages/editors/PanelFocus.h"
#include "pages/widgets/uxScopeView.h"
#include "platform/LogSink.h"
#include "platform/Paths.h"
#include "toolkit/uxButton.h"
#include "toolkit/uxPopupPB.h"
#include "toolkit/uxTableCtrl.h"
#include "toolkit/uxTableRow.h"
#include "toolkit/uxValueLabel.h"

namespace {

constexpr char kNoiseDir[] = "/var/lib/ruv/working/wave/noises";
constexpr int kPanelGroup = 8;
constexpr int kNameParam = 2;
constexpr int kRescan = 283;
constexpr int kRowHeight = 40;
constexpr int kTableX = 10, kTableY = 110;
constexpr unsigned kFlagsFromController = FLAG_UPDATE_DS | FLAG_UPDATE_ENGINE_IM;
constexpr unsigned kFlagsFromPanel = FLAG_REPAINT | FLAG_UPDATE_DS | FLAG_UPDATE_ENGINE_IM;
constexpr unsigned kFlagsPanelOnly = FLAG_SEND_CAN;

struct LabelSpec {
  const char* text;
  int offset;
  int slot;
  int x, y;
  const char* unit;
  int mode;
  uxCOLOR accent, third;
  bool checked;
};

// In the fixed label order.
constexpr LabelSpec kSpecs[modNoise::kLabels] = {
    {"PITCH", 0x240, 0, 10, 420, "%", 16, 0xC00000, 0xC0C0C0, true},
    {"MODE", 0x243, 8, 210, 420, nullptr, 8, 0xC00000, 0xC0C0C0, false},
    {"PAN", 0x241, 24, 610, 420, "%", 2, 0xC0C0C0, 0x808080, true},
    {"FREQ-TRG", 0x242, 16, 410, 420, nullptr, 8, 0xC00000, 0xC0C0C0, true},
};

using editor_labels::IndexOf;
using editor_labels::SlotOf;
bool IsMulti(const std::string& entry) { return entry.find(".msw") != std::string::npos; }

const char* FormatPitch(float v, bool) {
  static char text[24];
  std::snprintf(text, sizeof text, "%.1f", static_cast<double>(v * 0.1f));
  return text;
}

}  // namespace

modNoise::modNoise(PageServices* services, uint32_t id, const char* name, uxPOINT pos, int16_t w, int16_t h,
                   uxCOLOR /*colour*/)
    : uxPanelCtrl(services, id, name, pos, w, h, uxCOLOR(0x303030), 3), services_(services),
      part_(param_uid::Kind(id)) {
  table_ = new uxTableCtrl(services, id, "Noise", uxPOINT(kTableX, kTableY), 380, 240, 6, 0, true);
  presetButton_ = new uxButton(services, 0, uxPOINT(10, 350), 350, 40, 0x404040, 0x808080, 0xFFFFFF, true, 0, 0);
  presetButton_->setMode(BtnModeSelectable);
  presetButton_->SetText("PS:", false, false);
  AddElement(presetButton_);
  for (int i = 0; i < kLabels; ++i) {
    const LabelSpec& s = kSpecs[i];
    auto* label = new uxValueLabel(services, static_cast<int>(Uid(s.offset)),
                                   static_cast<uint32_t>(s.slot) | static_cast<uint32_t>(part_) << 12,
                                   uxPOINT(s.x, s.y), 180, 70, 0x202020, s.accent, s.third, 0xFFFFFF, 0xA4A4A4, true);
    label->SetLabelText(s.text, s.unit, 13);
    if (i == kMode)
      for (const char* t : {"REPEAT", "TRANS.", "LOOPED"}) label->AddEnumText(t);
    if (i == kFreqTrg)
      for (const char* t : {"MAN", "KBD"}) label->AddEnumText(t);
    label->SetEncoderMode(s.mode);
    if (i == kPitch) label->setConvertFunction(FormatPitch);
    label->SetFloatValue(0.0f, 0);
    if (s.checked) label->SetChecked(true, false);
    labels_[i] = label;
    AddElement(label);
  }
  for (int v = 0; v < 2; ++v) {
    uxPOINT at(405, v == 0 ? 110 : 258);
    views_[v] = new uxScopeView(services, static_cast<uint32_t>(-1), &at, 380, 130, 0x202020, 0x808080, nullptr,
                                false, 0, 0, false);
    views_[v]->SetTexts("", v == 0 ? "LEFT" : "RIGTH", "");
    Flatten(views_[v]);
    AddElement(views_[v]);
  }
  ScanNoises();
  AddElement(table_);
}

modNoise::~modNoise() = default;

uint32_t modNoise::Uid(int offset) const { return param_uid::KindBits(part_) | static_cast<uint32_t>(offset); }

std::string modNoise::EntryText(const std::string& entry) {
  // Only the last extension goes, so "my.kick.wav" stays "my.kick".
  const auto dot = entry.rfind('.');
  return dot == std::string::npos ? entry : entry.substr(0, dot);
}

void modNoise::SetCaption(const std::string& text) { SetTypeName(text.c_str(), true); }

void modNoise::SendName(const std::string& text, bool alt) {
  services_->sendPanelText(kNameId, part_, text.c_str(), alt);
}

void modNoise::Flatten(uxScopeView* view) {
  uxScopeView::Point* points = view->Points();
  const int count = std::min(kPoints, view->PointCount());
  for (int i = 0; i < count; ++i) {
    points[i].a = 0.4f;
    points[i].marks.fill(0);
  }
  view->setRepaint();
}

void modNoise::ScanNoises() {
  table_->Clear();
  names_.clear();
  const std::string dir = platform::DataPath(kNoiseDir);
  names_ = GetDirectoryFiles(dir, "wav", false);
  for (std::string& name : GetDirectoryFiles(dir, "msw", false)) names_.push_back(std::move(name));
  std::sort(names_.begin(), names_.end());
  names_.insert(names_.begin(), "[OFF]");
  for (std::size_t i = 0; i < names_.size(); ++i) {
    const int n = static_cast<int>(i);
    const int y = kTableY + n * kRowHeight;
    auto* row = new uxTableRow(table_, n + 1, static_cast<uint32_t>(n + 1), kRowHeight, "ROW");
    auto* number = new uxButton(services_, static_cast<unsigned>(-1), uxPOINT(kTableX, y), 40, kRowHeight, 0x808080,
                                0x545454, 0, true, 1, 0);
    char text[16];
    std::snprintf(text, sizeof text, "%02d", n + 1);
    number->setMode(BtnModeSelectable);
    number->SetText(text, true, false);
    row->addColumn(number);
    const uxCOLOR background = n % 2 == 0 ? 0x202020 : 0;
    auto* name = new uxButton(services_, static_cast<unsigned>(-1), uxPOINT(kTableX + 40, y), n == 0 ? 310 : 280,
                              kRowHeight, background, 0x545454, IsMulti(names_[i]) ? 0x00FFFF : 0xFFFFFF, true, 0, 0);
    name->setMode(BtnModeSelectable);
    name->SetText(EntryText(names_[i]).c_str(), true, false);
    row->addColumn(name);
    if (n > 0) {
      auto* type = new uxButton(services_, static_cast<unsigned>(-1), uxPOINT(kTableX + 320, y), 30, kRowHeight,
                                background, 0x545454, 0xFFFFFF, true, 0, 0);
      type->setMode(BtnModeSelectable);
      type->SetText(IsMulti(names_[i]) ? "M" : "S", true, false);
      row->addColumn(type);
    }
    table_->addRow(row);
  }
  // A list that shrank must not be indexed past its end (the rescan message finds the
  // chosen file again).
  if (selection_ >= static_cast<int>(names_.size())) selection_ = -1;
  if (browse_ >= static_cast<int>(names_.size())) browse_ = static_cast<int>(names_.size()) - 1;
}

void modNoise::SelectRow(int index) {
  table_->selectRow(index);
  table_->ScrollToSelected();
}

void modNoise::UncheckPreset() {
  presetButton_->SetChecked(false, true);
  presetButton_->setButtonState(false);
}

bool modNoise::LoadNoise(int row) {
  if (row < 0 || row >= static_cast<int>(names_.size())) return false;
  const std::string& entry = names_[static_cast<std::size_t>(row)];
  const std::string text = EntryText(entry);
  if (row == 0) {
    services_->ClearWaveData(static_cast<int>(Uid(0)), 0);
    services_->SetSampleData(static_cast<int>(Uid(0)), 1, entry.c_str(), nullptr);
    current_ = nullptr;
    Flatten(views_[0]);
    Flatten(views_[1]);
    SetCaption("[OFF]");
    return true;
  }
  // A file that does not load changes nothing: the part keeps its sample, and the page
  // keeps showing it.
  MultiWaveReader* sample = nullptr;
  WavefileCache& cache = services_->WaveCache();
  if (!IsMulti(entry)) {
    sample = cache.LoadFile(text, ".wav");
    if (sample == nullptr) {
      platform::LogPrintf("ERROR: Load sample file %s\n", text.c_str());
      return false;
    }
    services_->SetSampleName(static_cast<int>(Uid(kNameParam)), sample->Name().c_str(), sample->ContainerFlag());
    if (sample->ItemCount() > 0 && sample->Item(0) != nullptr) DrawSample(sample->Item(0), nullptr, 0, nullptr);
    labels_[kMode]->SetGrayed(false);
    labels_[kPan]->SetGrayed(false);
    current_ = nullptr;
  } else {
    if (uxPopupPB* popup = services_->PopupProgress(); popup != nullptr) popup->SetRelativePos(430, 200);
    const bool shown = services_->ShowProgress("Load Sample", text.c_str());
    sample = cache.LoadFile(text, ".msw");
    if (sample != nullptr)
      services_->SetSampleName(static_cast<int>(Uid(kNameParam)), sample->Name().c_str(), sample->ContainerFlag());
    if (shown) services_->HideProgress();
    if (sample == nullptr) {
      platform::LogPrintf("ERROR: Load multi sample file %s\n", text.c_str());
      return false;
    }
    labels_[kMode]->SetGrayed(true);
    labels_[kPan]->SetGrayed(true);
    current_ = sample;
  }
  SetCaption("[" + text + "]");
  services_->SetSampleData(static_cast<int>(Uid(0)), 1, text.c_str(), sample);
  cache.PrintCache();
  return true;
}

void modNoise::RestoreCaption() {
  if (!presetName_.empty()) {
    SetCaption(presetName_);
    table_->deselectRow();
  } else if (selection_ >= 0) {
    std::string caption = "[";
    caption += selection_ == 0 ? std::string("OFF") : EntryText(names_[static_cast<std::size_t>(selection_)]);
    SetCaption(caption + "]");
    SelectRow(selection_);
  } else {
    SetCaption("");
    table_->deselectRow();
  }
}

void modNoise::RestorePanelName() {
  if (selection_ < 0 || !presetName_.empty()) SendName(presetName_);
  else SendName(EntryText(names_[static_cast<std::size_t>(selection_)]));
  browse_ = -1;
  panelRestore_ = 0;
}

void modNoise::DrawSample(const SampleFile* sample, const MswfRegion* region, int regionNumber, const float* ratio) {
  if (sample == nullptr || sample->Channels() == 0 || sample->Frames() == 0) return;
  const float* channels[2] = {sample->Channel(0), sample->Channel(sample->Channels() >= 2 ? 1 : 0)};
  const int frames = sample->Frames();
  int start = 0;
  float g = static_cast<float>(frames) / 380.0f;
  float loopStart = 0.0f, loopEnd = 0.0f;
  bool looped = false;
  bool draw[2] = {true, true};
  bool flat = false;
  if (region != nullptr && region->startFrame != region->endFrame) {
    // A region outside the sample or turned round draws flat, never past the data.
    flat = region->startFrame >= region->endFrame || region->startFrame >= static_cast<uint32_t>(frames);
    start = static_cast<int>(std::min<uint32_t>(region->startFrame, static_cast<uint32_t>(frames)));
    g = flat ? 1.0f : static_cast<float>(region->endFrame - region->startFrame) / 380.0f;
    loopStart = static_cast<float>(region->loopStart) / g;
    loopEnd = static_cast<float>(region->loopEnd) / g;
    looped = region->loopMode == 3;
    if (region->pan < 0.0f) draw[1] = false;
    if (region->pan > 0.0f) draw[0] = false;
  } else {
    const SampleLoopInfo& loop = sample->Loop();
    looped = loop.chunkId != 0 && loop.loopEnd > loop.loopStart;
    loopStart = static_cast<float>(loop.loopStart) / g;
    loopEnd = static_cast<float>(loop.loopEnd) / g;
  }
  for (int v = 0; v < 2; ++v) {
    if (!draw[v]) continue;
    uxScopeView* view = views_[v];
    char text[96] = "";
    if (region != nullptr && ratio != nullptr)
      std::snprintf(text, sizeof text, "Rgn:%d Smp:%d Ratio:%f", regionNumber, static_cast<int>(region->sampleIndex),
                    static_cast<double>(*ratio));
    view->SetTexts(text, v == 0 ? "LEFT" : "RIGTH", "");
    uxScopeView::Point* points = view->Points();
    const int count = std::min(kPoints, view->PointCount());
    for (int i = 0; i < count; ++i) {
      const int k = start + static_cast<int>(static_cast<float>(i) * g);
      points[i].a = flat ? 0.4f : 0.4f + channels[v][std::clamp(k, 0, frames - 1)] * 0.6f;
      const float x = static_cast<float>(i);
      points[i].marks.fill(0);
      if (looped && !flat && x > loopStart && x < loopEnd) points[i].marks[0] = 1;
    }
    view->setRepaint();
  }
}

void modNoise::ShowVoiceRegions() {
  if (current_ == nullptr) return;
  const auto* status = static_cast<const VoiceStatus*>(services_->VoiceMonitor(part_));
  if (status == nullptr) return;
  // The panel writes only its own mark in the record.
  auto& display = const_cast<RegionDisplay&>(status->noise);
  if (display.shown.load(std::memory_order_relaxed) != 0) return;
  const auto& regions = current_->Regions();
  const float ratio = display.ratio.load(std::memory_order_relaxed);
  for (int c = 0; c < 2; ++c) {
    const int r = display.regionIndex[c].load(std::memory_order_relaxed);
    if (r < 0 || r >= static_cast<int>(regions.size())) continue;
    const MswfRegion& region = regions[static_cast<std::size_t>(r)];
    if (region.sampleIndex >= static_cast<uint32_t>(current_->ItemCount())) continue;
    DrawSample(current_->Item(static_cast<int32_t>(region.sampleIndex)), &region, r, &ratio);
  }
  display.shown.store(1, std::memory_order_relaxed);
}

void modNoise::ApplyLabelValue(int slot, float value) {
  switch (slot) {
    case 0: labels_[kPitch]->SetFloatRawValue(value); break;
    case 8:
      labels_[kMode]->SetFloatRawValue(value);
      services_->sendPanelText(kModeId, part_, labels_[kMode]->getEnumText(IndexOf(value)));
      break;
    case 16:
      labels_[kFreqTrg]->SetFloatRawValue(value);
      services_->sendPanelText(kFreqTrgId, part_, labels_[kFreqTrg]->getEnumText(IndexOf(value)));
      break;
    default: break;
  }
}

int modNoise::OnPaint() {
  if (isFocus() && (++paints_ & 3) == 0) ShowVoiceRegions();
  uxPanelCtrl::OnPaint();
  repaint_ = false;
  return 1;
}

int modNoise::OnMidiCC(int a, int part, int controller, int value) {
  for (uxValueLabel* label : labels_) {
    if (label->OnMidiCC(a, part, controller, value) == 0) continue;
    const int slot = SlotOf(label);
    const float v = label->GetFloatValue();
    if (slot == 0 || slot == 8) ApplyLabelValue(slot, v);
    if (a != 0) services_->ValueChanged(static_cast<uint32_t>(label->GetID()), kFlagsFromController, v);
  }
  return 1;
}

void modNoise::SetValue(tagUX_Message* msg, float value) {
  const int canId = static_cast<int>(msg->param);
  const bool ours = static_cast<int>(msg->flag) == part_;
  const int count = static_cast<int>(names_.size());
  if (ours && (canId == kFreqTrgId || canId == kModeId)) {
    const bool mode = canId == kModeId;
    uxValueLabel* label = labels_[mode ? kMode : kFreqTrg];
    int v = IndexOf(label->GetFloatRawValue()) + 1;
    if (v >= (mode ? 3 : 2) || v < 0) v = 0;
    label->SetFloatValue(static_cast<float>(v), kFlagsFromPanel);
    ApplyLabelValue(mode ? 8 : 16, static_cast<float>(v));
    return;
  }
  if (ours && canId == kNameId) {
    if (value == 2.0f || value == 3.0f) {
      if (value == 2.0f) browse_ = browse_ < 0 ? (count > 1 ? 1 : 0) : std::min(browse_ + 1, count - 1);
      else browse_ = browse_ < 0 ? 0 : std::max(browse_ - 1, 0);
      SendName(EntryText(names_[static_cast<std::size_t>(browse_)]), true);
      panelRestore_ = kRestoreTicks;
    } else if (value == 4.0f && browse_ >= 0) {
      if (!LoadNoise(browse_)) {
        RestorePanelName();
        return;
      }
      selection_ = browse_;
      SelectRow(selection_);
      SendName(EntryText(names_[static_cast<std::size_t>(selection_)]));
      presetName_.clear();
      panelRestore_ = 0;
      UncheckPreset();
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

int modNoise::OnMessage(tagUX_Message* msg) {
  const int result = uxPanelCtrl::OnMessage(msg);
  switch (msg->type) {
    case UX_MSG_TICK_EVENT:
      if (panelRestore_ == 1) {
        RestorePanelName();
      } else if (panelRestore_ > 1) {
        --panelRestore_;
      }
      if (captionRestore_ == 1) {
        RestoreCaption();
        captionRestore_ = 0;
      } else if (captionRestore_ > 1) {
        --captionRestore_;
      }
      ShowVoiceRegions();
      break;
    case EN_MSG_SET_VALUE:
      if (float value; ReadPanelValue(*msg, value)) SetValue(msg, value);
      break;
    case UX_MSG_TABLE_ITEM_SEL: {
      if (!isFocus()) break;
      platform::LogPrintf("select flag %02X\n", static_cast<unsigned>(msg->flag));
      if (msg->flag != 0 && msg->flag != 132) {
        SetCaption("Selecting...");
        captionRestore_ = kRestoreTicks;
        break;
      }
      const int row = table_->getSelection();
      if (row < 0 || row >= static_cast<int>(names_.size())) break;
      captionRestore_ = 0;
      if (!LoadNoise(row)) {
        RestoreCaption();
        break;
      }
      selection_ = row;
      presetName_.clear();
      SendName(EntryText(names_[static_cast<std::size_t>(selection_)]));
      UncheckPreset();
      break;
    }
    case UX_MSG_ENCODER_VALUE_CHANGED:
      if (!isFocus()) break;
      for (uxValueLabel* label : labels_) {
        const int slot = SlotOf(label);
        if (!editor_labels::TurnedBy(*msg, label, slot)) continue;
        if (label == labels_[kMode])
          services_->sendPanelText(kModeId, part_, label->getEnumText(IndexOf(label->GetFloatValue())));
        if (label == labels_[kFreqTrg])
          services_->sendPanelText(kFreqTrgId, part_, label->getEnumText(IndexOf(label->GetFloatValue())));
      }
      break;
    case UX_MSG_VALUES_CHANGED: {
      if (!editor_labels::ReloadsPart(*msg, part_)) break;
      editor_labels::ReloadLabels(*services_, labels_, kFlagsPanelOnly,
                                  [this](uxValueLabel* label, float v) { ApplyLabelValue(SlotOf(label), v); });
      char buffer[64] = {};
      services_->GetSampleName(static_cast<int>(Uid(kNameParam)), buffer);
      const std::string name = buffer;
      current_ = services_->WaveCache().Find(name);
      if (current_ != nullptr && current_->Regions().size() == 1 && current_->ItemCount() > 0)
        DrawSample(current_->Item(0), nullptr, 0, nullptr);
      table_->deselectRow();
      int found = -1;
      for (std::size_t i = 0; i < names_.size() && found < 0; ++i)
        if ((name.empty() && i == 0) || EntryText(names_[i]) == name) found = static_cast<int>(i);
      if (found >= 0) {
        SelectRow(found);
        selection_ = found;
        SendName(EntryText(names_[static_cast<std::size_t>(found)]));
        if (found != 0) SetCaption("[" + name + "]");
        UncheckPreset();
        presetName_.clear();
      } else {
        presetButton_->SetText(("PS:" + name).c_str(), true, false);
        presetButton_->setButtonState(true);
        presetButton_->SetChecked(true, true);
        SendName(name);
        SetCaption(name);
        presetName_ = name;
        selection_ = -1;
        browse_ = -1;
      }
      break;
    }
    case UX_MSG_FOCUS:
      AnnounceFocus(*services_, *msg, 6);
      break;
    case UX_MSG_CLOSE_PANEL:
      CloseOnRequest(*this, *msg);
      break;
    default:
      if (msg->type == kRescan) {
        const std::string chosen = selection_ >= 0 ? names_[static_cast<std::size_t>(selection_)] : std::string();
        ScanNoises();
        // The chosen file is found again at its new place; one that went drops the choice.
        if (!chosen.empty()) {
          const auto it = std::find(names_.begin(), names_.end(), chosen);
          selection_ = it != names_.end() ? static_cast<int>(it - names_.begin()) : -1;
        }
      }
      break;
  }
  return result;
}
