#include "data/CXMLParserDevConfig.h"

#include "data/XmlTagName.h"

namespace {

enum Tag : uint32_t { kDeviceConfig = 1, kMidiPorts, kPort };
enum Slot : size_t { kSynthType, kVersion, kNr, kDevice, kEnabled, kFilter, kType };

constexpr XmlAttributeName kAttributes[] = {
    {"SynthType", false}, {"Version", false}, {"Nr", false},   {"Device", false},
    {"Enabled", false},   {"Filter", false},  {"Type", false},
};

}  // namespace

CXMLParserDevConfig::CXMLParserDevConfig() : XmlReaderBase(xml_tags::kDevConfig, kAttributes) {}

void CXMLParserDevConfig::OnElementEnd(uint32_t tag) {
  if (tag == kDeviceConfig) {
    OnDeviceConfig(Attribute(kSynthType), Attribute(kVersion));
  } else if (tag == kPort) {
    OnPort(AttributeInt(kType), AttributeInt(kNr), AttributeInt(kEnabled) != 0 ? 1 : 0, AttributeInt(kFilter),
           Attribute(kDevice));
  }
}
