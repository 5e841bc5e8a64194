#pragma once
// Reader of settings documents: hands each setting ("TAG" with Ctrl, Part, Name, Value) and
// the ends of the root and category elements to the document class.
#include <cstdint>

#include "data/XmlReaderBase.h"

class CXMLParserSettings : public XmlReaderBase {
 public:
  CXMLParserSettings();

 protected:
  // End of a "SETTINGS" element with its SynthType and Version.
  virtual void OnSettings(const char* /*synthType*/, const char* /*version*/) {}
  // End of a "MIDI", "MIDI_CLOCK", "MASTER" or "CONFIG" element, with that name.
  virtual void OnCategory(const char* /*name*/) {}
  // End of a "TAG" element; ctrl and part as strtol, value as strtod narrowed to a float.
  virtual void OnTag(int32_t /*ctrl*/, int32_t /*part*/, const char* /*name*/, float /*value*/) {}

 private:
  void OnElementEnd(uint32_t tag) override;
};
