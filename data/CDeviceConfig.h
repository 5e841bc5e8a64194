#pragma once
// The instrument's five MIDI port assignments (device, enabled, type, filter), kept in
// "DeviceConfig.xml" in the working directory and saved some seconds after the MIDI device
// page's last change.
#include <cstdint>
#include <string>

#include "data/CXMLParserDevConfig.h"
#include "data/DelayedSave.h"

struct MidiPortConfig {
  int32_t Nr = -1;  // 1-5 once configured; -1 not configured
  uint8_t Enabled = 0;
  // 0 none, 1 notes, 2 controllers, 3 controllers and notes. Kept as the file gives it:
  // the MIDI pages must treat other values as "none".
  int32_t Filter = 0;
  std::string Device = "-";  // "-": no device
  int32_t Type = 0;          // meaning owned by the application core and the MIDI pages
};

class CDeviceConfig : public CXMLParserDevConfig {
 public:
  static constexpr int kPorts = 5;

  CDeviceConfig();

  // Ports 0-4 (Nr 1-5); null for any other index.
  MidiPortConfig* Port(int index);
  const MidiPortConfig* Port(int index) const;

  // Loads "<name>.xml" from the working directory; every port starts unconfigured and takes
  // what the file gives. Returns the number of ports taken (0 when the file is missing).
  int XMLLoadDeviceConfig(const char* name);
  // Writes the five ports to "<name>.xml" in the working directory, or with a null name to
  // the path of the last load or store (0 without writing when there is none). 1 when the
  // file was written, 0 when it could not be (the previous file then stays as it was).
  int XMLStoreDeviceConfig(const char* name);

  // Starts the save countdown after a change to a port.
  void ArmSave(int32_t periods = DelayedSave::kPeriods) { save_.Arm(periods); }
  // Audio thread, once per period.
  void TickDirty() { save_.Tick(); }
  // GUI tick: writes "DeviceConfig.xml" once when the save is due; a failed write counts
  // down again and retries.
  void SaveIfDirty();

  int ParsedCount() const { return parsedCount_; }
  const std::string& Path() const { return path_; }
  bool SavePending() const { return save_.Pending(); }
  int32_t SaveCountdown() const { return save_.Countdown(); }

 protected:
  void OnPort(int32_t type, int32_t nr, uint8_t enabled, int32_t filter, const char* device) override;

 private:
  void ResetPorts();

  MidiPortConfig ports_[kPorts];
  std::string path_;
  int parsedCount_ = 0;
  DelayedSave save_;
};
