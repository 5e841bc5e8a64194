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
  // Cut at the last dot only, so a name with dots of its own still finds its file.
  GetDirectoryFiles(presetNames_, platform::DataPath(kFolder), kExtension, false);
  for (std::string& name : presetNames_) name.resize(name.size() - sizeof kExtension);
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
  SelectPreset(0.0f, false, true, kFlags);
  if (Label(kPresetEntry) != nullptr) Label(kPresetEntry)->SetFloatValue(0.0f, FLAG_REPAINT);
  ApplyPreset(0, false, kFlags);
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
