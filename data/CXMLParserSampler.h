#pragma once
// Reader of drum-kit documents: hands the root's identification and each pad's INSTRUMENT
// element to the kit.
#include <cstdint>

#include "data/XmlReaderBase.h"

// The values of one INSTRUMENT element. A field whose attribute the element lacks or leaves
// empty, or whose number is not finite, is absent from `present`: the kit then keeps what the
// pad has, so a hand-written element naming only a sample does not take over its neighbour's
// settings.
struct KitInstrument {
  enum Field : uint32_t {
    kId = 1u << 0,
    kSample = 1u << 1,
    kVelAmt = 1u << 2,
    kPitch = 1u << 3,
    kLevel = 1u << 4,
    kPan = 1u << 5,
    kStart = 1u << 6,
    kEnd = 1u << 7,
    kFadeOut = 1u << 8,
    kSideChainLevel = 1u << 9,
    kTrigger = 1u << 10,
  };

  int nr = -1;  // -1 when the element has no "Nr"
  int id = 0;   // as written: the pad's Id + 1
  const char* sample = "";
  int velAmt = 0;
  float pitch = 0, level = 0, pan = 0, start = 0, end = 0, fadeOut = 0, sideChainLevel = 0;
  int trigger = 0;
  uint32_t present = 0;

  bool Has(Field f) const { return (present & f) != 0; }
};

class CXMLParserSampler : public XmlReaderBase {
 public:
  CXMLParserSampler();

  // End of a "SAMPLER" root with its SynthType and Version texts.
  virtual void OnSampler(const char* /*synthType*/, const char* /*version*/) {}
  // End of an "INSTRUMENT" element, wherever it stands. The texts are valid during the call.
  virtual void OnInstrument(const KitInstrument& /*instrument*/) {}

 protected:
  void OnElementStart(uint32_t tag) override;
  void OnElementEnd(uint32_t tag) override;

 private:
  void Instrument();
};
