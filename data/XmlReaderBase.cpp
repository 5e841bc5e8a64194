#include "data/XmlReaderBase.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "data/RegularFile.h"
#include "data/XmlTokenizer.h"
#include "platform/LogSink.h"

namespace {

constexpr char kBase64Prefix[] = "base64, ";

}  // namespace

XmlReaderBase::XmlReaderBase(std::span<const XmlTagName> tags, std::span<const XmlAttributeName> attributes)
    : tags_(tags), attributes_(attributes), values_(attributes.size(), ""), bytes_(attributes.size()) {}

XmlReaderBase::~XmlReaderBase() = default;

int XmlReaderBase::ReadFile(const char* path) {
  buffer_.reset();
  size_ = 0;
  uint64_t size = 0;
  const int fd = regular_file::Open(path, size);
  if (fd < 0) return 0;
  if (size > kMaxDocumentSize) {
    ::close(fd);
    return 0;
  }
  // One byte more, always NUL: no token can run past the document's end.
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[static_cast<size_t>(size) + 1]);
  const bool read = buffer && regular_file::ReadExactly(fd, buffer.get(), static_cast<size_t>(size));
  ::close(fd);
  if (!read) return 0;
  buffer[size] = 0;
  buffer_ = std::move(buffer);
  size_ = static_cast<uint32_t>(size);
  return 1;
}

int32_t XmlReaderBase::AttributeInt(size_t slot) const {
  const long long v = std::strtoll(values_[slot], nullptr, 10);
  // strtol saturates at the range of a 32-bit long on the target; do the same here.
  if (v > INT32_MAX) return INT32_MAX;
  if (v < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(v);
}

double XmlReaderBase::AttributeReal(size_t slot) const { return std::strtod(values_[slot], nullptr); }

bool XmlReaderBase::AttributeIsTrue(size_t slot) const { return std::strcmp(values_[slot], "TRUE") == 0; }

void XmlReaderBase::ResetAttribute(size_t slot) {
  values_[slot] = "";
  std::vector<uint8_t>().swap(bytes_[slot]);
}

void XmlReaderBase::ResetAttributes() {
  for (size_t i = 0; i < values_.size(); ++i) ResetAttribute(i);
}

size_t XmlReaderBase::Slot(const char* name) const {
  for (size_t slot = 0; slot < attributes_.size(); ++slot)
    if (std::strcmp(attributes_[slot].name, name) == 0) return slot;
  return attributes_.size();
}

void XmlReaderBase::StoreAttribute(size_t slot, XmlTokenizer& tokenizer) {
  if (slot >= attributes_.size()) return;
  const bool isBase64 = std::strncmp(tokenizer.TokenText(), kBase64Prefix, sizeof kBase64Prefix - 1) == 0;
  values_[slot] = tokenizer.DecodedText();
  if (attributes_[slot].base64) {
    // The tokenizer reuses its byte array for the next value: the attribute takes the bytes
    // over, so a later value (of any attribute) cannot change or free them.
    if (isBase64)
      bytes_[slot] = tokenizer.TakeDecodedBytes();
    else
      std::vector<uint8_t>().swap(bytes_[slot]);
  }
  OnAttributeValue(slot);
}

int XmlReaderBase::ParseFile(const char* path) {
  if (!ReadFile(path)) return kUnreadable;
  return GuardedParse(path);
}

int XmlReaderBase::ParseBytes(const char* data, std::size_t size) {
  buffer_.reset();
  size_ = 0;
  if (size > kMaxDocumentSize) return kUnreadable;
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[size + 1]);
  if (!buffer) return kUnreadable;
  if (size) std::memcpy(buffer.get(), data, size);
  buffer[size] = 0;
  buffer_ = std::move(buffer);
  size_ = static_cast<uint32_t>(size);
  return GuardedParse("memory");
}

int XmlReaderBase::GuardedParse(const char* what) {
  int result;
  try {
    result = Parse();
  } catch (const std::bad_alloc&) {
    // A document whose values do not fit in memory is refused; the program goes on.
    ResetAttributes();
    platform::LogPrintf("XML: ERROR: out of memory reading <%s>\n", what);
    result = kUnreadable;
  }
  buffer_.reset();
  size_ = 0;
  return result;
}

int XmlReaderBase::Parse() {
  XmlTokenizer tokenizer;
  tokenizer.Init(buffer_.get(), size_);
  std::vector<uint32_t> stack;
  ResetAttributes();
  const auto unknown = static_cast<uint32_t>(tags_.size() - 1);
  size_t slot = attributes_.size();
  int result = kOk;
  refused_ = false;
  for (bool reading = true; reading;) {
    if (refused_) {
      result = kRefused;
      break;
    }
    switch (tokenizer.Next()) {
      case XmlEvent::Error:
        result = kSyntaxError;
        reading = false;
        break;
      case XmlEvent::End:
        // A document cut off inside an element is not a complete document.
        result = stack.empty() ? kOk : kSyntaxError;
        reading = false;
        break;
      case XmlEvent::ProcessingStart:
        stack.push_back(0);
        break;
      case XmlEvent::ElementStart: {
        const auto tag = static_cast<uint32_t>(xml_tags::Lookup(tags_, tokenizer.TokenText()));
        stack.push_back(tag);
        if (tag != 0 && tag != unknown) OnElementStart(tag);
        break;
      }
      case XmlEvent::ElementEnd: {
        // A stray end tag with nothing open is ignored.
        if (stack.empty()) break;
        const uint32_t tag = stack.back();
        stack.pop_back();
        if (tag >= tags_.size()) {
          result = kBadTag;
          reading = false;
          break;
        }
        if (tag != 0 && tag != unknown) OnElementEnd(tag);
        break;
      }
      case XmlEvent::AttributeName:
        slot = Slot(tokenizer.TokenText());
        // Only attributes that carry data are decoded: text that happens to start like
        // Base64 (a name typed by the user) is read as written.
        tokenizer.SetBase64Decoding(slot < attributes_.size() && attributes_[slot].base64);
        break;
      case XmlEvent::AttributeValue:
        StoreAttribute(slot, tokenizer);
        slot = attributes_.size();
        break;
      default:
        break;
    }
  }
  // The collected values point into the buffer and the tokenizer, which go now.
  ResetAttributes();
  tokenizer.Release();
  return result;
}
