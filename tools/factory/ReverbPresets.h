#pragma once
// The reverb presets of a fresh data tree, small room to long hall: ".reverbfx" documents in
// the effects folder, each a list of the reverb's parameter numbers and values.
#include <cstddef>

class ReverbPresets {
 public:
  // Parameter numbers 1..14 of the reverb, in order.
  static constexpr std::size_t kValues = 14;
  static const char* const kValueNames[kValues];
  struct Preset {
    const char* name;
    float values[kValues];  // parameter n's value at index n - 1
  };
  static constexpr std::size_t kCount = 5;
  // Shortest tail first.
  static const Preset kPresets[kCount];

  // Writes every preset into "/var/lib/ruv/working/effects/" under the data root; false
  // (after a line on stderr) when one could not be written.
  static bool Write();
};
