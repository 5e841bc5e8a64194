#include "data/CXMLParserMidiCCSets.h"

#include "data/XmlTagName.h"

namespace {

enum Tag : uint32_t { kCCMap = 1, kMap };
enum Slot : size_t { kSynthType, kVersion, kCC, kParamId, kLearned };

constexpr XmlAttributeName kAttributes[] = {
    {"SynthType", false}, {"Version", false}, {"CC", false}, {"PARAM_ID", false}, {"LEARNED", false},
};

}  // namespace

CXMLParserMidiCCSets::CXMLParserMidiCCSets() : XmlReaderBase(xml_tags::kMidiCCSets, kAttributes) {}

void CXMLParserMidiCCSets::OnElementEnd(uint32_t tag) {
  if (tag == kCCMap)
    OnCCMap(Attribute(kSynthType), Attribute(kVersion));
  else if (tag == kMap)
    OnMap(AttributeInt(kCC), AttributeInt(kParamId), AttributeIsTrue(kLearned) ? 1 : 0);
}
