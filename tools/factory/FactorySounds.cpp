#include "tools/factory/FactorySounds.h"

#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "data/CArranger.h"
#include "data/CDeviceConfig.h"
#include "data/CMidiCCSets.h"
#include "data/CSettings.h"
#include "data/CDataSetSampler.h"
#include "data/CDataSets.h"
#include "data/MultiWaveReader.h"
#include "data/SampleFile.h"
#include "engine/ModulationMatrix.h"
#include "engine/SynthVoice.h"
#include "platform/Paths.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kRate = 48000;
constexpr char kWorking[] = "/var/lib/ruv/working/";
constexpr char kKitFolder[] = "Factory";  // under the drum-kit wave folder
// A part's notes reach the engine three octaves up (the default octave setting of parts
// A-D); two octaves down on every oscillator puts MIDI note 69 near 440 Hz.
constexpr int kPartOctaveKeys = 36;
constexpr float kCoarse = -24.0f;

// Parameter numbers (ctrl, instance) of the settings below.
enum Ctrl : uint32_t {
  kOscType = 16,
  kLevel = 17,  // instance 0, 1: oscillators; 2: noise (the sample player)
  kAlgCoarse = 528,
  kAlgSelect = 536,
  kWtCoarse = 512,
  kWtPos = 519,
  kResCoarse = 544,
  kResBrightness = 552,
  kResAttack = 553,
  kResDecay = 554,
  kNoiseSpeed = 576,
  kNoiseKeyTrack = 578,
  kCutoff = 768,
  kFilterEnvAmount = 769,
  kResonance = 770,
  kFilterDrive = 771,
  kFilterType = 773,
  kEnvAttack = 1026,  // instance: the envelope
  kEnvDecay = 1027,
  kEnvSustain = 1028,
  kEnvRelease = 1029,
};
constexpr float kOscOff = 3.0f;
// Filter types and algorithms by their editor names.
constexpr float kBypass = 0, kLp24 = 1, kLadder24 = 3, kSemLp12 = 7;
constexpr float kJustSaw = 0;

struct Setting {
  uint32_t ctrl;
  uint32_t instance;
  float value;  // the engine's units: seconds for envelope times, percent for levels, Hz
};

enum class Source { kAlgorithmic, kWavetable, kResonator, kSample };

struct PresetDef {
  FactorySounds::PresetInfo info;
  Source source;
  std::vector<Setting> settings;
  float filterEnvelope;  // ENV2 -> filter A route amount in percent, 0 for none
};

// What every preset sets: oscillator 2 and the noise silent, filter B bypassed, filter A's
// input at full drive.
const std::vector<Setting> kCommon = {
    {kOscType, 1, kOscOff}, {kLevel, 1, 0},       {kLevel, 2, 0},          {kFilterType, 1, kBypass},
    {kFilterDrive, 0, 100},
};

// Four presets, one per source, each with its own filter and contour. The levels are set so
// that a key at velocity 100 peaks near the drum kit's hits (within a few dB).
const PresetDef kPresets[] = {
    {{"Saw Lead", 0},
     Source::kAlgorithmic,
     {{kOscType, 0, SynthVoice::kAlgorithmic}, {kAlgSelect, 0, kJustSaw}, {kAlgCoarse, 0, kCoarse}, {kLevel, 0, 100},
      {kFilterType, 0, kLadder24}, {kCutoff, 0, 1400}, {kResonance, 0, 30}, {kFilterEnvAmount, 0, 35},
      {kEnvAttack, 0, 0.01f}, {kEnvDecay, 0, 0.4f}, {kEnvSustain, 0, 80}, {kEnvRelease, 0, 0.25f},
      {kEnvAttack, 1, 0.005f}, {kEnvDecay, 1, 0.5f}, {kEnvSustain, 1, 30}, {kEnvRelease, 1, 0.3f}},
     100.0f},
    {{"Glass Pad", 0},
     Source::kWavetable,
     {{kOscType, 0, SynthVoice::kWavetable}, {kWtCoarse, 0, kCoarse}, {kWtPos, 0, 60}, {kLevel, 0, 85},
      {kFilterType, 0, kSemLp12}, {kCutoff, 0, 2500}, {kResonance, 0, 10}, {kFilterEnvAmount, 0, 0},
      {kEnvAttack, 0, 0.35f}, {kEnvDecay, 0, 1.0f}, {kEnvSustain, 0, 90}, {kEnvRelease, 0, 1.2f}},
     0.0f},
    {{"Resonator Pluck", 0},
     Source::kResonator,
     {{kOscType, 0, SynthVoice::kResonator}, {kResCoarse, 0, kCoarse}, {kResBrightness, 0, 50}, {kResAttack, 0, 2},
      {kResDecay, 0, 400}, {kLevel, 0, 85}, {kFilterType, 0, kBypass}, {kEnvAttack, 0, 0.002f},
      {kEnvDecay, 0, 1.2f}, {kEnvSustain, 0, 40}, {kEnvRelease, 0, 0.5f}},
     0.0f},
    {{"Sample Bass", -1},
     Source::kSample,
     {{kOscType, 0, kOscOff}, {kLevel, 0, 0}, {kLevel, 2, 100}, {kNoiseSpeed, 0, 100}, {kNoiseKeyTrack, 0, 1},
      {kFilterType, 0, kLp24}, {kCutoff, 0, 500}, {kResonance, 0, 35}, {kFilterEnvAmount, 0, 30},
      {kEnvAttack, 0, 0.003f}, {kEnvDecay, 0, 0.5f}, {kEnvSustain, 0, 70}, {kEnvRelease, 0, 0.15f},
      {kEnvAttack, 1, 0.002f}, {kEnvDecay, 1, 0.25f}, {kEnvSustain, 1, 0}, {kEnvRelease, 1, 0.2f}},
     100.0f},
};
static_assert(std::size(kPresets) == FactorySounds::kPresetCount);

// A drum sound: its pad, the MIDI note that plays it (on channel 10) and how it is made.
// Each file sits in the sub-folder the pad's page lists (pad 2 is the second snare).
enum class Drum { kKick, kSnare, kHat, kClap };
struct PadDef {
  int pad;
  int note;
  const char* sub;     // sub-folder of the kit folder
  const char* sample;  // file name in it
  Drum drum;
};
const PadDef kPads[] = {
    {0, 36, "kick", "Kick", Drum::kKick},
    {1, 38, "snare", "Snare", Drum::kSnare},
    {2, 39, "snare", "Clap", Drum::kClap},
    {3, 42, "clhat", "Hat", Drum::kHat},
};

bool MakeDirs(const std::string& path) {
  for (std::size_t at = 1; at <= path.size(); ++at) {
    if (at != path.size() && path[at] != '/') continue;
    const std::string part = path.substr(0, at);
    if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) {
      std::fprintf(stderr, "factory-bank: cannot make %s: %s\n", part.c_str(), std::strerror(errno));
      return false;
    }
  }
  return true;
}

// A plain pseudo-random sequence, so that every tree gets the same sounds.
struct Noise {
  uint32_t state = 0x12345678u;
  float Next() {
    state = state * 1664525u + 1013904223u;
    return static_cast<float>(state >> 8) / 8388608.0f - 1.0f;
  }
};

// 16-bit wavetable frames: a sine that gains odd, then even harmonics frame by frame (eight
// frames of 2048 samples, the oscillator's frame length).
std::vector<uint8_t> WavetableFrames() {
  constexpr int kFrames = 8;
  constexpr int kLength = 2048;
  std::vector<uint8_t> bytes;
  bytes.reserve(kFrames * kLength * 2);
  for (int f = 0; f < kFrames; ++f) {
    std::vector<double> wave(kLength, 0.0);
    double peak = 0.0;
    for (int n = 0; n < kLength; ++n) {
      double v = std::sin(2 * kPi * n / kLength);
      for (int h = 2; h <= 2 + 2 * f; ++h) {
        if (h % 2 == 1 || f >= kFrames / 2) v += std::sin(2 * kPi * h * n / kLength) / h;
      }
      wave[n] = v;
      peak = std::fmax(peak, std::fabs(v));
    }
    for (double v : wave) {
      const auto s = static_cast<int16_t>(std::lround(v / peak * 0.9 * 32767));
      bytes.push_back(static_cast<uint8_t>(s & 0xFF));
      bytes.push_back(static_cast<uint8_t>((s >> 8) & 0xFF));
    }
  }
  return bytes;
}

// The pitch the oscillators above play for a key the engine is given (its formula: 103.6 Hz
// at octave 4, semitone 8, twelve steps an octave, the coarse tuning added).
double KeyHz(int key) { return 103.6 * std::pow(2.0, (key % 12 + kCoarse - 8) / 12.0 + (key / 12 - 4)); }

// The sample player's source: a container of one region whose root is MIDI note 69 as the
// part hands it to the engine, holding two seconds of a bass tone an octave under the pitch
// the oscillators play for that key (a saw whose upper harmonics are thinned), looped whole.
constexpr int kSampleRoot = 69 + kPartOctaveKeys;

std::unique_ptr<SampleFile> BassSample() {
  auto file = std::make_unique<SampleFile>();
  SampleFile& s = *file;
  const int frames = 2 * kRate;
  s.Resize(1, frames);
  s.SetSampleRate(kRate);
  s.SetBitDepth(16);
  const double hz = KeyHz(kSampleRoot) / 2;
  // Whole cycles, so that the loop joins without a click.
  const double cycles = std::floor(hz * frames / kRate);
  float* out = s.Channel(0);
  for (int n = 0; n < frames; ++n) {
    const double phase = 2 * kPi * cycles * n / frames;
    double v = 0.0;
    for (int h = 1; h <= 24; ++h) v += std::sin(h * phase) / (h * (1.0 + 0.15 * h));
    out[n] = static_cast<float>(0.45 * v);
  }
  return file;
}

// The hits at full scale peak some 6 dB over a synth key at the mixer's levels below.
constexpr double kDrumGain = 0.5;

SampleFile DrumSample(Drum drum) {
  SampleFile s;
  const int frames = drum == Drum::kKick ? kRate / 2 : drum == Drum::kHat ? kRate / 10 : kRate / 4;
  s.Resize(1, frames);
  s.SetSampleRate(kRate);
  s.SetBitDepth(16);
  float* out = s.Channel(0);
  Noise noise;
  double phase = 0.0;
  float last = 0.0f;
  for (int n = 0; n < frames; ++n) {
    const double t = static_cast<double>(n) / kRate;
    double v = 0.0;
    switch (drum) {
      case Drum::kKick:  // a sine falling from 150 Hz to 45 Hz
        phase += 2 * kPi * (45.0 + 105.0 * std::exp(-t * 25.0)) / kRate;
        v = std::sin(phase) * std::exp(-t * 7.0);
        break;
      case Drum::kSnare:  // a 190 Hz body under a noise burst
        phase += 2 * kPi * 190.0 / kRate;
        v = 0.5 * std::sin(phase) * std::exp(-t * 30.0) + 0.6 * noise.Next() * std::exp(-t * 18.0);
        break;
      case Drum::kHat: {  // noise through a first-order high-pass
        const float x = noise.Next();
        v = 0.6 * (x - last) * std::exp(-t * 45.0);
        last = x;
        break;
      }
      case Drum::kClap: {  // three quick bursts and a tail
        const double burst = std::fmod(t, 0.011);
        const double envelope = t < 0.033 ? std::exp(-burst * 300.0) : std::exp(-(t - 0.033) * 20.0);
        v = 0.8 * noise.Next() * envelope;
        break;
      }
    }
    out[n] = static_cast<float>(kDrumGain * v);
  }
  return s;
}

bool WriteWave(const SampleFile& s, const std::string& path) {
  std::vector<uint8_t> bytes;
  if (s.EncodeWave(bytes) == 0) return false;
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  const bool whole = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && whole;
}

bool WritePreset(CDataSets& ds, const PresetDef& def) {
  for (const std::vector<Setting>* list : {&kCommon, &def.settings}) {
    for (const Setting& s : *list) {
      if (ds.setParam(static_cast<int>(s.ctrl), static_cast<int>(s.instance), 0, s.value, 0) != 1) {
        std::fprintf(stderr, "factory-bank: %s: no parameter %u/%u\n", def.info.name, s.ctrl, s.instance);
        return false;
      }
    }
  }
  ds.Routes().clear();
  ds.Routes().push_back(
      {0, SynthVoice::kSrcEnv1, SynthVoice::kDstVca1Env, ModulationMatrix::kUnipolar, 100.0f, 0.0f});
  if (def.filterEnvelope != 0.0f)
    ds.Routes().push_back(
        {1, SynthVoice::kSrcEnv2, SynthVoice::kDstVcfAEnv, ModulationMatrix::kUnipolar, def.filterEnvelope, 0.0f});
  if (def.source == Source::kWavetable) {
    EmbeddedData* table = ds.Embedded(1);
    table->name = "Factory Harmonics";
    table->encoding = "PCM_S16";
    table->data = WavetableFrames();
  }
  if (def.source == Source::kSample) {
    MultiWaveReader set;
    set.AddItem(BassSample());
    MswfRegion region;
    region.rootKey = kSampleRoot;
    set.Regions().push_back(region);
    EmbeddedData* wave = ds.Embedded(3);
    wave->name = "Factory Bass";
    wave->encoding = "MSWF";
    if (set.CreateStream(wave->data, 1) == 0) return false;
  }
  return ds.XMLStorePreset(def.info.name) == 1;
}

// The mixer's part levels (a steep curve: 50, the default, is -18.6 dB, 80 is -6.6 dB): up, so
// that a key at velocity 100 peaks within a few dB of a drum hit.
struct MixerLevel {
  int32_t ctrl;
  int32_t part;
  float value;
};
constexpr int32_t kPartLevel = 0xB10;
constexpr MixerLevel kMixerLevels[] = {
    {kPartLevel, 0, 80}, {kPartLevel, 1, 80}, {kPartLevel, 2, 80}, {kPartLevel, 3, 80},
};

// The documents a first start would otherwise miss and make itself, each after an "ERROR"
// line: the device configuration and controller map with their defaults, and the working
// settings the "[default]" arrangement names.
bool WriteStartDocuments() {
  if (CDeviceConfig().XMLStoreDeviceConfig("DeviceConfig") != 1) {
    std::fprintf(stderr, "factory-bank: cannot write the device configuration\n");
    return false;
  }
  if (CMidiCCSets().XMLStoreMidiCCMap("MidiCCMap") != 1) {
    std::fprintf(stderr, "factory-bank: cannot write the controller map\n");
    return false;
  }
  CSettings settings;
  for (const MixerLevel& level : kMixerLevels) settings.SetValue(settings.Find(level.ctrl, level.part), level.value);
  if (settings.XMLStoreSettings(nullptr) != 1) {
    std::fprintf(stderr, "factory-bank: cannot write the working settings\n");
    return false;
  }
  return true;
}

}  // namespace

const FactorySounds::PresetInfo FactorySounds::kPresetInfo[kPresetCount] = {
    kPresets[0].info, kPresets[1].info, kPresets[2].info, kPresets[3].info};

bool FactorySounds::Write() {
  const std::string working = platform::DataPath(kWorking);
  const std::string kitDir = working + "wave/drumkit/" + kKitFolder + "/";
  for (const std::string& dir : {working + "presets", working + "arrangments", working + "sampler", kitDir})
    if (!MakeDirs(dir)) return false;
  if (!WriteStartDocuments()) return false;

  CArranger arranger;
  int part = 0;
  for (const PresetDef& def : kPresets) {
    if (!WritePreset(*arranger.DataSet(part), def) || arranger.StorePartPreset(part, def.info.name) != 1) {
      std::fprintf(stderr, "factory-bank: cannot write the preset \"%s\"\n", def.info.name);
      return false;
    }
    arranger.OnProgram(def.info.name, part);
    ++part;
  }

  CDataSetSampler& kit = arranger.Sampler();
  for (const PadDef& pad : kPads) {
    const std::string entry = std::string(pad.sub) + "/" + pad.sample;
    if (!MakeDirs(kitDir + pad.sub + "/")) return false;
    const std::string path = kitDir + entry + ".wav";
    if (!WriteWave(DrumSample(pad.drum), path)) {
      std::fprintf(stderr, "factory-bank: cannot write %s\n", path.c_str());
      return false;
    }
    kit.SetPadSample(pad.pad, CDataSetSampler::kCtrlSample, 0, (std::string(kKitFolder) + "/" + entry).c_str());
    // The kit keeps the trigger key itself; the pad's page turns it into its KEY choice.
    kit.SetPadParam(pad.pad, CDataSetSampler::kCtrlTrigger, static_cast<float>(pad.note));
  }
  if (kit.XMLStoreSampler(kKitName) != 1) {
    std::fprintf(stderr, "factory-bank: cannot write the kit \"%s\"\n", kKitName);
    return false;
  }
  arranger.SetKitName(kKitName);
  if (arranger.XMLStoreArranger("[default]", kKitName, "[default]") != 1) {
    std::fprintf(stderr, "factory-bank: cannot write the arrangement \"[default]\"\n");
    return false;
  }
  return true;
}
