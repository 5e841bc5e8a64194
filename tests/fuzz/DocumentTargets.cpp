#include "tests/fuzz/DocumentTargets.h"

#include <stdlib.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "data/CArranger.h"
#include "data/CDataSetSampler.h"
#include "data/CDataSets.h"
#include "data/CDeviceConfig.h"
#include "data/CMidiCCSets.h"
#include "data/CSettings.h"
#include "data/CXMLParserFXParam.h"
#include "midi/CClipCore.h"
#include "midi/FakeRawMidiBackend.h"
#include "platform/Paths.h"

namespace fuzz_targets {
namespace {

constexpr const char* kWorking = "/var/lib/ruv/working/";

// One data tree for the whole run, in memory where the system has it: every input is a file
// written and read back, and the stores sync theirs.
const std::string& Root() {
  static const std::string root = [] {
    char shm[] = "/dev/shm/synthfuzzXXXXXX";
    char tmp[] = "/tmp/synthfuzzXXXXXX";
    const char* made = mkdtemp(shm);
    if (!made) made = mkdtemp(tmp);
    std::string r = made ? made : "/tmp";
    // The tree goes with the process (its name kept where no destructor reaches it).
    static const std::string* const made_tree = made ? new std::string(r) : nullptr;
    if (made_tree) std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(*made_tree, ignored);
    });
    for (const char* d : {"/var", "/var/lib", "/var/lib/ruv", "/var/lib/ruv/working", "/var/lib/ruv/working/presets",
                          "/var/lib/ruv/working/arrangments", "/var/lib/ruv/working/sampler",
                          "/var/lib/ruv/working/clips", "/var/lib/ruv/working/fx"})
      mkdir((r + d).c_str(), 0755);
    return r;
  }();
  platform::SetDataRoot(root);
  return root;
}

struct Place {
  const char* dir;
  const char* extension;
};

Place PlaceOf(Document d) {
  switch (d) {
    case Document::kPreset: return {"/var/lib/ruv/working/presets/", ".preset"};
    case Document::kSettings: return {"/var/lib/ruv/working/arrangments/", ".settings"};
    case Document::kDeviceConfig: return {kWorking, ".xml"};
    case Document::kControllerMap: return {kWorking, ".cc"};
    case Document::kKit: return {"/var/lib/ruv/working/sampler/", ".smpl"};
    case Document::kArrangement: return {"/var/lib/ruv/working/arrangments/", ".arr"};
    case Document::kClipSet: return {"/var/lib/ruv/working/clips/", ".launch"};
    case Document::kEffectPreset: return {"/var/lib/ruv/working/fx/", ".reverbfx"};
  }
  return {kWorking, ""};
}

std::string PathOf(Document d, const char* name) {
  const Place p = PlaceOf(d);
  return Root() + p.dir + name + p.extension;
}

bool WriteFile(const std::string& path, const uint8_t* data, std::size_t size) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = size == 0 || std::fwrite(data, 1, size, f) == size;
  return std::fclose(f) == 0 && ok;
}

audio_images::Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return audio_images::Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

using NullTracks = SilentTrackServices;

class EffectPreset : public CXMLParserFXParam {
 public:
  void OnFXPreset() override {}
  void OnParameter(int, const char* name, float value) override {
    if (!name || !std::isfinite(value)) broken = true;
  }
  bool broken = false;
};

// A document object with its load and store by name.
class Subject {
 public:
  virtual ~Subject() = default;
  virtual int Load(const char* name) = 0;
  virtual int Store(const char* name) = 0;
  // Whether the last load read its document to the end.
  virtual bool Whole() const { return true; }
};

template <class T, int (T::*LoadFn)(const char*), int (T::*StoreFn)(const char*)>
class Simple : public Subject {
 public:
  int Load(const char* name) override { return (doc.*LoadFn)(name); }
  int Store(const char* name) override { return (doc.*StoreFn)(name); }
  T doc;
};

class Preset : public Simple<CDataSets, &CDataSets::XMLLoadPreset, &CDataSets::XMLStorePreset> {
 public:
  bool Whole() const override { return !doc.PresetName().empty(); }
};

class Settings : public Subject {
 public:
  int Load(const char* name) override { return doc.XMLLoadSettings(name, false); }
  int Store(const char* name) override { return doc.XMLStoreSettings(name); }
  CSettings doc;
};

class Arrangement : public Subject {
 public:
  int Load(const char* name) override { return doc.XMLLoadArranger(name); }
  int Store(const char* name) override { return doc.XMLStoreArranger(name, "kit", "settings"); }
  CArranger doc;
};

class ClipSet : public Subject {
 public:
  ClipSet() : core(tracks, midi) {}
  int Load(const char* name) override { return core.XMLLoadClipLauncher(name); }
  int Store(const char* name) override { return core.XMLStoreClipLauncher(name); }
  NullTracks tracks;
  FakeRawMidiBackend midi;
  CClipCore core;
};

std::unique_ptr<Subject> Make(Document d) {
  switch (d) {
    case Document::kPreset:
      return std::make_unique<Preset>();
    case Document::kSettings: return std::make_unique<Settings>();
    case Document::kDeviceConfig:
      return std::make_unique<
          Simple<CDeviceConfig, &CDeviceConfig::XMLLoadDeviceConfig, &CDeviceConfig::XMLStoreDeviceConfig>>();
    case Document::kControllerMap:
      return std::make_unique<Simple<CMidiCCSets, &CMidiCCSets::XMLLoadMidiCCMap, &CMidiCCSets::XMLStoreMidiCCMap>>();
    case Document::kKit:
      return std::make_unique<Simple<CDataSetSampler, &CDataSetSampler::XMLLoadSampler, &CDataSetSampler::XMLStoreSampler>>();
    case Document::kArrangement: return std::make_unique<Arrangement>();
    case Document::kClipSet: return std::make_unique<ClipSet>();
    case Document::kEffectPreset: return nullptr;
  }
  return nullptr;
}

}  // namespace

const char* DocumentName(Document d) {
  switch (d) {
    case Document::kPreset: return "preset";
    case Document::kSettings: return "settings";
    case Document::kDeviceConfig: return "devconfig";
    case Document::kControllerMap: return "ccmap";
    case Document::kKit: return "kit";
    case Document::kArrangement: return "arrangement";
    case Document::kClipSet: return "clipset";
    case Document::kEffectPreset: return "fxpreset";
  }
  return "";
}

bool DocumentOne(Document d, const uint8_t* data, std::size_t size) {
  Root();
  if (!WriteFile(PathOf(d, "in"), data, size)) return false;
  if (d == Document::kEffectPreset) {
    EffectPreset reader;
    reader.ParseFile(PathOf(d, "in").c_str());
    return !reader.broken;
  }
  // What a load took is written; that document loads and writes to the same bytes: the
  // first store settles what the input left open, the second may change nothing.
  std::unique_ptr<Subject> first = Make(d);
  if (first->Load("in") <= 0) return true;
  // One name for both stores: some documents hold their own name.
  if (first->Store("out") != 1) return false;
  // A preset that stops part-way keeps what it read but skips what a complete load adds (the
  // shaper's pre-gain), which its stored copy, read whole, then gets: settle that once more.
  if (!first->Whole()) {
    std::unique_ptr<Subject> settled = Make(d);
    settled->Load("out");
    if (settled->Store("out") != 1) return false;
  }
  const audio_images::Bytes stored = ReadFile(PathOf(d, "out"));
  std::unique_ptr<Subject> second = Make(d);
  second->Load("out");
  if (second->Store("out") != 1) return false;
  return ReadFile(PathOf(d, "out")) == stored;
}

std::vector<audio_images::Bytes> DocumentSeeds(Document d) {
  Root();
  std::vector<audio_images::Bytes> seeds;
  if (d == Document::kEffectPreset) {
    for (const char* text : {
             "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<FXPreset Name=\"Hall\">\n"
             "\t<Parameter Nr=\"0\" Name=\"Size\" Value=\"0.5\"/>\n\t<Parameter Nr=\"1\" Name=\"Damp\" Value=\"0.25\"/>\n"
             "</FXPreset>",
             "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<FXPreset Name=\"Room &amp; Plate\">"
             "<Parameter Nr=\"7\" Name=\"Pre&#9;Delay\" Value=\"-1e3\"></Parameter></FXPreset>"}) {
      const std::string s = text;
      seeds.emplace_back(s.begin(), s.end());
    }
    return seeds;
  }
  std::unique_ptr<Subject> subject = Make(d);
  if (subject->Store("seed") == 1) seeds.push_back(ReadFile(PathOf(d, "seed")));
  return seeds;
}

}  // namespace fuzz_targets
