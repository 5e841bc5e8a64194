// e2e-fixture-tree ROOT: the data the page checks start from, written by the instrument's
// own writers under a data root: a preset that sounds (the first envelope drives the
// amplifier) in category "Sound", the same with the noise source alone ("Noise"), the
// arrangement "fixture" whose program map sends program 5 to that preset, and the factory's
// pictures of the pages.
#include <cstdio>
#include <filesystem>

#include "data/CArranger.h"
#include "data/CDataSets.h"
#include "platform/Paths.h"
#include "tools/factory/FactoryPictures.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: e2e-fixture-tree ROOT\n");
    return 2;
  }
  platform::SetDataRoot(argv[1]);
  std::filesystem::create_directories(platform::DataPath("/var/lib/ruv/working/presets/Sound"));
  std::filesystem::create_directories(platform::DataPath("/var/lib/ruv/working/arrangments"));

  // Oscillator 1 an algorithmic sine at full level, oscillator 2 off, filter A open, the
  // first envelope held, and that envelope on the amplifier: a plain tone while a key is down.
  CDataSets preset;
  struct Setting {
    int ctrl, instance;
    float value;
  };
  constexpr Setting kTone[] = {{16, 0, 1}, {536, 0, 1}, {17, 0, 100}, {16, 1, 3},
                               {773, 0, 0}, {771, 0, 100}, {1026, 0, 0.005f}, {1028, 0, 100}};
  for (const Setting& s : kTone)
    if (preset.setParam(s.ctrl, s.instance, 0, s.value, 0) != 1) return 1;
  constexpr uint8_t kEnv1 = 1;
  constexpr uint8_t kAmpEnv = 21;
  preset.Routes() = {{0, kEnv1, kAmpEnv, 1, 1.0f, 0.0f}};
  if (preset.XMLStorePreset("Sound/Amp") != 1) return 1;

  // Both oscillators silent and the noise source at full level and normal speed (at speed 0
  // a sample stands still): it sounds once a sample is loaded into it.
  constexpr Setting kNoiseOnly[] = {{17, 0, 0}, {17, 1, 0}, {17, 2, 100}, {576, 0, 100}};
  for (const Setting& s : kNoiseOnly)
    if (preset.setParam(s.ctrl, s.instance, 0, s.value, 0) != 1) return 1;
  if (preset.XMLStorePreset("Sound/Noise") != 1) return 1;

  CArranger song;
  song.OnProgram("Sound/Amp", 5);
  if (song.XMLStoreArranger("fixture", "", "fixture") != 1) return 1;
  return FactoryPictures::Write() ? 0 : 1;
}
