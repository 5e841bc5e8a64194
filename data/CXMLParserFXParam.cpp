#include "data/CXMLParserFXParam.h"

#include <cfloat>
#include <cmath>

#include "platform/LogSink.h"

namespace {

enum Tag : uint32_t { kFXPresetTag = 1, kParameterTag = 2 };

enum Slot : size_t { kVersion, kNr, kName, kValue };

constexpr XmlAttributeName kAttributes[] = {
    {"Version", false},
    {"Nr", false},
    {"Name", false},
    {"Value", false},
};

}  // namespace

CXMLParserFXParam::CXMLParserFXParam() : XmlReaderBase(xml_tags::kFXParam, kAttributes) {}

// Values are kept from element to element; the number must come from the element itself, or a
// damaged preset would write its value under the number of the entry before it.
void CXMLParserFXParam::OnElementStart(uint32_t tag) {
  if (tag == kParameterTag) ResetAttribute(kNr);
}

void CXMLParserFXParam::OnElementEnd(uint32_t tag) {
  if (tag == kFXPresetTag) {
    platform::LogWrite("<FXPreset> Parsing done -> OK\n");
  } else if (tag == kParameterTag) {
    if (Attribute(kNr)[0] == 0) {
      platform::LogPrintf("<FXPreset> Parameter <%s>: no number, skipped\n", Attribute(kName));
      return;
    }
    const double v = AttributeReal(kValue);
    // A value that is not a finite float would go straight into the effect's filters.
    if (!std::isfinite(v) || std::fabs(v) > FLT_MAX) {
      platform::LogPrintf("<FXPreset> Parameter %d <%s>: value <%s> not a number, skipped\n", AttributeInt(kNr),
                          Attribute(kName), Attribute(kValue));
      return;
    }
    OnParameter(AttributeInt(kNr), Attribute(kName), static_cast<float>(v));
  }
}
