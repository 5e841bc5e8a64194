#pragma once
// MIDI learn: the parameter each of the 128 control-change numbers drives, kept in
// "MidiCCMap.cc" in the working directory.
#include <cstdint>
#include <string>

#include "data/CXMLParserMidiCCSets.h"

struct CCMapEntry {
  int32_t paramId = 0;  // the parameter identifier the application core gives
  uint8_t assigned = 0;  // 1: learned
};

class CMidiCCSets : public CXMLParserMidiCCSets {
 public:
  static constexpr int kControllers = 128;

  CMidiCCSets();

  // The lowest learned controller driving `paramId`, or -1.
  int FindCC(int paramId) const;
  // Learns cc 0-127 for paramId, or clears it for paramId -1; other controllers change
  // nothing. A parameter may be learned on several controllers.
  void SetCC(int cc, int paramId);
  // Entry of controller 0-127; null for any other number.
  const CCMapEntry* Entry(int cc) const;

  // Loads "<name>.cc" from the working directory into an empty map. Returns the number of
  // entries taken (0 when the file is missing).
  int XMLLoadMidiCCMap(const char* name);
  // Writes all 128 entries to "<name>.cc" in the working directory, or with a null name to
  // the path of the last load or store (0 without writing when there is none). 1 when the
  // file was written, 0 when it could not be.
  int XMLStoreMidiCCMap(const char* name);

  int ParsedCount() const { return parsedCount_; }
  const std::string& Path() const { return path_; }

 protected:
  void OnMap(int32_t cc, int32_t paramId, uint8_t learned) override;

 private:
  CCMapEntry entries_[kControllers];
  std::string path_;
  int parsedCount_ = 0;
};
