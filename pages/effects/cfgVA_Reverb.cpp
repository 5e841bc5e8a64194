#include "pages/effects/cfgVA_Reverb.h"

#include <algorithm>

#include "app/PageServices.h"
#include "data/DirectoryListing.h"
#include "platform/LogSink.h"
#include "platform/Paths.h"
#include "toolkit/uxValueLabel.h"

namespace {

constexpr char kFolder[] = "/var/lib/ruv/working/effects/";
constexpr char kExtension[] = "reverbfx";

// Setup order: the preset selector first, the shelf last.
constexpr FxLabelRow kRows[] = {
    {2, "Preset", nullptr, Formatter::kNone, false, 8, 0, {}, 0.0f, 0},
    {5, "PREDelay T", "ms", Formatter::kNone, false, 1, 1, {}, 0.0f, 0},
    {4, "Reverb T", "s", Formatter::kReverbTime, true, 1, 2, {}, 0.0f, 0},
    {7, "Damping", "%", Formatter::kNone, true, 1, 3, {}, 0.0f, 0},
    {9, "WET", "dB", Formatter::kDb, true, 1, 4, {}, 0.0f, 0},
    {10, "DRY", "dB", Formatter::kDb, false, 1, 5, {}, 0.0f, 0},
    {8, "Density", nullptr, Formatter::kNone, false, 8, 14, {"Sparse", "Thick"}, 0.0f, 0},
    {3, "LoSHL-Fc", "Hz", Formatter::kLoFc, false, 1, 6, {}, 0.0f, 0},
    {6, "LoSHL-Amt", "dB", Formatter::kGain, false, 1, 7, {}, 0.0f, 0},
};

// The reverb's own sound, in the slot's parameter numbers and units (damping in percent),
// for a reverb chosen where no preset file exists: the values the engine's reverb starts
// from. Without them the slot would keep, and store, whatever effect stood there before.
struct DefaultValue {
  int param;
  float value;
};
constexpr DefaultValue kOwnDefaults[] = {
    {1, 30.000002f},  // pre-delay ms
    {2, 0.619981f},   // loop gain (Reverb T)
    {3, 27.0f},       // damping %
    {4, -12.0f},      // wet dB
    {5, 0.0f},        // dry dB
    {6, 150.0f},      // low shelf Hz
    {7, -20.0f},      // low shelf dB
    {8, 4000.0f},     // high shelf Hz
    {9, 0.0f},        // high shelf dB
    {10, 37.0f},      // all-pass maximum delay ms
    {11, 23.27f},     // all-pass delay weight %
    {12, 87.5f},      // fixed maximum delay ms
    {13, 100.0f},     // fixed delay weight %
    {14, 0.0f},       // density: sparse
};

// Parameter numbers a preset may carry: the user parameters, and those it writes only
// when applied on its own (9 and up). 0 is the preset index itself.
constexpr int kNoEntry = -1;
constexpr int kLastUserParam = 8;
constexpr uint32_t kNumberMask = 0x180FFF;
// A number with this bit would address the instrument's global settings, not the slot.
constexpr uint32_t kSettingBit = 1u << 20;

}  // namespace

cfgVA_Reverb::cfgVA_Reverb(PageServices* services, uint32_t pageId, uxValueLabel** labels, appVA_Effects* page)
    : cfgVA_Base(services, pageId, labels, page, "REVERB", "Reverb.png", kRows) {
  ScanPresets();
}

void cfgVA_Reverb::ScanPresets() {
  presetNames_.clear();
  GetDirectoryFiles(presetNames_, platform::DataPath(kFolder), kExtension, true);
  std::sort(presetNames_.begin(), presetNames_.end());
}

void cfgVA_Reverb::ApplyPreset(int index, bool withUserParams, int flags) {
  if (presetNames_.empty() || index < 0 || index >= static_cast<int>(presetNames_.size())) return;
  preset_.Load(platform::DataPath(kFolder) + presetNames_[index] + "." + kExtension);
  for (int i = 0; i < preset_.Count(); ++i) {
    const CFXPreset::Entry& e = preset_.At(i);
    if (e.nr == 0 || e.nr == kNoEntry) continue;
    if (!withUserParams && e.nr >= 1 && e.nr <= kLastUserParam) continue;
    const uint32_t number = static_cast<uint32_t>(e.nr) & kNumberMask;
    if (number & kSettingBit) continue;
    services_->ValueChanged(static_cast<uint32_t>(Uid(static_cast<int>(number))), static_cast<unsigned>(flags),
                            e.value);
  }
}

void cfgVA_Reverb::SelectPreset(float v, bool keepPosition, bool withUserParams, int flags) {
  if (!(v >= 0.0f && v < static_cast<float>(presetNames_.size()))) {
    platform::LogPrintf("ERROR: <FX_REVERB> illegal preset index %f\n", static_cast<double>(v));
    return;
  }
  ApplyPreset(static_cast<int>(v), withUserParams, flags | FLAG_UPDATE_DS);
  for (int entry = kPresetEntry + 1; entry < kLabelSet; ++entry) {
    uxValueLabel* label = Label(entry);
    if (label == nullptr || label->GetID() == kNoUid) continue;
    const float x = services_->GetParamById(label->GetID());
    SetPosition(entry, x);
    label->SetFloatValue(x, static_cast<unsigned>(flags));
  }
  if (!keepPosition && Label(kPresetEntry) != nullptr) Label(kPresetEntry)->SetFloatRawValue(v);
}

void cfgVA_Reverb::SetupSlot(int slot) {
  cfgVA_Base::SetupSlot(slot);
  std::vector<const char*> texts;
  texts.reserve(presetNames_.size());
  for (const std::string& name : presetNames_) texts.push_back(name.c_str());
  if (Label(kPresetEntry) != nullptr) SetChoices(Label(kPresetEntry), texts);
}

void cfgVA_Reverb::RefreshValues(int flags) {
  for (int entry = kFirstParam; entry < kLabelSet; ++entry) {
    uxValueLabel* label = Label(entry);
    if (label == nullptr || !label->isEnabled() || label->GetID() == kNoUid) continue;
    const float v = services_->GetParamById(label->GetID());
    SetPosition(entry, v);
    if (entry == kPresetEntry) SelectPreset(v, false, false, flags);
    label->SetFloatValue(v, static_cast<unsigned>(flags));
  }
}

// The engine-only flag (8) reaches the chain a load prepares; the live flag goes with it so
// the sounding slot gets the defaults too.
void cfgVA_Reverb::SetDefaults() {
  constexpr int kFlags = FLAG_REPAINT | FLAG_UPDATE_ENGINE | FLAG_UPDATE_ENGINE_IM;
  if (presetNames_.empty()) {
    ApplyOwnDefaults(kFlags | FLAG_UPDATE_DS);
    return;
  }
  SelectPreset(0.0f, false, true, kFlags);
  if (Label(kPresetEntry) != nullptr) Label(kPresetEntry)->SetFloatValue(0.0f, FLAG_REPAINT);
  ApplyPreset(0, false, kFlags);
}

void cfgVA_Reverb::ApplyOwnDefaults(int flags) {
  for (const DefaultValue& d : kOwnDefaults)
    services_->ValueChanged(static_cast<uint32_t>(Uid(d.param)), static_cast<unsigned>(flags), d.value);
  for (const FxLabelRow& row : kRows) {
    uxValueLabel* label = Label(row.entry);
    if (label == nullptr || label->GetID() == kNoUid || row.entry == kPresetEntry) continue;
    for (const DefaultValue& d : kOwnDefaults) {
      if (d.param != row.param) continue;
      SetPosition(row.entry, d.value);
      label->SetFloatValue(d.value, FLAG_REPAINT);
    }
  }
}

int cfgVA_Reverb::OnMessage(tagUX_Message* msg) {
  const int result = cfgVA_Base::OnMessage(msg);
  if (msg->type == UX_MSG_ENCODER_VALUE_CHANGED && (msg->param & 3) == 0 && isEnabled()) {
    uxValueLabel* label = Label(kPresetEntry);
    if (label != nullptr && label->isChecked()) SelectPreset(label->GetFloatValue(), true, true, 5);
  } else if (msg->type == APP_MSG_RESCAN_FILES) {
    ScanPresets();
  }
  return result;
}
