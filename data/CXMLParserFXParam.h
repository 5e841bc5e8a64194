#pragma once
// Reader of effect presets ("reverbfx" documents): a root "FXPreset" holding "Parameter"
// elements with a number, a name and a value. The effect pages derive from it and keep what
// OnParameter delivers.
#include "data/XmlReaderBase.h"

class CXMLParserFXParam : public XmlReaderBase {
 public:
  CXMLParserFXParam();

  // Kept for the deriving preset classes; the reader itself never calls it.
  virtual void OnFXPreset() = 0;
  // Once per "Parameter" element with a finite value, in document order, at the element's
  // end. The name is valid only during the call.
  virtual void OnParameter(int nr, const char* name, float value) = 0;

 protected:
  void OnElementStart(uint32_t tag) override;
  void OnElementEnd(uint32_t tag) override;
};
