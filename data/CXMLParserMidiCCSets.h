#pragma once
// Reader of MIDI controller maps: hands each controller assignment ("MAP") and the end of
// the root to the document class.
#include <cstdint>

#include "data/XmlReaderBase.h"

class CXMLParserMidiCCSets : public XmlReaderBase {
 public:
  CXMLParserMidiCCSets();

 protected:
  // End of the "CCMAP" element.
  virtual void OnCCMap(const char* /*synthType*/, const char* /*version*/) {}
  // End of a "MAP" element; learned only for a "LEARNED" of exactly "TRUE".
  virtual void OnMap(int32_t /*cc*/, int32_t /*paramId*/, uint8_t /*learned*/) {}

 private:
  void OnElementEnd(uint32_t tag) override;
};
