#pragma once
// An arrangement ("song"): the preset of each of the four parts, a map from MIDI program
// numbers to preset names, the drum kit with its level and the name of the settings document.
// It owns the four part data sets and the kit, loads and stores part presets, and reads and
// writes "<name>.arr" documents in the arrangements folder. Used from the GUI thread, at
// start-up and from MIDI input threads; the application core serialises loads and stores.
// The program map alone is read from other threads (MIDI input, the program loader) while a
// load may rewrite it: those reads go through ProgramPreset/HasProgram, which copy under the
// map's own lock.
#include <cstdint>
#include <memory>
#include <string>

#include "data/CDataSetSampler.h"
#include "data/CXMLParserArranger.h"
#include "platform/PiMutex.h"

class CDataSets;

struct PartSlot {
  std::string name;    // preset name
  uint8_t active = 0;  // 1 once the named preset was loaded or stored
  uint8_t failed = 0;  // 1 when the last load or store of the part failed
};

struct ProgramMapEntry {
  uint8_t used = 0;
  int32_t program = 0;
  std::string preset;
};

class CArranger : public CXMLParserArranger {
 public:
  static constexpr int kParts = 4;
  static constexpr int kMapEntries = 64;
  static constexpr float kDefaultKitLevel = 80.0f;

  CArranger();
  ~CArranger() override;

  // Loads "<name>.preset" into the part's data set: 1 when it delivered parameters (the slot
  // then names it and is active), else 0 and the slot is marked failed. Part 0-3.
  int LoadPartPreset(int part, const char* name);
  // Stores the part's data set as "<name>.preset"; the store's result (0 for a part outside
  // 0-3). Success names the slot and makes it active; failure marks it failed.
  int StorePartPreset(int part, const char* name);

  // Reads "<name>.arr": the program map starts empty, and the slots, kit and settings name
  // take what the document sets. Returns the number of elements taken.
  int XMLLoadArranger(const char* name);
  // 1 when the arrangement was read.
  int Load(const char* name);
  // Writes "<name>.arr" with the given kit and settings names. 1 when the whole file was
  // stored; otherwise 0 and the previous file is kept.
  int XMLStoreArranger(const char* name, const char* kitName, const char* settingsName);
  // The arrangement with the current kit name; its settings document bears its own name.
  int Store(const char* name);
  // The kit under the kit name (or where it was last stored, when the arrangement has no kit
  // name), then the arrangement. 1 when both were stored.
  int StoreAll(const char* name);

  // Whether a map entry names a preset for the program; from any thread.
  bool HasProgram(int program) const;
  // The preset of the first map entry for the program, copied into `preset`; false (and
  // `preset` left) when none. From any thread.
  bool ProgramPreset(int program, std::string& preset) const;

  // Data set of part 0-3, null for any other number.
  CDataSets* DataSet(int part);
  CDataSetSampler& Sampler() { return sampler_; }
  // Slot of part 0-3, null for any other number.
  const PartSlot* Slot(int part) const;
  // The map itself, for the thread that loads and stores arrangements.
  const ProgramMapEntry* ProgramMap() const { return map_; }
  int MapCount() const { return mapCount_; }
  int ParsedCount() const { return parsedCount_; }
  const std::string& Path() const { return path_; }
  const std::string& Name() const { return name_; }
  const std::string& SettingsName() const { return settingsName_; }
  const std::string& KitName() const { return kitName_; }
  float KitLevel() const { return kitLevel_; }
  void SetKitName(const char* name) { kitName_ = name ? name : ""; }
  // Values that are not finite are ignored.
  void SetKitLevel(float level);

  void OnArrangement(const char* synthType, const char* version) override;
  void OnPreset(int active, const char* name, int part) override;
  void OnSampler(const char* name, float level) override;
  void OnSettings(const char* name) override;
  void OnProgram(const char* preset, int nr) override;

 private:
  void ClearMap();

  // Index of the first entry for the program, -1 for none. Hold mapMutex_.
  int FindProgramLocked(int program) const;

  PartSlot parts_[kParts];
  mutable platform::PiMutex mapMutex_;  // guards map_ and mapCount_ against other threads' reads
  ProgramMapEntry map_[kMapEntries];
  std::unique_ptr<CDataSets> dataSets_[kParts];
  CDataSetSampler sampler_;
  std::string path_;
  std::string name_;
  std::string settingsName_;
  std::string kitName_;
  float kitLevel_ = kDefaultKitLevel;
  int parsedCount_ = 0;
  int mapCount_ = 0;
};
