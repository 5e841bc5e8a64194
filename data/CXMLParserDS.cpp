#include "data/CXMLParserDS.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstring>

#include "platform/LogSink.h"

namespace {

enum Tag : uint32_t {
  kProgram = 1,
  kSynthVoice = 2,
  kParameter = 3,
  kByteArray = 4,
  kEnv = 5,
  kShaper = 12,
  kMaster = 13,
  kModMatrix = 14,
  kItem = 15,
  kSynthEffect = 16,
  kEffectParam = 17,
  kWavetable = 18,
  kWave = 19,
  kAttribute = 21,
  kTag = 22,
};

enum Slot : size_t {
  kSynthType,
  kVersion,
  kVariant,
  kNr,
  kName,
  kElements,
  kArray,
  kIndex,
  kValue,
  kSrc,
  kAmount,
  kPolarity,
  kDst,
  kCurve,
  kEncoding,
  kData,
  kFlag,
  kSize,
};

constexpr XmlAttributeName kAttributes[] = {
    {"SynthType", false}, {"Version", false}, {"Variant", false},  {"Nr", false},    {"Name", false},
    {"elements", false},  {"Array", false},   {"index", false},    {"Value", false}, {"Src", false},
    {"Amount", false},    {"Polarity", false}, {"Dst", false},     {"Curve", false}, {"Encoding", false},
    {"Data", true},       {"Flag", false},    {"Size", false},
};

}  // namespace

CXMLParserDS::CXMLParserDS() : XmlReaderBase(xml_tags::kDS, kAttributes) {}

int CXMLParserDS::ParseFile(const char* path) {
  nrIsOne_ = false;
  dataSeen_ = false;
  data_.clear();
  const int result = XmlReaderBase::ParseFile(path);
  std::vector<uint8_t>().swap(data_);
  if (result == kUnreadable) {
    // Tell a missing file from one that opened but could not be read whole.
    const int fd = path ? ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC) : -1;
    if (fd < 0) {
      platform::LogPrintf("XMLParserDS: Error:<%s> open file: <%s>\n", std::strerror(errno), path ? path : "");
    } else {
      struct stat st {};
      const int error = ::fstat(fd, &st) != 0 ? errno : S_ISDIR(st.st_mode) ? EISDIR : S_ISREG(st.st_mode) ? EIO : EINVAL;
      ::close(fd);
      platform::LogPrintf("XMLParserDS: Error:<%s> read file: <%s>\n", std::strerror(error), path);
    }
  }
  return result;
}

int CXMLParserDS::Nr() const { return nrIsOne_ ? 1 : AttributeInt(kNr); }

// Values beyond the float range become infinite rather than undefined; callers refuse those.
float CXMLParserDS::Real(size_t slot) const {
  const double v = AttributeReal(slot);
  if (std::isnan(v)) return NAN;
  if (v > FLT_MAX) return INFINITY;
  if (v < -FLT_MAX) return -INFINITY;
  return static_cast<float>(v);
}

void CXMLParserDS::OnAttributeValue(size_t slot) {
  if (slot == kNr) {
    nrIsOne_ = false;
  } else if (slot == kData) {
    // Copied at once: the decoded bytes belong to the tokenizer and the next Base64 value
    // reuses them.
    const auto bytes = AttributeBytes(kData);
    data_.assign(bytes.begin(), bytes.end());
    dataSeen_ = true;
  }
}

void CXMLParserDS::OnElementStart(uint32_t tag) {
  switch (tag) {
    case kSynthVoice:
      OnSynthVoice(1, 0);
      break;
    case kMaster:
      nrIsOne_ = true;
      break;
    case kModMatrix:
      OnModMatrix(1);
      break;
    case kItem:
      ResetAttribute(kPolarity);
      break;
    default:
      break;
  }
}

void CXMLParserDS::OnElementEnd(uint32_t tag) {
  switch (tag) {
    case kProgram:
      OnProgram(Attribute(kSynthType), Attribute(kVersion));
      break;
    case kSynthVoice:
      OnSynthVoice(0, AttributeInt(kVariant));
      break;
    case kParameter:
      OnParameter(AttributeInt(kVariant), Attribute(kName), AttributeInt(kIndex), Nr(), 1, Real(kValue));
      break;
    case kByteArray:
      OnByteArray(Nr(), Attribute(kName), AttributeInt(kIndex), AttributeInt(kElements), Attribute(kArray));
      break;
    case kMaster:
      OnModule("FILTER", Nr());
      break;
    case kModMatrix:
      OnModMatrix(0);
      break;
    case kItem:
      if (Attribute(kPolarity)[0] == 0)
        OnItem(AttributeInt(kVariant), Nr(), AttributeInt(kSrc), Real(kAmount), Real(kCurve), AttributeInt(kDst));
      else
        OnItemPolarity(AttributeInt(kVariant), Nr(), AttributeInt(kSrc), Real(kAmount), Real(kCurve),
                       AttributeInt(kDst), AttributeInt(kPolarity));
      break;
    case kSynthEffect:
      OnModule("EFFECT", Nr());
      break;
    case kEffectParam:
      OnEffectParam(AttributeInt(kVariant), Attribute(kName), AttributeInt(kIndex), Nr(), 1, Real(kValue));
      break;
    case kWavetable:
    case kWave:
      if (dataSeen_) {
        std::vector<uint8_t> data;
        data.swap(data_);
        if (tag == kWavetable)
          OnWavetable(Nr(), Attribute(kName), Attribute(kEncoding), std::move(data));
        else
          OnWave(Attribute(kName), Attribute(kEncoding), std::move(data));
      }
      break;
    case kAttribute:
      OnAttribute(Attribute(kName), Attribute(kValue));
      break;
    case kTag:
      OnTag(Attribute(kValue));
      break;
    default:
      if (tag >= kEnv && tag <= kShaper) OnModule(xml_tags::kDS[tag].name, Nr());
      break;
  }
}
