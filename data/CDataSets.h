#pragma once
// One synth part's sound as data: the current value of every parameter-table row, the three
// LFO step tables, the modulation routes and the embedded wavetables and sample. It is the
// document behind a ".preset" file, filled by the reader's callbacks and written back by
// XMLStorePreset. The application core stores parameter changes here and programs the engine
// from it after a load; the engine never reads it.
#include <cstdint>
#include <string>
#include <vector>

#include "data/CXMLParserDS.h"
#include "data/ParamTable.h"

class XmlWriter;
class XmlWriterFileOps;

// A data set's copy of a table row with its current value.
struct ParamEntry {
  uint32_t ctrl;
  uint32_t instance;
  uint32_t group;
  uint32_t canId;
  uint32_t valueType;
  uint8_t flag;     // the row's flag; 1 once a file assigned the entry
  const char* name;
  float value;
  uint8_t loaded;   // 1 when the last load assigned the value
  uint8_t source;   // source argument of the last setParam
  uint8_t mark;     // mark argument of the last setParam
};

// One LFO's step table: the step count, then the steps.
struct LfoStepData {
  static constexpr int kSteps = 32;
  uint8_t count;
  uint8_t steps[kSteps];
};
static_assert(sizeof(LfoStepData) == 33, "read as a length byte followed by the steps");

// Wavetable (records 1 and 2: the 16-bit samples of wavetable oscillators 1 and 2) or sample
// (record 3: a whole RIFF/WAVE file or multi-sample container) carried inside a preset.
struct EmbeddedData {
  std::string encoding;
  std::string name;
  uint32_t key = 0;
  std::vector<uint8_t> data;
};

struct ModRoute {
  uint16_t slot;
  uint8_t source;
  uint8_t destination;
  uint32_t polarity;
  float amount;
  float curve;
};

class CDataSets : public CXMLParserDS {
 public:
  static constexpr int kLfos = 3;
  static constexpr int kEmbedded = 3;
  static constexpr int kRouteSlots = 24;  // the engine's modulation matrix

  CDataSets();

  // Value of (ctrl, instance), 0 when the data set has no such entry.
  float getParam(int ctrl, int instance) const;
  // Stores value, source and mark and marks the set dirty; 1, or 0 (logged) for an unknown pair.
  int setParam(int ctrl, int instance, int source, float value, int mark);
  // The value comes fourth. A call with the value last (..., 0, 255, value) would store 255 as
  // the value: it does not compile.
  int setParam(int ctrl, int instance, int source, int mark, float value) = delete;

  // Writes "<name>.preset" in the presets folder: 1 when the whole file was stored, else 0 (the
  // set stays dirty and the previous file is kept).
  int XMLStorePreset(const char* name);
  // Restores the defaults, then reads "<name>.preset" ("default" for an empty name); returns the
  // number of parameter elements that found their entry. The values read before a syntax error
  // stay.
  int XMLLoadPreset(const char* name);

  const ParamEntry* Entries() const { return entries_; }
  int EntryCount() const { return count_; }
  int LoadedCount() const { return loadedCount_; }
  // Step table of LFO 0-2, nullptr for any other number.
  LfoStepData* StepData(int lfo) { return lfo >= 0 && lfo < kLfos ? &steps_[lfo] : nullptr; }
  // Record 1-3; nullptr for any other number.
  EmbeddedData* Embedded(int record) { return record >= 1 && record <= kEmbedded ? &embedded_[record - 1] : nullptr; }
  std::vector<ModRoute>& Routes() { return routes_; }
  const std::string& Path() const { return path_; }
  const std::string& PresetName() const { return presetName_; }
  bool IsDirty() const { return dirty_ != 0; }

  // Replaces the file operations the preset writer uses (tests and benchmarks).
  void SetWriterFileOps(XmlWriterFileOps& ops) { writerOps_ = &ops; }

  void OnParameter(int variant, const char* name, int index, int nr, int one, float value) override;
  void OnEffectParam(int variant, const char* name, int index, int nr, int one, float value) override;
  void OnByteArray(int nr, const char* name, int index, int elements, const char* array) override;
  void OnItem(int variant, int nr, int src, float amount, float curve, int dst) override;
  void OnItemPolarity(int variant, int nr, int src, float amount, float curve, int dst, int polarity) override;
  void OnWavetable(int nr, const char* name, const char* encoding, std::vector<uint8_t>&& data) override;
  void OnWave(const char* name, const char* encoding, std::vector<uint8_t>&& data) override;

 private:
  ParamEntry* Find(uint32_t ctrl, uint32_t instance);
  ParamEntry* FindByName(const char* name, uint32_t instance);
  void Restore();
  void Route(int nr, int src, float amount, float curve, int dst, uint32_t polarity);

  void WriteDocument(XmlWriter& w);
  void WriteParameter(XmlWriter& w, const ParamEntry& entry, int index);
  void WriteBlock(XmlWriter& w, uint32_t first, uint32_t last, uint32_t instance);
  void WriteList(XmlWriter& w, const uint32_t* ctrls, int n, uint32_t instance, uint32_t indexBase);
  void WriteEmbedded(XmlWriter& w, const char* element, const EmbeddedData& record, bool empty);
  void WriteSteps(XmlWriter& w, const LfoStepData& steps);
  void WriteRoute(XmlWriter& w, const ModRoute& route);
  void WriteEffects(XmlWriter& w);

  ParamEntry entries_[kParamRows + 1];
  int count_ = 0;
  int loadedCount_ = 0;
  LfoStepData steps_[kLfos];
  EmbeddedData embedded_[kEmbedded];
  std::vector<ModRoute> routes_;
  std::string path_;
  std::string presetName_;
  uint8_t dirty_ = 0;
  XmlWriterFileOps* writerOps_ = nullptr;
};
