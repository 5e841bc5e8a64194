#include "data/CXMLParserArranger.h"

#include <cfloat>
#include <cmath>

#include "platform/LogSink.h"

namespace {

enum Tag : uint32_t { kArrangementTag = 1, kPresetTag = 2, kProgramTag = 4, kSamplerTag = 5, kSettingsTag = 6 };

enum Slot : size_t { kSynthType, kVersion, kPart, kName, kValue, kActive, kPreset, kNr, kLevel };

constexpr XmlAttributeName kAttributes[] = {
    {"SynthType", false}, {"Version", false}, {"Part", false},   {"Name", false}, {"Value", false},
    {"Active", false},    {"Preset", false},  {"Nr", false},     {"Level", false},
};

}  // namespace

CXMLParserArranger::CXMLParserArranger() : XmlReaderBase(xml_tags::kArranger, kAttributes) {}

void CXMLParserArranger::OnElementStart(uint32_t tag) {
  // The level must come from this element, not linger from an earlier one.
  if (tag == kSamplerTag) {
    ResetAttribute(kLevel);
    ResetAttribute(kValue);
  }
}

// The writer stores the kit level as "Level"; documents that carry it as "Value" still load.
float CXMLParserArranger::Level() const {
  const size_t slot = Attribute(kLevel)[0] != 0 ? kLevel : kValue;
  if (Attribute(slot)[0] == 0) return NAN;
  const double v = AttributeReal(slot);
  if (!std::isfinite(v) || std::fabs(v) > FLT_MAX) {
    platform::LogPrintf("<Arranger> SAMPLER level <%s> not a number, kept\n", Attribute(slot));
    return NAN;
  }
  return static_cast<float>(v);
}

void CXMLParserArranger::OnElementEnd(uint32_t tag) {
  switch (tag) {
    case kArrangementTag:
      OnArrangement(Attribute(kSynthType), Attribute(kVersion));
      break;
    case kPresetTag:
      OnPreset(AttributeIsTrue(kActive) ? 1 : 0, Attribute(kName), AttributeInt(kPart));
      break;
    case kProgramTag:
      OnProgram(Attribute(kPreset), AttributeInt(kNr));
      break;
    case kSamplerTag:
      OnSampler(Attribute(kName), Level());
      break;
    case kSettingsTag:
      OnSettings(Attribute(kName));
      platform::LogWrite("<Settings> Parsing done -> OK\n");
      break;
    default:
      break;
  }
}
