#include "data/CSettings.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "data/DocumentPath.h"
#include "data/XmlWriter.h"
#include "platform/LogSink.h"
#include "platform/Paths.h"

namespace {

constexpr char kWorkingDir[] = "/var/lib/ruv/working/";
constexpr char kArrangementDir[] = "/var/lib/ruv/working/arrangments/";
constexpr char kDefaultName[] = "[default]";
constexpr char kExtension[] = ".settings";

static_assert(std::size(SettingsTable) - 1 <= CSettings::kMaxRows);

// The categories in the order the file holds them, each after its comment.
struct CategoryBlock {
  uint32_t category;
  const char* comment;
  const char* element;
};
constexpr CategoryBlock kCategoryBlocks[] = {
    {kSettingMidi, "Category MIDI", "MIDI"},
    {kSettingClock, "Category (MIDI) Clock Settings", "MIDI_CLOCK"},
    {kSettingMaster, "Category MASTER", "MASTER"},
};

std::string Format(const char* format, auto value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

}  // namespace

CSettings::CSettings() {
  for (const SettingDef& def : SettingsTable) {
    if (def.ctrl == kSettingsEnd) break;
    SettingRow& row = rows_[rowCount_++];
    row.ctrl = static_cast<int32_t>(def.ctrl);
    row.part = static_cast<int32_t>(def.part);
    row.category = static_cast<int32_t>(def.category);
    std::snprintf(row.name, sizeof row.name, "%s", def.name);
  }
  ResetValues();
}

// The rows always hold the table in its order, so going back to the table is going back to
// its defaults; the identity of a row never changes after construction.
void CSettings::ResetValues() {
  for (int i = 0; i < kMaxRows; ++i)
    rows_[i].value.store(i < rowCount_ ? SettingsTable[i].value : 0.0f, std::memory_order_relaxed);
}

int CSettings::Find(int32_t ctrl, int32_t part) const {
  for (int i = 0; i < rowCount_; ++i)
    if (rows_[i].ctrl == ctrl && rows_[i].part == part) return i;
  return -1;
}

float CSettings::GetValue(int index) const {
  if (index < 0 || index >= kMaxRows) return 0.0f;
  return rows_[index].value.load(std::memory_order_relaxed);
}

// The audio thread and the engine take these values as they are (a clock source of 1e10, a
// level of 500): a value beyond its row's range is held to the range, with a line.
float CSettings::Held(int index, float value, const char* where) const {
  if (index >= rowCount_) return value;
  const SettingDef& def = SettingsTable[index];
  const float held = std::clamp(value, def.lo, def.hi);
  if (held != value)
    platform::LogPrintf("%s: <%s> %g outside %g..%g, set to %g\n", where, rows_[index].name, static_cast<double>(value),
                        static_cast<double>(def.lo), static_cast<double>(def.hi), static_cast<double>(held));
  return held;
}

void CSettings::SetValue(int index, float value) {
  // A NaN or infinity would reach the engine and the file, and could not be read back.
  if (index < 0 || index >= kMaxRows || !std::isfinite(value)) return;
  value = Held(index, value, "Settings");
  std::lock_guard lock(mutex_);
  rows_[index].value.store(value, std::memory_order_relaxed);
}

void CSettings::OnTag(int32_t ctrl, int32_t part, const char* /*name*/, float value) {
  const int index = Find(ctrl, part);
  if (index < 0 || !std::isfinite(value)) return;
  rows_[index].value.store(Held(index, value, "XMLLoadSettings"), std::memory_order_relaxed);
  ++parsedCount_;
}

int CSettings::XMLLoadSettings(const char* name, bool fromWorking) {
  std::string path;
  if (!document_path::Make(fromWorking ? kWorkingDir : kArrangementDir, name, kExtension, path)) return 0;
  path_ = path;
  autoSave_.store(fromWorking, std::memory_order_relaxed);
  ResetValues();
  save_.Clear();
  parsedCount_ = 0;

  const std::string file = platform::DataPath(path_);
  struct stat st {};
  if (::stat(file.c_str(), &st) != 0) {
    platform::LogPrintf("XMLLoadSettings: ERROR: <%s> not exists! created\r\n", file.c_str());
    // The defaults go into the document that was asked for: for "[default]" the working
    // defaults, and never over another document of the working directory.
    if (fromWorking) Store(path_);
    return 0;
  }
  const int result = ParseFile(file.c_str());
  if (result != 0)
    platform::LogPrintf("XMLLoadSettings: ERROR: %d\r\n", result);
  else
    platform::LogPrintf("XMLLoadSettings: OK params:%d (parsed:%d)\r\n", rowCount_, parsedCount_);
  return parsedCount_;
}

int CSettings::XMLStoreSettings(const char* name) {
  std::string path;
  if (!name) {
    path = std::string(kWorkingDir) + kDefaultName + kExtension;
  } else if (!document_path::Make(kArrangementDir, name, kExtension, path)) {
    return 0;
  }
  path_ = path;
  return Store(path_);
}

int CSettings::Store(const std::string& path) {
  XmlWriter writer(platform::DataPath(path));
  if (!writer.IsOpen()) return 0;
  {
  std::lock_guard lock(mutex_);
  writer.AddAttribute("Version", "1");
  writer.AddAttribute("SynthType", "PX415");
  writer.BeginElement("Settings");
  for (const CategoryBlock& block : kCategoryBlocks) {
    writer.WriteComment(block.comment);
    writer.BeginElement(block.element);
    for (int i = 0; i < rowCount_; ++i) {
      const SettingRow& row = rows_[i];
      if (row.category != static_cast<int32_t>(block.category)) continue;
      // Queued last to first: the file reads Ctrl, Part, Name, Value.
      writer.AddAttribute("Value", Format("%.3f", static_cast<double>(row.value.load(std::memory_order_relaxed))));
      writer.AddAttribute("Name", row.name);
      writer.AddAttribute("Part", Format("%d", row.part));
      writer.AddAttribute("Ctrl", Format("%d", row.ctrl));
      writer.BeginElement("TAG");
      writer.EndElement();
    }
    writer.EndElement();
  }
  writer.EndAll();
  }
  // The sync to the card happens after the values are out, without holding up SetValue.
  if (!writer.Close()) {
    platform::LogPrintf("XMLStoreSettings: ERROR: <%s> not written\r\n", path.c_str());
    return 0;
  }
  return 1;
}

void CSettings::TickDirty() {
  if (autoSave_.load(std::memory_order_relaxed)) save_.Tick();
}

void CSettings::SaveIfDirty() {
  if (!save_.TakePending()) return;
  if (!XMLStoreSettings(nullptr)) save_.Arm();
}
