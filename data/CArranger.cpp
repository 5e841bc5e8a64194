#include "data/CArranger.h"

#include <cmath>
#include <cstdio>
#include <mutex>
#include <utility>

#include "data/CDataSets.h"
#include "data/DocumentPath.h"
#include "data/XmlWriter.h"
#include "platform/LogSink.h"

namespace {

constexpr char kFolder[] = "/var/lib/ruv/working/arrangments/";
constexpr char kExtension[] = ".arr";
constexpr char kDefaultSettings[] = "[default]";

bool ValidPart(int part) { return part >= 0 && part < CArranger::kParts; }

std::string Text(const char* s) { return s ? s : ""; }

}  // namespace

CArranger::CArranger() : settingsName_(kDefaultSettings) {
  for (auto& ds : dataSets_) ds = std::make_unique<CDataSets>();
}

CArranger::~CArranger() = default;

CDataSets* CArranger::DataSet(int part) { return ValidPart(part) ? dataSets_[part].get() : nullptr; }

const PartSlot* CArranger::Slot(int part) const { return ValidPart(part) ? &parts_[part] : nullptr; }

void CArranger::SetKitLevel(float level) {
  if (std::isfinite(level)) kitLevel_ = level;
}

int CArranger::LoadPartPreset(int part, const char* name) {
  if (!ValidPart(part)) return 0;
  PartSlot& slot = parts_[part];
  if (dataSets_[part]->XMLLoadPreset(name) == 0) {
    slot.failed = 1;
    return 0;
  }
  slot.name = Text(name);
  slot.active = 1;
  slot.failed = 0;
  return 1;
}

int CArranger::StorePartPreset(int part, const char* name) {
  if (!ValidPart(part)) return 0;
  PartSlot& slot = parts_[part];
  const int result = dataSets_[part]->XMLStorePreset(name);
  if (result) {
    slot.name = Text(name);
    slot.active = 1;
    slot.failed = 0;
  } else {
    slot.failed = 1;
  }
  return result;
}

void CArranger::ClearMap() {
  ProgramMapEntry old[kMapEntries];
  {
    std::lock_guard<platform::PiMutex> lock(mapMutex_);
    for (int i = 0; i < kMapEntries; ++i) std::swap(old[i], map_[i]);
    mapCount_ = 0;
  }
  // The names are freed here, after the lock.
}

int CArranger::XMLLoadArranger(const char* name) {
  parsedCount_ = 0;
  ClearMap();
  std::string path;
  if (!document_path::MakeRooted(kFolder, name, kExtension, path)) {
    platform::LogPrintf("XMLLoadArranger: <%s> refused name\r\n", name ? name : "");
    platform::LogPrintf("XMLLoadArranger: ERROR: %d\r\n", static_cast<int>(kUnreadable));
    return 0;
  }
  path_ = path;
  name_ = name;
  const int result = ParseFile(path_.c_str());
  if (result != kOk)
    platform::LogPrintf("XMLLoadArranger: ERROR: %d\r\n", result);
  else
    platform::LogPrintf("XMLLoadArranger: OK parsed:%d\r\n", parsedCount_);
  return parsedCount_;
}

int CArranger::Load(const char* name) { return XMLLoadArranger(name) > 0 ? 1 : 0; }

int CArranger::XMLStoreArranger(const char* name, const char* kitName, const char* settingsName) {
  std::string path;
  if (!document_path::MakeRooted(kFolder, name, kExtension, path)) {
    platform::LogPrintf("XMLStoreArranger: <%s> refused name\r\n", name ? name : "");
    return 0;
  }
  path_ = path;
  XmlWriter w(path_);
  if (!w.IsOpen()) return 0;
  // The writer puts queued attributes out last-first.
  w.AddAttribute("Version", "1");
  w.AddAttribute("SynthType", "PX415");
  w.AddAttribute("NAME", name);
  w.BeginElement("ARRANGMENT");
  w.WriteComment("PARTS");
  for (int part = 0; part < kParts; ++part) {
    w.AddAttribute("Part", std::to_string(part));
    w.AddAttribute("Name", parts_[part].name);
    w.AddAttribute("Active", parts_[part].active ? "TRUE" : "FALSE");
    w.BeginElement("PRESET");
    w.EndElement();
  }
  w.BeginElement("PGM-MAP");
  w.WriteComment("MAP of PGM->Preset");
  for (const ProgramMapEntry& e : map_) {
    if (!e.used) continue;
    w.AddAttribute("Preset", e.preset);
    w.AddAttribute("Nr", std::to_string(e.program));
    w.BeginElement("PROGRAM");
    w.EndElement();
  }
  w.EndElement();
  char level[64];
  std::snprintf(level, sizeof level, "%1.f", static_cast<double>(kitLevel_));
  w.AddAttribute("Level", level);
  w.AddAttribute("Name", Text(kitName));
  w.BeginElement("SAMPLER");
  w.EndElement();
  w.AddAttribute("Name", Text(settingsName));
  w.BeginElement("SETTINGS");
  w.EndElement();
  w.EndAll();
  if (!w.Close()) {
    platform::LogPrintf("XMLStoreArranger: Error write file <%s>\r\n", path_.c_str());
    return 0;
  }
  return 1;
}

int CArranger::Store(const char* name) { return XMLStoreArranger(name, kitName_.c_str(), name); }

int CArranger::StoreAll(const char* name) {
  // With no kit name the kit goes back where it came from; a kit never loaded nor stored has
  // nowhere to go and is not an error.
  const bool noKit = kitName_.empty() && sampler_.Path().empty();
  const bool kitStored = noKit || sampler_.XMLStoreSampler(kitName_.c_str()) != 0;
  const int stored = Store(name);
  return kitStored && stored ? 1 : 0;
}

int CArranger::FindProgramLocked(int program) const {
  for (int i = 0; i < mapCount_; ++i)
    if (map_[i].program == program) return i;
  return -1;
}

bool CArranger::HasProgram(int program) const {
  std::lock_guard<platform::PiMutex> lock(mapMutex_);
  return FindProgramLocked(program) >= 0;
}

bool CArranger::ProgramPreset(int program, std::string& preset) const {
  std::lock_guard<platform::PiMutex> lock(mapMutex_);
  const int i = FindProgramLocked(program);
  if (i < 0) return false;
  preset = map_[i].preset;
  return true;
}

void CArranger::OnArrangement(const char* /*synthType*/, const char* /*version*/) {}

void CArranger::OnPreset(int active, const char* name, int part) {
  ++parsedCount_;
  if (!ValidPart(part)) return;
  parts_[part].name = Text(name);
  parts_[part].active = active ? 1 : 0;
  parts_[part].failed = 0;
}

void CArranger::OnSampler(const char* name, float level) {
  kitName_ = Text(name);
  SetKitLevel(level);
  ++parsedCount_;
}

void CArranger::OnSettings(const char* name) {
  settingsName_ = name && name[0] != 0 ? name : kDefaultSettings;
  ++parsedCount_;
}

void CArranger::OnProgram(const char* preset, int nr) {
  if (mapCount_ >= kMapEntries) {
    platform::LogPrintf("XMLLoadArranger: program map full, Nr %d <%s> skipped\r\n", nr, preset ? preset : "");
    return;
  }
  ProgramMapEntry entry{1, nr, Text(preset)};
  {
    std::lock_guard<platform::PiMutex> lock(mapMutex_);
    std::swap(map_[mapCount_], entry);
    ++mapCount_;
  }
  ++parsedCount_;
}
