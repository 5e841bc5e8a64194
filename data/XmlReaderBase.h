#pragma once
// The part every document reader shares: reads a whole XML file, walks it with the
// tokenizer, keeps the element stack and the collected attribute values, and hands each
// finished element to the document class's handler.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "data/BoardLimits.h"
#include "data/XmlTagName.h"

class XmlTokenizer;

// An attribute a reader collects; `base64` marks one that carries "base64, " data.
struct XmlAttributeName {
  const char* name;
  bool base64;
};

class XmlReaderBase {
 public:
  // kRefused: a handler found the document beyond what this program writes (Refuse).
  enum Result : int { kOk = 0, kUnreadable = 1, kSyntaxError = 2, kBadTag = 3, kRefused = 4 };
  // Larger files are refused as unreadable (positions inside a document are signed 32-bit,
  // and the board could not hold much more).
  static constexpr uint64_t kMaxDocumentSize = board_limits::kMaxFileBytes;

  virtual ~XmlReaderBase();
  XmlReaderBase(const XmlReaderBase&) = delete;
  XmlReaderBase& operator=(const XmlReaderBase&) = delete;

  // Reads the whole file into the buffer: 1 on success, 0 on failure (the buffer is then null).
  int ReadFile(const char* path);
  // Reads and parses a document, running the handlers; one of Result.
  int ParseFile(const char* path);

  const char* Buffer() const { return buffer_.get(); }
  uint32_t Size() const { return size_; }

 protected:
  // Both tables must outlive the reader (they are normally constexpr arrays).
  XmlReaderBase(std::span<const XmlTagName> tags, std::span<const XmlAttributeName> attributes);

  // Parses a document held in memory (copied first, as the tokenizer writes into it); one of
  // Result. For documents that do not come from a file, such as fuzzing input.
  int ParseBytes(const char* data, std::size_t size);

  // Called when an element of a known tag (not 0, not the last entry) starts: for values a
  // document resets at an element's start.
  virtual void OnElementStart(uint32_t /*tag*/) {}
  // Called when an element of a known tag (not 0, not the last entry) ends: the document
  // converts the collected values and calls its callback.
  virtual void OnElementEnd(uint32_t /*tag*/) {}
  // Called after a value of an attribute of the table was collected: for documents where it
  // matters that an attribute occurred, not only what its last text is, and for copying
  // decoded bytes out before a later Base64 value replaces them.
  virtual void OnAttributeValue(size_t /*slot*/) {}

  // Text of an attribute (index into the attribute table): "" until the attribute occurs,
  // then the last value seen, entity-decoded. Valid while the document is parsed.
  const char* Attribute(size_t slot) const { return values_[slot]; }
  // Decoded bytes of a Base64 attribute: empty unless its last value was "base64, " data.
  // Each Base64 attribute keeps its own bytes, valid until that attribute takes another
  // value or the document ends, whatever other attributes hold.
  std::span<const uint8_t> AttributeBytes(size_t slot) const { return bytes_[slot]; }
  // Conversions the documents use: integers as strtol base 10 with the 32-bit range of the
  // target's long, reals as strtod, booleans true only for "TRUE".
  int32_t AttributeInt(size_t slot) const;
  double AttributeReal(size_t slot) const;
  bool AttributeIsTrue(size_t slot) const;
  // For values a document resets after use.
  void ResetAttribute(size_t slot);
  // Stops the parse after the current handler: the document is refused (kRefused).
  void Refuse() { refused_ = true; }

 private:
  int Parse();
  // Parse with the guard against running out of memory; releases the buffer.
  int GuardedParse(const char* what);
  // Slot of an attribute name, or the table size when the reader does not collect it.
  size_t Slot(const char* name) const;
  void StoreAttribute(size_t slot, XmlTokenizer& tokenizer);
  void ResetAttributes();

  std::span<const XmlTagName> tags_;
  std::span<const XmlAttributeName> attributes_;
  std::unique_ptr<char[]> buffer_;
  uint32_t size_ = 0;
  bool refused_ = false;
  std::vector<const char*> values_;
  std::vector<std::vector<uint8_t>> bytes_;
};
