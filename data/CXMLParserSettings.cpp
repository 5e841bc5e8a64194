#include "data/CXMLParserSettings.h"

#include <cfloat>
#include <cmath>

#include "data/XmlTagName.h"
#include "platform/LogSink.h"

namespace {

enum Tag : uint32_t { kSettings = 1, kMidi, kMidiClock, kMaster, kConfig, kTag };
enum Slot : size_t { kSynthType, kVersion, kCtrl, kPart, kName, kValue };

constexpr XmlAttributeName kAttributes[] = {
    {"SynthType", false}, {"Version", false}, {"Ctrl", false}, {"Part", false}, {"Name", false}, {"Value", false},
};

// strtod narrowed to a float; a value beyond the float range becomes infinite rather than
// an undefined conversion, and the document class ignores it like any non-finite value.
float NarrowToFloat(double v) {
  if (std::isnan(v)) return NAN;
  if (v > FLT_MAX) return INFINITY;
  if (v < -FLT_MAX) return -INFINITY;
  return static_cast<float>(v);
}

}  // namespace

CXMLParserSettings::CXMLParserSettings() : XmlReaderBase(xml_tags::kSettings, kAttributes) {}

void CXMLParserSettings::OnElementEnd(uint32_t tag) {
  switch (tag) {
    case kSettings:
      OnSettings(Attribute(kSynthType), Attribute(kVersion));
      platform::LogWrite("<Settings> Parsing done -> OK\n");
      break;
    case kMidi:
    case kMidiClock:
    case kMaster:
    case kConfig:
      OnCategory(xml_tags::kSettings[tag].name);
      break;
    case kTag:
      OnTag(AttributeInt(kCtrl), AttributeInt(kPart), Attribute(kName), NarrowToFloat(AttributeReal(kValue)));
      // A TAG without Part means part 0, whatever the previous TAG said.
      ResetAttribute(kPart);
      break;
    default:
      break;
  }
}
