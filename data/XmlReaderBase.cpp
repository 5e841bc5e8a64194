#include "data/XmlReaderBase.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "data/XmlTokenizer.h"

namespace {

constexpr char kBase64Prefix[] = "base64, ";

class FileCloser {
 public:
  explicit FileCloser(FILE* f) : f_(f) {}
  ~FileCloser() {
    if (f_) std::fclose(f_);
  }
  FileCloser(const FileCloser&) = delete;
  FileCloser& operator=(const FileCloser&) = delete;

 private:
  FILE* f_;
};

}  // namespace

XmlReaderBase::XmlReaderBase(std::span<const XmlTagName> tags, std::span<const XmlAttributeName> attributes)
    : tags_(tags), attributes_(attributes), values_(attributes.size(), ""), bytes_(attributes.size()) {}

XmlReaderBase::~XmlReaderBase() = default;

int XmlReaderBase::ReadFile(const char* path) {
  buffer_.reset();
  size_ = 0;
  if (!path) return 0;
  // Opened without blocking so that a FIFO is refused instead of waiting for a writer; only a
  // regular file has a size worth trusting.
  const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return 0;
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return 0;
  }
  FILE* f = fdopen(fd, "r");
  if (!f) {
    close(fd);
    return 0;
  }
  FileCloser closer(f);
  if (fseeko(f, 0, SEEK_END) != 0) return 0;
  const off_t end = ftello(f);
  if (end < 0 || static_cast<uint64_t>(end) > kMaxDocumentSize) return 0;
  if (fseeko(f, 0, SEEK_SET) != 0) return 0;
  const auto size = static_cast<size_t>(end);
  // One byte more, always NUL: no token can run past the document's end.
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[size + 1]);
  if (!buffer) return 0;
  if (std::fread(buffer.get(), 1, size, f) != size) return 0;
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
  bytes_[slot] = {};
}

void XmlReaderBase::ResetAttributes() {
  for (size_t i = 0; i < values_.size(); ++i) ResetAttribute(i);
}

void XmlReaderBase::StoreAttribute(const char* name, XmlTokenizer& tokenizer) {
  for (size_t slot = 0; slot < attributes_.size(); ++slot) {
    if (std::strcmp(attributes_[slot].name, name) != 0) continue;
    const bool isBase64 = std::strncmp(tokenizer.TokenText(), kBase64Prefix, sizeof kBase64Prefix - 1) == 0;
    values_[slot] = tokenizer.DecodedText();
    if (attributes_[slot].base64) {
      // The tokenizer keeps only the last Base64 value: no other attribute may still point at it.
      for (size_t other = 0; other < bytes_.size(); ++other) bytes_[other] = {};
      if (isBase64) bytes_[slot] = std::span<const uint8_t>(tokenizer.DecodedBytes());
    }
    OnAttributeValue(slot);
    return;
  }
}

int XmlReaderBase::ParseFile(const char* path) {
  if (!ReadFile(path)) return kUnreadable;
  const int result = Parse();
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
  const char* attributeName = "";
  int result = kOk;
  for (bool reading = true; reading;) {
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
        attributeName = tokenizer.TokenText();
        break;
      case XmlEvent::AttributeValue:
        StoreAttribute(attributeName, tokenizer);
        attributeName = "";
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
