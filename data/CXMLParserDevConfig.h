#pragma once
// Reader of the device configuration: hands each MIDI port ("PORT") and the end of the root
// to the document class. Ports are taken wherever they stand in the document.
#include <cstdint>

#include "data/XmlReaderBase.h"

class CXMLParserDevConfig : public XmlReaderBase {
 public:
  CXMLParserDevConfig();

 protected:
  // End of the "DEVICE_CONFIG" element.
  virtual void OnDeviceConfig(const char* /*synthType*/, const char* /*version*/) {}
  // End of a "PORT" element; numbers as strtol, enabled 1 for any non-zero "Enabled".
  virtual void OnPort(int32_t /*type*/, int32_t /*nr*/, uint8_t /*enabled*/, int32_t /*filter*/,
                      const char* /*device*/) {}

 private:
  void OnElementEnd(uint32_t tag) override;
};
