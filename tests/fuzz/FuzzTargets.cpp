#include "tests/fuzz/FuzzTargets.h"

#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "data/Base64.h"
#include "data/MultiWaveReader.h"
#include "data/SampleFile.h"
#include "data/XmlReaderBase.h"
#include "data/XmlTagName.h"
#include "data/XmlTokenizer.h"
#include "platform/LogSink.h"

namespace fuzz_targets {
namespace {

void Discard(const char*, void*) {}

// Decoded floats never exceed four per input byte (8-bit data), plus one empty channel.
bool SizeIsBounded(const SampleFile& s, std::size_t inputSize) {
  uint64_t total = 0;
  for (const auto& channel : s.Samples()) {
    if (channel.size() != s.Samples()[0].size()) return false;
    total += channel.size();
  }
  return total <= uint64_t{inputSize} + 1;
}

// decode(encode(x)) keeps the frames, and an image the encoder wrote comes back byte for
// byte. An object whose "smpl" chunk held other than one loop is written without one and so
// reads back with the default loop: its second image is the stable one.
bool ReencodesStably(const SampleFile& s) {
  std::vector<uint8_t> image;
  if (s.EncodeWave(image) == 0) return false;
  const int rounds = s.Loop().numLoops == 1 ? 1 : 2;
  for (int round = 0; round < rounds; ++round) {
    SampleFile again;
    again.SetLogErrors(false);
    if (!again.LoadFromMemory(image.data(), image.size())) return false;
    if (again.Channels() != s.Channels() || again.Frames() != s.Frames()) return false;
    std::vector<uint8_t> next;
    if (again.EncodeWave(next) == 0) return false;
    if (round + 1 == rounds && next != image) return false;
    image.swap(next);
  }
  return true;
}

constexpr XmlAttributeName kFuzzAttributes[] = {
    {"Name", false}, {"Value", false}, {"Nr", false}, {"Data", true}, {"Wave", true}, {"Type", false},
};
constexpr std::size_t kFuzzSlots = std::size(kFuzzAttributes);

bool IsBase64Text(const std::string& text);

class CopyingReader : public XmlReaderBase {
 public:
  CopyingReader() : XmlReaderBase(xml_tags::kDS, kFuzzAttributes) {}

  int Run(const uint8_t* data, std::size_t size) {
    inputSize_ = size;
    hasNul_ = size && std::memchr(data, 0, size) != nullptr;
    for (std::size_t slot = 0; slot < kFuzzSlots; ++slot) {
      lastText_[slot] = nullptr;
      lastBytes_[slot].clear();
    }
    return ParseBytes(reinterpret_cast<const char*>(data), size);
  }
  bool Ok() const { return ok_; }

 protected:
  void OnElementStart(uint32_t) override { Check(); }
  void OnElementEnd(uint32_t) override { Check(); }

 private:
  void Check() {
    for (std::size_t slot = 0; slot < kFuzzSlots; ++slot) {
      const char* text = Attribute(slot);
      const std::string copy(text);  // a text that no longer exists is found by the sanitizer here
      const auto bytes = AttributeBytes(slot);
      std::vector<uint8_t> now(bytes.begin(), bytes.end());
      if (now.size() > inputSize_) ok_ = false;
      // The bytes are what the value's text decodes to (a NUL inside a value would end the
      // copied text early).
      if (!hasNul_ && kFuzzAttributes[slot].base64 && copy.compare(0, 8, "base64, ") == 0) {
        std::vector<uint8_t> expected;
        if (IsBase64Text(copy.substr(8)) &&
            (Base64::Decode(copy.data() + 8, copy.size() - 8, expected, '"') < 0 || expected != now))
          ok_ = false;
      } else if (!hasNul_ && !now.empty()) {
        ok_ = false;
      }
      // Each value is a new token, so an unchanged text pointer means an unchanged value.
      if (text == lastText_[slot] && now != lastBytes_[slot]) ok_ = false;
      lastText_[slot] = text;
      lastBytes_[slot] = std::move(now);
    }
  }

  std::size_t inputSize_ = 0;
  bool hasNul_ = false;
  bool ok_ = true;
  const char* lastText_[kFuzzSlots] = {};
  std::vector<uint8_t> lastBytes_[kFuzzSlots];
};

// Text a written document can hold after "base64, ": the alphabet, padding and white space.
// Other characters (entities decoded into '<', '#' ...) have no defined decoding, and the
// reader's streaming decoder and Base64::Decode may stop at different places in them.
bool IsBase64Text(const std::string& text) {
  for (const char c : text) {
    const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' ||
                    c == '/' || c == '-' || c == '_' || c == '=' || c == ' ' || c == '\n' || c == '\r' ||
                    c == '\t';
    if (!ok) return false;
  }
  return true;
}

// Every event consumes input or reports what an earlier one consumed, so a walk that runs
// longer than this never ends.
bool TokenizerEnds(const uint8_t* data, std::size_t size) {
  std::vector<char> buffer(data, data + size);
  buffer.push_back(0);
  XmlTokenizer tokenizer;
  tokenizer.Init(buffer.data(), static_cast<uint32_t>(size));
  bool ended = false;
  for (std::size_t i = 0; i < 4 * size + 16 && !ended; ++i) {
    const XmlEvent event = tokenizer.Next();
    ended = event == XmlEvent::End || event == XmlEvent::Error;
    if (!ended && tokenizer.DecodedBytes().size() > size) break;
    if (!ended) {
      const std::string text(tokenizer.DecodedText());
      (void)text;
    }
  }
  tokenizer.Release();
  return ended;
}

}  // namespace

bool XmlOne(const uint8_t* data, std::size_t size) {
  if (!TokenizerEnds(data, size)) return false;
  CopyingReader reader;
  if (reader.Run(data, size) == XmlReaderBase::kOk) ++AcceptedCount();
  return reader.Ok();
}

bool Base64One(const uint8_t* data, std::size_t size) {
  const char* text = reinterpret_cast<const char*>(data);
  std::vector<uint8_t> out;
  const std::ptrdiff_t used = Base64::Decode(text, size, out, '"');
  if (used < 0) return true;
  ++AcceptedCount();
  if (static_cast<std::size_t>(used) > size || out.size() > static_cast<std::size_t>(used) / 4 * 3 + 2) return false;
  for (int alphabet : {0, 1}) {
    const std::string encoded = Base64::Encode(out.data(), out.size(), alphabet) + "\"";
    std::vector<uint8_t> back;
    if (Base64::Decode(encoded.data(), encoded.size(), back, '"') != static_cast<std::ptrdiff_t>(encoded.size() - 1))
      return false;
    if (back != out) return false;
  }
  return true;
}

int& AcceptedCount() {
  static int count = 0;
  return count;
}

void SilenceLog() { platform::SetLogSink(&Discard, nullptr); }

bool SampleFileOne(const uint8_t* data, std::size_t size) {
  SampleFile file;
  file.SetLogErrors(false);
  if (file.Decode(data, size)) {
    ++AcceptedCount();
    if (!SizeIsBounded(file, size) || !ReencodesStably(file)) return false;
  }
  SampleFile memory;
  memory.SetLogErrors(false);
  if (memory.LoadFromMemory(data, size) && !SizeIsBounded(memory, size)) return false;
  return true;
}

bool MswfOne(const uint8_t* data, std::size_t size) {
  MultiWaveReader set;
  if (!set.loadStream(data, size)) return true;
  ++AcceptedCount();
  if (set.Regions().size() > size / MswfRegion::kBytes + 1) return false;
  if (set.Regions().size() < static_cast<std::size_t>(set.ItemCount())) return false;
  for (int32_t i = 0; i < set.ItemCount(); ++i)
    if (!set.Item(i) || !SizeIsBounded(*set.Item(i), size)) return false;
  bool oneLoopEach = true;
  for (int32_t i = 0; i < set.ItemCount(); ++i) oneLoopEach = oneLoopEach && set.Item(i)->Loop().numLoops == 1;
  std::vector<uint8_t> image;
  if (set.CreateStream(image, set.ContainerFlag()) == 0) return set.ContainerFlag() == 0 && set.ItemCount() != 1;
  const int rounds = oneLoopEach ? 1 : 2;  // as for a single sample, see ReencodesStably
  for (int round = 0; round < rounds; ++round) {
    MultiWaveReader again;
    if (!again.loadStream(image.data(), image.size())) return false;
    std::vector<uint8_t> next;
    again.CreateStream(next, set.ContainerFlag());
    if (round + 1 == rounds && next != image) return false;
    image.swap(next);
  }
  return true;
}

}  // namespace fuzz_targets
