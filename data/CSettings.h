#pragma once
// The instrument's global settings: MIDI input, key range, octave, bend ranges and velocity
// curve of parts A-D and of the external tracks ET1/ET2, the MIDI clock and transport, and
// the mixer. Each setting is a float addressed by (control, part), the low bits of its
// global-setting UID. Kept in ".settings" documents and saved some seconds after the last
// change while the settings came from the working directory.
#include <atomic>
#include <cfloat>
#include <cstdint>
#include <string>

#include "data/CXMLParserSettings.h"
#include "data/DelayedSave.h"
#include "platform/PiMutex.h"

enum SettingCategory : uint32_t {
  kSettingMaster = 1,
  kSettingClock = 2,
  kSettingMidi = 3,
};

struct SettingDef {
  uint32_t ctrl;
  uint32_t part;
  uint32_t category;
  const char* name;  // the Name written into the files, spelling included
  float value;       // default
  // What the value may hold, from what it means and what its page can set; a row without a
  // range takes any finite value.
  float lo = -FLT_MAX;
  float hi = FLT_MAX;
};

inline constexpr uint32_t kSettingsEnd = 0xFFFFFFFF;

// Parts 10 and 11 are the external tracks ET1 and ET2 (no bend rows); 15 the clock; 4 the
// drums and 5 the master in the mixer rows. Ranges: a port byte (high nibble port + 1, low
// nibble channel), MIDI keys, the octave and bend choices of the part pages, the curve's
// -100..100, switches 0/1, levels in per cent; the tuning in cents has none.
inline constexpr SettingDef SettingsTable[] = {
    {0xC8, 0, kSettingMidi, "In A", 16, 0, 255},
    {0xC9, 0, kSettingMidi, "Start A", 0, 0, 127},
    {0xCA, 0, kSettingMidi, "End A", 109, 0, 127},
    {0xCB, 0, kSettingMidi, "Osctave A", 3, 0, 6},
    {0xCC, 0, kSettingMidi, "BendUP A", 2, 0, 12},
    {0xCD, 0, kSettingMidi, "BendDW A", 2, 0, 12},
    {0xCE, 0, kSettingMidi, "VeloCurve A", 0, -100, 100},
    {0xC8, 1, kSettingMidi, "In B", 17, 0, 255},
    {0xC9, 1, kSettingMidi, "Start B", 0, 0, 127},
    {0xCA, 1, kSettingMidi, "End B", 109, 0, 127},
    {0xCB, 1, kSettingMidi, "Osctave B", 3, 0, 6},
    {0xCC, 1, kSettingMidi, "BendUP B", 2, 0, 12},
    {0xCD, 1, kSettingMidi, "BendDW B", 2, 0, 12},
    {0xCE, 1, kSettingMidi, "VeloCurve B", 0, -100, 100},
    {0xC8, 2, kSettingMidi, "In C", 18, 0, 255},
    {0xC9, 2, kSettingMidi, "Start C", 0, 0, 127},
    {0xCA, 2, kSettingMidi, "End C", 109, 0, 127},
    {0xCB, 2, kSettingMidi, "Osctave C", 3, 0, 6},
    {0xCC, 2, kSettingMidi, "BendUP C", 2, 0, 12},
    {0xCD, 2, kSettingMidi, "BendDW C", 2, 0, 12},
    {0xCE, 2, kSettingMidi, "VeloCurve C", 0, -100, 100},
    {0xC8, 3, kSettingMidi, "In D", 19, 0, 255},
    {0xC9, 3, kSettingMidi, "Start D", 0, 0, 127},
    {0xCA, 3, kSettingMidi, "End D", 109, 0, 127},
    {0xCB, 3, kSettingMidi, "Osctave D", 3, 0, 6},
    {0xCC, 3, kSettingMidi, "BendUP D", 2, 0, 12},
    {0xCD, 3, kSettingMidi, "BendDW D", 2, 0, 12},
    {0xCE, 3, kSettingMidi, "VeloCurve D", 0, -100, 100},
    {0xC8, 10, kSettingMidi, "In ET1", 26, 0, 255},
    {0xCF, 10, kSettingMidi, "Out ET1", 26, 0, 255},
    {0xC9, 10, kSettingMidi, "Start ET1", 0, 0, 127},
    {0xCA, 10, kSettingMidi, "End ET1", 109, 0, 127},
    {0xCB, 10, kSettingMidi, "Octave ET1", 0, 0, 6},
    {0xCE, 10, kSettingMidi, "VeloCurve ET1", 0, -100, 100},
    {0xC8, 11, kSettingMidi, "In ET2", 27, 0, 255},
    {0xCF, 11, kSettingMidi, "Out ET2", 27, 0, 255},
    {0xC9, 11, kSettingMidi, "Start ET2", 0, 0, 127},
    {0xCA, 11, kSettingMidi, "End ET2", 109, 0, 127},
    {0xCB, 11, kSettingMidi, "Octave ET2", 0, 0, 6},
    {0xCE, 11, kSettingMidi, "VeloCurve ET2", 0, -100, 100},
    {0xD0, 15, kSettingClock, "Clock Source", 0, 0, 1},
    {0xD1, 15, kSettingClock, "Clock send out", 0, 0, 1},
    {0xD2, 15, kSettingClock, "Transport In", 0, 0, 1},
    {0xD3, 15, kSettingClock, "Transport Out", 0, 0, 1},
    {0xB10, 0, kSettingMaster, "PartLevel A", 50, 0, 100},
    {0xB11, 0, kSettingMaster, "PartMute A", 0, 0, 1},
    {0xB12, 0, kSettingMaster, "Part ExPedal A", 0, 0, 1},
    {0xB10, 1, kSettingMaster, "PartLevel B", 50, 0, 100},
    {0xB11, 1, kSettingMaster, "PartMute B", 0, 0, 1},
    {0xB12, 1, kSettingMaster, "Part ExPedal B", 0, 0, 1},
    {0xB10, 2, kSettingMaster, "PartLevel C", 50, 0, 100},
    {0xB11, 2, kSettingMaster, "PartMute C", 0, 0, 1},
    {0xB12, 2, kSettingMaster, "Part ExPedal C", 0, 0, 1},
    {0xB10, 3, kSettingMaster, "PartLevel D", 50, 0, 100},
    {0xB11, 3, kSettingMaster, "PartMute D", 0, 0, 1},
    {0xB12, 3, kSettingMaster, "Part ExPedal D", 0, 0, 1},
    {0xB13, 4, kSettingMaster, "DrumsLevel", 60, 0, 100},
    {0xB14, 4, kSettingMaster, "DrumsMute", 0, 0, 1},
    {0xB15, 5, kSettingMaster, "TUNE Cents", 0},
    {0xB16, 5, kSettingMaster, "VOLUME", 0, 0, 100},
    {kSettingsEnd, 0, 0, "", 0},
};

struct SettingRow {
  int32_t ctrl = -1;  // -1: empty row
  int32_t part = 0;
  int32_t category = 0;
  char name[32] = {};
  // Read without a lock (the audio thread follows "Clock Source"), written under the
  // settings mutex or while loading.
  std::atomic<float> value{0.0f};
};

class CSettings : public CXMLParserSettings {
 public:
  static constexpr int kMaxRows = 256;

  CSettings();

  // Index of the first row with this control number (UID bits 0-11) and part (bits 12-15),
  // or -1.
  int Find(int32_t ctrl, int32_t part) const;
  // Value of row `index`; 0 for an index outside the rows (such as Find's -1).
  float GetValue(int index) const;
  // Sets row `index` (0-255) under the settings mutex, held to the row's range; other indexes
  // and non-finite values change nothing.
  void SetValue(int index, float value);

  // Loads "<name>.settings" from the working directory (fromWorking, which also arms the
  // auto-save) or from the arrangements' directory; every setting the file lacks keeps its
  // default. Returns the number of settings taken from the file (0 when it is missing).
  int XMLLoadSettings(const char* name, bool fromWorking);
  // Writes every setting: with no name to "[default].settings" in the working directory,
  // else "<name>.settings" beside the arrangements. 1 when the file was written, 0 when it
  // could not be (the previous file then stays as it was).
  int XMLStoreSettings(const char* name);

  // Starts the save countdown after a change (DelayedSave::kPeriods periods by default).
  void ArmSave(int32_t periods = DelayedSave::kPeriods) { save_.Arm(periods); }
  // Audio thread, once per period: counts the save down while auto-save is armed.
  void TickDirty();
  // GUI tick: writes "[default].settings" once when the save is due. A failed write counts
  // down again and retries, so the change is not lost.
  void SaveIfDirty();

  int RowCount() const { return rowCount_; }
  int ParsedCount() const { return parsedCount_; }
  const std::string& Path() const { return path_; }
  bool AutoSave() const { return autoSave_.load(std::memory_order_relaxed); }
  bool SavePending() const { return save_.Pending(); }
  int32_t SaveCountdown() const { return save_.Countdown(); }

 protected:
  void OnTag(int32_t ctrl, int32_t part, const char* name, float value) override;

 private:
  void ResetValues();
  float Held(int index, float value, const char* where) const;
  int Store(const std::string& path);

  SettingRow rows_[kMaxRows];
  int rowCount_ = 0;
  int parsedCount_ = 0;
  std::string path_;
  DelayedSave save_;
  std::atomic<bool> autoSave_{false};
  platform::PiMutex mutex_;
};
