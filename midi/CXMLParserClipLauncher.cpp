#include "midi/CXMLParserClipLauncher.h"

#include <cstddef>

namespace {

enum Attr : std::size_t {
  kVersion, kBpm, kQn2c, kType, kTrack, kNr, kSubType, kName, kQN, kKit, kStepCount, kPos,
  kIndex, kFire, kNote, kAccent, kPitch, kPan, kRestartMode, kKeySubstitute, kOrderAlgo,
  kOpMode, kFactor, kGateWidth, kKey, kMode, kOctave, kSemitone, kVelocity, kCVA, kCVB, kCVC,
  kImported, kPP, kNumerator, kDenominator, kLoopPP, kLengthQN, kLengthPP, kTranspose, kStart,
  kEnd, kControl, kValue, kTick, kAttrCount,
};

constexpr XmlAttributeName kAttributes[] = {
    {"Version", false},   {"bpm", false},        {"qn2c", false},
    {"Type", false},      {"Track", false},      {"Nr", false},
    {"SubType", false},   {"Name", false},       {"QN", false},
    {"Kit", false},       {"StepCount", false},  {"Pos", false},
    {"Index", false},     {"Fire", false},       {"Note", false},
    {"Accent", false},    {"Pitch", false},      {"Pan", false},
    {"RestartMode", false}, {"KeySubstitute", false}, {"OrderAlgo", false},
    {"OpMode", false},    {"Factor", false},     {"GateWidth", false},
    {"Key", false},       {"Mode", false},       {"Octave", false},
    {"Semitone", false},  {"Velocity", false},   {"CVA", false},
    {"CVB", false},       {"CVC", false},        {"Imported", false},
    {"PP", false},        {"Numerator", false},  {"Denominator", false},
    {"Loop_PP", false},   {"Length_QN", false},  {"Length_PP", false},
    {"Transpose", false}, {"Start", false},      {"End", false},
    {"Control", false},   {"Value", false},      {"Tick", false},
};
static_assert(std::size(kAttributes) == kAttrCount);

// Tag numbers of xml_tags::kClipLauncher.
enum Tag : uint32_t {
  kLauncher = 1, kMaster, kInstrument, kClip, kTrgSequence, kTrigger, kTStep, kArp, kAStep, kSeq,
  kNoteTag, kCC,
};

}  // namespace

CXMLParserClipLauncher::CXMLParserClipLauncher()
    : XmlReaderBase(xml_tags::kClipLauncher, kAttributes) {}

void CXMLParserClipLauncher::OnElementEnd(uint32_t tag) {
  auto i = [this](Attr a) { return AttributeInt(a); };
  auto r = [this](Attr a) { return AttributeReal(a); };
  switch (tag) {
    case kLauncher:
      // The synth type shares its slot with the clip names and is not passed on.
      OnLauncher("", Attribute(kVersion));
      break;
    case kMaster:
      OnMaster(i(kBpm), i(kQn2c));
      break;
    case kInstrument:
      OnInstrument(Attribute(kType), i(kTrack));
      break;
    case kClip:
      OnClip(Attribute(kName), Attribute(kSubType), i(kNr), i(kQN));
      ResetAttribute(kSubType);
      break;
    case kTrgSequence:
      OnTrgSequence(Attribute(kKit), i(kStepCount));
      break;
    case kTStep:
      OnTStep(i(kPos));
      break;
    case kTrigger:
      OnTrigger(i(kIndex), i(kFire), i(kNote), i(kAccent), r(kPitch), r(kPan));
      break;
    case kArp:
      OnArp(i(kNr), i(kRestartMode), i(kKeySubstitute), r(kGateWidth), i(kOrderAlgo), i(kOpMode),
            i(kStepCount), i(kFactor));
      break;
    case kAStep:
      OnArpStep(i(kPos), i(kKey), i(kMode), i(kOctave), i(kSemitone), i(kVelocity), r(kCVA),
                r(kCVB), r(kCVC));
      break;
    case kSeq:
      OnSeq(Attribute(kImported), i(kPP), i(kLoopPP), i(kLengthPP), i(kLengthQN), i(kTranspose),
            i(kNumerator), i(kDenominator));
      break;
    case kNoteTag:
      OnNote(i(kKey), i(kStart), i(kEnd), i(kVelocity));
      break;
    case kCC:
      OnControl(i(kControl), i(kValue), i(kTick));
      break;
    default:
      break;
  }
}
