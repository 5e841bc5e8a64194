#pragma once
// The reverb's panel: its user parameters and a list of presets, small files in the effects
// folder whose parameter values are written into the slot when one is chosen.
#include <string>
#include <vector>

#include "pages/effects/CFXPreset.h"
#include "pages/effects/cfgVA_Base.h"

class cfgVA_Reverb : public cfgVA_Base {
 public:
  static constexpr int kPresetEntry = 2;

  cfgVA_Reverb(PageServices* services, uint32_t pageId, uxValueLabel** labels, appVA_Effects* page);

  int OnMessage(tagUX_Message* msg) override;
  void SetupSlot(int slot) override;
  void RefreshValues(int flags) override;
  void SetDefaults() override;

  // The preset names (regular files of the effects folder, without ".reverbfx"), sorted
  // byte-wise.
  void ScanPresets();
  // Writes the entries of preset `index` into the slot with `flags`; the user parameters
  // (1..8) only `withUserParams`. Nothing without presets.
  void ApplyPreset(int index, bool withUserParams, int flags);
  // Applies preset `v` (flags | 2) and reads the labels 3..10 back; unless `keepPosition`,
  // the preset label then stands at `v`. A `v` that names no preset is logged and changes
  // nothing.
  void SelectPreset(float v, bool keepPosition, bool withUserParams, int flags);

  const std::vector<std::string>& PresetNames() const { return presetNames_; }

 private:
  // Without presets: the engine reverb's own values into the slot (flags) and the labels.
  void ApplyOwnDefaults(int flags);

  std::vector<std::string> presetNames_;
  CFXPreset preset_;
};
