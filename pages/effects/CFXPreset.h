#pragma once
// One reverb preset read from its file: the parameter numbers and values in document order.
#include <string>

#include "data/CXMLParserFXParam.h"

class CFXPreset : public CXMLParserFXParam {
 public:
  static constexpr int kMaxEntries = 16;

  struct Entry {
    int nr = 0;
    float value = 0.0f;
    std::string name;
  };

  void OnFXPreset() override {}
  // Entries past the sixteenth are dropped: a preset never holds more.
  void OnParameter(int nr, const char* name, float value) override;

  // Empties the preset, then reads the file; one of XmlReaderBase::Result. Whatever the
  // file held before a fault stays.
  int Load(const std::string& path);

  int Count() const { return count_; }
  const Entry& At(int i) const { return entries_[i]; }

 private:
  Entry entries_[kMaxEntries];
  int count_ = 0;
};
