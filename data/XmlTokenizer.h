#pragma once
// Pull tokenizer for the instrument's XML documents: walks a document held whole in memory
// and cuts it into tags, attributes and text in place (tokens are NUL-terminated inside the
// buffer), decoding "base64, " attribute values into a byte array on the way.
#include <cstdint>
#include <vector>

enum class XmlEvent : uint32_t {
  Error = 0,
  End = 1,
  Declaration = 2,
  Comment = 3,
  Text = 4,
  CData = 5,
  ProcessingStart = 6,
  ElementStart = 7,
  ElementEnd = 8,
  AttributeName = 9,
  AttributeValue = 10,
  TagClosed = 11,
};

class XmlTokenizer {
 public:
  // Byte-order mark the document began with; recorded only, all documents are read as bytes.
  enum Encoding : uint32_t { kUtf7 = 0, kUtf8 = 1, kUtf16 = 2, kUtf32 = 3 };

  // Binds the tokenizer to `length` bytes at `buffer`, which it writes NULs into. The buffer
  // must stay valid until Release.
  void Init(char* buffer, uint32_t length);
  XmlEvent Next();
  // Raw text of the last token.
  char* TokenText() const { return buffer_ + tokenStart_; }
  // The last token with character and entity references decoded in place.
  char* DecodedText();
  // Bytes of the last "base64, " attribute value; reused by the next one.
  const std::vector<uint8_t>& DecodedBytes() const { return decoded_; }
  // Hands the bytes of the last "base64, " value over to the caller (the tokenizer's own
  // array is left empty), so they outlive the next value.
  std::vector<uint8_t> TakeDecodedBytes();
  // Whether the next attribute values are decoded when they start with "base64, " (on
  // after Init). A reader turns it off for attributes that hold text: their value is then
  // taken as written, even when it is not valid Base64.
  void SetBase64Decoding(bool on) { decodeBase64_ = on; }
  void Release();

  uint32_t EncodingMark() const { return encoding_; }

  // Rewrites entity and character references of a NUL-terminated text in place.
  static void DecodeEntities(char* text);

 private:
  // kFailed is ours: after an Error every further call reports Error again.
  enum State : uint32_t { kContent = 0, kInTag = 1, kValue = 2, kTagEnded = 3, kFailed = 4 };

  XmlEvent Content();
  XmlEvent InsideTag();
  XmlEvent Value();
  XmlEvent TagName(XmlEvent event);
  XmlEvent Fail();
  bool At(int32_t pos, const char* literal) const;
  int32_t Find(int32_t from, const char* literal) const;
  bool AtEnd() const { return static_cast<uint32_t>(position_) >= length_; }

  uint32_t length_ = 0;
  int32_t position_ = 0;
  char* buffer_ = nullptr;
  char saved_ = 0;
  uint32_t state_ = kContent;
  int32_t tokenStart_ = 0;
  uint32_t encoding_ = kUtf8;
  bool decodeBase64_ = true;
  std::vector<uint8_t> decoded_;
};
