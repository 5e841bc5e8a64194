#pragma once
// Reader of arrangement documents: the root, the four part presets, the program map entries,
// the drum kit and the settings name, each handed to the arrangement at the element's end.
#include <cstdint>

#include "data/XmlReaderBase.h"

class CXMLParserArranger : public XmlReaderBase {
 public:
  CXMLParserArranger();

  // The texts passed are valid during the call.
  virtual void OnArrangement(const char* /*synthType*/, const char* /*version*/) {}
  // active is 1 only for "Active"="TRUE".
  virtual void OnPreset(int /*active*/, const char* /*name*/, int /*part*/) {}
  // level is NaN when the element carries no finite level.
  virtual void OnSampler(const char* /*name*/, float /*level*/) {}
  virtual void OnSettings(const char* /*name*/) {}
  virtual void OnProgram(const char* /*preset*/, int /*nr*/) {}

 protected:
  void OnElementStart(uint32_t tag) override;
  void OnElementEnd(uint32_t tag) override;

 private:
  float Level() const;
};
