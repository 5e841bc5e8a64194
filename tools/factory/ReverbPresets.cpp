#include "tools/factory/ReverbPresets.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "data/XmlWriter.h"
#include "platform/Paths.h"

namespace {

constexpr char kFolder[] = "/var/lib/ruv/working/effects/";
constexpr char kExtension[] = ".reverbfx";

}  // namespace

const char* const ReverbPresets::kValueNames[kValues] = {
    "PREDelay T", "Reverb T",  "Damping", "WET",        "DRY",       "LoSHL-Fc",  "LoSHL-Amt",
    "HiSHL-Fc",   "HiSHL-Amt", "APF Max", "APF Weight", "Fixed Max", "Fixed Weight", "Density"};

// The tail grows with the loop gain (Reverb T) and the tank's delays (APF and Fixed, ms and
// percent); damping and the shelves colour it. Density 0 is the sparse tank, 1 the thick one.
// The panel offers them by name, so a new slot's first preset is "Ambience".
const ReverbPresets::Preset ReverbPresets::kPresets[kCount] = {
    // name        pre   RT     damp wet  dry  loHz loDb  hiHz  hiDb apf apf%    fix    fix%  dense
    {"Ambience", {2, 0.30f, 50, -12, 0, 200, -12, 6000, -3, 12, 60, 18, 100, 1}},
    {"Chamber", {8, 0.55f, 35, -12, 0, 150, -10, 5000, -2, 25, 50, 40, 100, 1}},
    {"Plate", {0, 0.70f, 10, -12, 0, 200, -6, 6000, 2, 37, 23.27f, 60, 100, 0}},
    {"Hall", {20, 0.80f, 30, -11, 0, 150, -8, 4000, -2, 45, 50, 80, 100, 1}},
    {"Long Hall", {35, 0.85f, 25, -10, 0, 120, -6, 4000, -3, 70, 60, 100, 100, 1}},
};

bool ReverbPresets::Write() {
  const std::string folder = platform::DataPath(kFolder);
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  for (const Preset& preset : kPresets) {
    XmlWriter writer(folder + preset.name + kExtension);
    if (!writer.IsOpen()) {
      std::fprintf(stderr, "factory-bank: cannot write the reverb preset \"%s\"\n", preset.name);
      return false;
    }
    writer.AddAttribute("Version", "1.0");
    writer.BeginElement("FXPreset");
    for (std::size_t i = 0; i < kValues; ++i) {
      // Queued last to first: the document reads Nr, Name, Value.
      writer.AddAttribute("Value", std::to_string(preset.values[i]));
      writer.AddAttribute("Name", kValueNames[i]);
      writer.AddAttribute("Nr", std::to_string(i + 1));
      writer.BeginElement("Parameter");
      writer.EndElement();
    }
    writer.EndAll();
    if (!writer.Close()) {
      std::fprintf(stderr, "factory-bank: cannot write the reverb preset \"%s\"\n", preset.name);
      return false;
    }
  }
  return true;
}
