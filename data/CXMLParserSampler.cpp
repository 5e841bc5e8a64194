#include "data/CXMLParserSampler.h"

#include <cfloat>
#include <cmath>

#include "platform/LogSink.h"

namespace {

enum Tag : uint32_t { kSamplerTag = 1, kInstrumentTag = 3 };

enum Slot : size_t {
  kSynthType,
  kVersion,
  kNr,
  kId,
  kSample,
  kPitch,
  kVelAmt,
  kLevel,
  kPan,
  kTrigger,
  kStart,
  kEnd,
  kFadeOut,
  kSideChainLevel,
};

constexpr XmlAttributeName kAttributes[] = {
    {"SynthType", false}, {"Version", false}, {"Nr", false},      {"Id", false},      {"Sample", false},
    {"Pitch", false},     {"VelAmt", false},  {"Level", false},   {"Pan", false},     {"Trigger", false},
    {"Start", false},     {"End", false},     {"FadeOut", false}, {"SideChainLevel", false},
};

// The real-valued fields: their attribute, where they go and their presence bit.
struct RealField {
  Slot slot;
  float KitInstrument::*member;
  KitInstrument::Field field;
};
constexpr RealField kRealFields[] = {
    {kPitch, &KitInstrument::pitch, KitInstrument::kPitch},
    {kLevel, &KitInstrument::level, KitInstrument::kLevel},
    {kPan, &KitInstrument::pan, KitInstrument::kPan},
    {kStart, &KitInstrument::start, KitInstrument::kStart},
    {kEnd, &KitInstrument::end, KitInstrument::kEnd},
    {kFadeOut, &KitInstrument::fadeOut, KitInstrument::kFadeOut},
    {kSideChainLevel, &KitInstrument::sideChainLevel, KitInstrument::kSideChainLevel},
};

// The integer fields (read with strtol, so "100.000" is 100).
struct IntField {
  Slot slot;
  int KitInstrument::*member;
  KitInstrument::Field field;
};
constexpr IntField kIntFields[] = {
    {kId, &KitInstrument::id, KitInstrument::kId},
    {kVelAmt, &KitInstrument::velAmt, KitInstrument::kVelAmt},
    {kTrigger, &KitInstrument::trigger, KitInstrument::kTrigger},
};

}  // namespace

CXMLParserSampler::CXMLParserSampler() : XmlReaderBase(xml_tags::kSampler, kAttributes) {}

void CXMLParserSampler::OnElementStart(uint32_t tag) {
  // Each pad stands on its own: nothing an earlier element said carries over.
  if (tag == kInstrumentTag)
    for (size_t slot = kNr; slot <= kSideChainLevel; ++slot) ResetAttribute(slot);
}

void CXMLParserSampler::OnElementEnd(uint32_t tag) {
  if (tag == kSamplerTag) {
    OnSampler(Attribute(kSynthType), Attribute(kVersion));
    platform::LogWrite("<Sampler> Parsing done -> OK\n");
  } else if (tag == kInstrumentTag) {
    Instrument();
  }
}

void CXMLParserSampler::Instrument() {
  KitInstrument in;
  if (Attribute(kNr)[0] != 0) in.nr = AttributeInt(kNr);
  if (Attribute(kSample)[0] != 0) {
    in.sample = Attribute(kSample);
    in.present |= KitInstrument::kSample;
  }
  for (const IntField& f : kIntFields) {
    if (Attribute(f.slot)[0] == 0) continue;
    in.*f.member = AttributeInt(f.slot);
    in.present |= f.field;
  }
  for (const RealField& f : kRealFields) {
    if (Attribute(f.slot)[0] == 0) continue;
    const double v = AttributeReal(f.slot);
    // A value that is not a finite float would reach the drum player's arithmetic.
    if (!std::isfinite(v) || std::fabs(v) > FLT_MAX) {
      platform::LogPrintf("<Sampler> INSTRUMENT %d: %s <%s> not a number, kept\n", in.nr, kAttributes[f.slot].name,
                          Attribute(f.slot));
      continue;
    }
    in.*f.member = static_cast<float>(v);
    in.present |= f.field;
  }
  OnInstrument(in);
}
