#include "data/CMidiCCSets.h"

#include "data/DocumentPath.h"
#include "data/XmlWriter.h"
#include "platform/LogSink.h"
#include "platform/Paths.h"

namespace {
constexpr char kWorkingDir[] = "/var/lib/ruv/working/";
constexpr char kExtension[] = ".cc";

bool IsController(int cc) { return cc >= 0 && cc < CMidiCCSets::kControllers; }
}  // namespace

CMidiCCSets::CMidiCCSets() = default;

int CMidiCCSets::FindCC(int paramId) const {
  for (int cc = 0; cc < kControllers; ++cc)
    if (entries_[cc].assigned && entries_[cc].paramId == paramId) return cc;
  return -1;
}

void CMidiCCSets::SetCC(int cc, int paramId) {
  if (!IsController(cc)) return;
  entries_[cc] = paramId == -1 ? CCMapEntry{} : CCMapEntry{paramId, 1};
}

const CCMapEntry* CMidiCCSets::Entry(int cc) const { return IsController(cc) ? &entries_[cc] : nullptr; }

void CMidiCCSets::OnMap(int32_t cc, int32_t paramId, uint8_t learned) {
  if (!IsController(cc)) return;
  entries_[cc] = CCMapEntry{paramId, learned};
  ++parsedCount_;
}

int CMidiCCSets::XMLLoadMidiCCMap(const char* name) {
  std::string path;
  if (!document_path::Make(kWorkingDir, name, kExtension, path)) return 0;
  path_ = path;
  for (CCMapEntry& entry : entries_) entry = CCMapEntry{};
  parsedCount_ = 0;
  const int result = ParseFile(platform::DataPath(path_).c_str());
  if (result != 0)
    platform::LogPrintf("XMLLoad MidiCCMap: ERROR: %d\r\n", result);
  else
    platform::LogPrintf("XMLLoad MidiCCMap: OK parsed:%d\r\n", parsedCount_);
  return parsedCount_;
}

int CMidiCCSets::XMLStoreMidiCCMap(const char* name) {
  if (name) {
    std::string path;
    if (!document_path::Make(kWorkingDir, name, kExtension, path)) return 0;
    path_ = path;
  }
  if (path_.empty()) return 0;
  XmlWriter writer(platform::DataPath(path_));
  if (!writer.IsOpen()) return 0;
  writer.WriteComment("Category MIDI Controls");
  writer.AddAttribute("Version", "1");
  writer.AddAttribute("SynthType", "QR62");
  writer.BeginElement("CCMAP");
  for (int cc = 0; cc < kControllers; ++cc) {
    // Queued last to first: the file reads CC, PARAM_ID, LEARNED.
    writer.AddAttribute("LEARNED", entries_[cc].assigned ? "TRUE" : "FALSE");
    writer.AddAttribute("PARAM_ID", std::to_string(entries_[cc].paramId));
    writer.AddAttribute("CC", std::to_string(cc));
    writer.BeginElement("MAP");
    writer.EndElement();
  }
  writer.EndAll();
  if (!writer.Close()) {
    platform::LogPrintf("XMLStore MidiCCMap: ERROR: <%s> not written\r\n", path_.c_str());
    return 0;
  }
  return 1;
}
