#include "data/CDeviceConfig.h"

#include "data/DocumentPath.h"
#include "data/XmlWriter.h"
#include "platform/LogSink.h"
#include "platform/Paths.h"

namespace {
constexpr char kWorkingDir[] = "/var/lib/ruv/working/";
constexpr char kExtension[] = ".xml";
constexpr char kSaveName[] = "DeviceConfig";
}  // namespace

CDeviceConfig::CDeviceConfig() = default;

MidiPortConfig* CDeviceConfig::Port(int index) { return index >= 0 && index < kPorts ? &ports_[index] : nullptr; }

const MidiPortConfig* CDeviceConfig::Port(int index) const {
  return index >= 0 && index < kPorts ? &ports_[index] : nullptr;
}

void CDeviceConfig::ResetPorts() {
  for (MidiPortConfig& port : ports_) port = MidiPortConfig{};
}

void CDeviceConfig::OnPort(int32_t type, int32_t nr, uint8_t enabled, int32_t filter, const char* device) {
  // Nr is the port's position 1-5; anything else has no record (0 or less would index
  // before the first).
  if (nr < 1 || nr > kPorts) return;
  ports_[nr - 1] = MidiPortConfig{nr, enabled, filter, device, type};
  ++parsedCount_;
}

int CDeviceConfig::XMLLoadDeviceConfig(const char* name) {
  std::string path;
  if (!document_path::Make(kWorkingDir, name, kExtension, path)) return 0;
  path_ = path;
  parsedCount_ = 0;
  ResetPorts();
  const int result = ParseFile(platform::DataPath(path_).c_str());
  if (result != 0)
    platform::LogPrintf("XMLLoad DeviceConfig: ERROR: %d\r\n", result);
  else
    platform::LogPrintf("XMLLoad DeviceConfig: OK params:%d (parsed:%d)\r\n", kPorts, parsedCount_);
  return parsedCount_;
}

int CDeviceConfig::XMLStoreDeviceConfig(const char* name) {
  if (name) {
    std::string path;
    if (!document_path::Make(kWorkingDir, name, kExtension, path)) return 0;
    path_ = path;
  }
  if (path_.empty()) return 0;
  XmlWriter writer(platform::DataPath(path_));
  if (!writer.IsOpen()) return 0;
  writer.AddAttribute("Version", "1");
  writer.AddAttribute("SynthType", "PX415");
  writer.BeginElement("DEVICE_CONFIG");
  writer.BeginElement("MIDI_DEVICES");
  for (int i = 0; i < kPorts; ++i) {
    const MidiPortConfig& port = ports_[i];
    // Queued last to first: the file reads Nr, Enabled, Filter, Type, Device. Nr is the
    // position, so a port never configured is written (and read back) as configured.
    writer.AddAttribute("Device", port.Device);
    writer.AddAttribute("Type", std::to_string(port.Type));
    writer.AddAttribute("Filter", std::to_string(port.Filter));
    writer.AddAttribute("Enabled", std::to_string(port.Enabled));
    writer.AddAttribute("Nr", std::to_string(i + 1));
    writer.BeginElement("PORT");
    writer.EndElement();
  }
  writer.EndAll();
  if (!writer.Close()) {
    platform::LogPrintf("XMLStore DeviceConfig: ERROR: <%s> not written\r\n", path_.c_str());
    return 0;
  }
  return 1;
}

void CDeviceConfig::SaveIfDirty() {
  if (!save_.TakePending()) return;
  if (!XMLStoreDeviceConfig(kSaveName)) save_.Arm();
}
