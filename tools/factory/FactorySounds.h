#pragma once
// The sounds of a fresh data tree: one preset per sound source (a lead, a pad, a pluck and a
// bass), the drum kit on generated samples, the "[default]" arrangement that puts them on
// parts A-D and the kit, and the documents a first start reads besides (the device
// configuration, the controller map, the working settings). Written under the data root the
// process has set (platform::SetDataRoot).
#include <cstddef>

class FactorySounds {
 public:
  struct PresetInfo {
    const char* name;
    int octave;  // octaves from the tuning formula's pitch a key sounds at
  };
  static constexpr std::size_t kPresetCount = 4;
  // Part A-D's presets in order.
  static const PresetInfo kPresetInfo[kPresetCount];
  static constexpr const char* kKitName = "Factory Kit";

  // False (after a line on stderr) when a document could not be written.
  static bool Write();
};
