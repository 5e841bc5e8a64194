#include "data/XmlTokenizer.h"

#include <cstring>
#include <string_view>

#include "data/Base64.h"
#include "platform/LogSink.h"

namespace {

// ASCII white space only: bytes from 0x80 up are text, whatever the C locale says.
constexpr bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

struct ByteOrderMark {
  uint8_t bytes[4];
  uint32_t count;
  uint32_t encoding;
};

constexpr ByteOrderMark kMarks[] = {
    {{0xEF, 0xBB, 0xBF, 0x00}, 3, XmlTokenizer::kUtf8},
    {{0xFE, 0xFF, 0x00, 0x00}, 2, XmlTokenizer::kUtf16},
    {{0x2B, 0x2F, 0x76, 0x00}, 3, XmlTokenizer::kUtf7},
    {{0x00, 0x00, 0xFE, 0xFF}, 4, XmlTokenizer::kUtf32},
};

struct NamedEntity {
  const char* name;  // after the '&', with its ';'
  size_t length;
  char byte;
};

constexpr NamedEntity kNamedEntities[] = {
    {"quot;", 5, '"'},
    {"lt;", 3, '<'},
    {"gt;", 3, '>'},
    {"amp;", 4, '&'},
};

constexpr char kBase64Prefix[] = "base64, ";
constexpr int32_t kBase64PrefixLength = 8;

int DigitValue(char c, bool hex) {
  if (c >= '0' && c <= '9') return c - '0';
  if (!hex) return -1;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

void XmlTokenizer::Init(char* buffer, uint32_t length) {
  buffer_ = buffer;
  length_ = buffer ? length : 0;
  position_ = 0;
  saved_ = 0;
  tokenStart_ = 0;
  decoded_.clear();
  decodeBase64_ = true;
  encoding_ = kUtf8;
  // Positions are signed 32-bit; a longer document cannot be walked safely.
  state_ = length_ > static_cast<uint32_t>(INT32_MAX) ? kFailed : kContent;
  for (const ByteOrderMark& mark : kMarks) {
    if (length_ >= mark.count && std::memcmp(buffer_, mark.bytes, mark.count) == 0) {
      position_ = static_cast<int32_t>(mark.count);
      encoding_ = mark.encoding;
      break;
    }
  }
}

void XmlTokenizer::Release() {
  std::vector<uint8_t>().swap(decoded_);
  buffer_ = nullptr;
  length_ = 0;
  position_ = 0;
  tokenStart_ = 0;
  saved_ = 0;
  state_ = kContent;
}

XmlEvent XmlTokenizer::Fail() {
  state_ = kFailed;
  return XmlEvent::Error;
}

bool XmlTokenizer::At(int32_t pos, const char* literal) const {
  const size_t n = std::strlen(literal);
  if (pos < 0 || static_cast<uint64_t>(pos) + n > length_) return false;
  return std::memcmp(buffer_ + pos, literal, n) == 0;
}

int32_t XmlTokenizer::Find(int32_t from, const char* literal) const {
  if (from < 0 || static_cast<uint32_t>(from) >= length_) return -1;
  const std::string_view rest(buffer_ + from, length_ - static_cast<uint32_t>(from));
  const size_t at = rest.find(literal);
  return at == std::string_view::npos ? -1 : from + static_cast<int32_t>(at);
}

XmlEvent XmlTokenizer::Next() {
  if (state_ == kFailed) return XmlEvent::Error;
  // What an earlier call already saw of a tag is reported even when the tag ends the
  // document, so "<root/>" as the last bytes still closes its element.
  if (state_ == kTagEnded) {
    state_ = kContent;
    return XmlEvent::ElementEnd;
  }
  if (state_ == kInTag && (saved_ == '>' || saved_ == '/')) {
    state_ = saved_ == '>' ? kContent : kTagEnded;
    saved_ = 0;
    return XmlEvent::TagClosed;
  }
  while (!AtEnd() && IsSpace(buffer_[position_])) ++position_;
  // The end of the document inside a tag is a cut-off document, not its end.
  if (AtEnd()) return state_ == kContent ? XmlEvent::End : Fail();
  switch (state_) {
    case kContent: return Content();
    case kInTag: return InsideTag();
    case kValue: return Value();
    default: return Fail();
  }
}

XmlEvent XmlTokenizer::Content() {
  const int32_t pos = position_;
  const char c = buffer_[pos];
  if (c != '<' && !(c == 0 && saved_ == '<')) {
    tokenStart_ = pos;
    const void* lt = std::memchr(buffer_ + pos, '<', length_ - static_cast<uint32_t>(pos));
    if (!lt) {
      position_ = static_cast<int32_t>(length_);
      return XmlEvent::End;
    }
    position_ = static_cast<int32_t>(static_cast<const char*>(lt) - buffer_);
    buffer_[position_] = 0;
    saved_ = '<';
    return XmlEvent::Text;
  }
  saved_ = 0;
  if (At(pos + 1, "!--")) {
    int32_t start = pos + 4;
    while (static_cast<uint32_t>(start) < length_ && IsSpace(buffer_[start])) ++start;
    tokenStart_ = start;
    const int32_t end = Find(start, "-->");
    if (end < 0) return Fail();
    buffer_[end] = 0;
    position_ = end + 3;
    return XmlEvent::Comment;
  }
  if (At(pos + 1, "![CDATA[")) {
    tokenStart_ = pos + 9;
    const int32_t end = Find(tokenStart_, "]]>");
    if (end < 0) return Fail();
    buffer_[end] = 0;
    position_ = end + 3;
    return XmlEvent::CData;
  }
  if (At(pos + 1, "!")) {
    tokenStart_ = pos + 1;
    const int32_t end = Find(tokenStart_, ">");
    if (end < 0) return Fail();
    buffer_[end] = 0;
    position_ = end + 1;
    return XmlEvent::Declaration;
  }
  if (At(pos + 1, "?")) {
    tokenStart_ = pos + 2;
    state_ = kInTag;
    return TagName(XmlEvent::ProcessingStart);
  }
  if (At(pos + 1, "/")) {
    tokenStart_ = pos + 2;
    int32_t end = tokenStart_;
    while (static_cast<uint32_t>(end) < length_ && !IsSpace(buffer_[end]) && buffer_[end] != '/' &&
           buffer_[end] != '>')
      ++end;
    // An end tag is "</", the name and '>' with nothing between.
    if (static_cast<uint32_t>(end) >= length_ || buffer_[end] != '>') return Fail();
    buffer_[end] = 0;
    state_ = kContent;
    position_ = end + 1;
    return XmlEvent::ElementEnd;
  }
  tokenStart_ = pos + 1;
  state_ = kInTag;
  return TagName(XmlEvent::ElementStart);
}

XmlEvent XmlTokenizer::TagName(XmlEvent event) {
  // A processing instruction may close right after its name ("<?name?>").
  const bool processing = event == XmlEvent::ProcessingStart;
  int32_t end = tokenStart_;
  while (static_cast<uint32_t>(end) < length_) {
    const char c = buffer_[end];
    if (IsSpace(c) || c == '/' || c == '>' || (processing && c == '?')) break;
    ++end;
  }
  if (static_cast<uint32_t>(end) >= length_) return Fail();
  const char delimiter = buffer_[end];
  if (delimiter == '/' || delimiter == '?') {
    // "/>" (or "?>") is skipped as a pair; anything else after the '/' is not a tag end.
    if (static_cast<uint32_t>(end) + 1 >= length_ || buffer_[end + 1] != '>') return Fail();
    saved_ = '/';
    position_ = end + 2;
  } else if (delimiter == '>') {
    saved_ = '>';
    position_ = end + 1;
  } else {
    position_ = end + 1;
  }
  buffer_[end] = 0;
  return event;
}

XmlEvent XmlTokenizer::InsideTag() {
  const int32_t pos = position_;
  const char c = buffer_[pos];
  if (c == '>') {
    buffer_[pos] = 0;
    position_ = pos + 1;
    state_ = kContent;
    return XmlEvent::TagClosed;
  }
  if (c == '/' || c == '?') {
    if (static_cast<uint32_t>(pos) + 1 >= length_ || buffer_[pos + 1] != '>') return Fail();
    buffer_[pos] = 0;
    position_ = pos + 2;
    state_ = kTagEnded;
    return XmlEvent::TagClosed;
  }
  tokenStart_ = pos;
  int32_t end = pos;
  while (static_cast<uint32_t>(end) < length_ && !IsSpace(buffer_[end]) && buffer_[end] != '=') ++end;
  if (static_cast<uint32_t>(end) >= length_) return Fail();
  if (buffer_[end] != '=') {
    buffer_[end++] = 0;
    while (static_cast<uint32_t>(end) < length_ && IsSpace(buffer_[end])) ++end;
    if (static_cast<uint32_t>(end) >= length_ || buffer_[end] != '=') return Fail();
  } else {
    buffer_[end] = 0;
  }
  position_ = end + 1;
  state_ = kValue;
  return XmlEvent::AttributeName;
}

XmlEvent XmlTokenizer::Value() {
  const int32_t pos = position_;
  const char quote = buffer_[pos];
  if (quote != '"' && quote != '\'') return Fail();
  const int32_t start = pos + 1;
  tokenStart_ = start;
  const uint32_t rest = length_ - static_cast<uint32_t>(start);
  const void* found = rest ? std::memchr(buffer_ + start, quote, rest) : nullptr;
  if (!found) return Fail();
  const auto end = static_cast<int32_t>(static_cast<const char*>(found) - buffer_);
  if (decodeBase64_ && At(start, kBase64Prefix)) {
    decoded_.clear();
    const int32_t text = start + kBase64PrefixLength;
    const auto available = static_cast<size_t>(end - text);
    if (Base64::Decode(buffer_ + text, available, decoded_, quote) < 0) {
      platform::LogWrite("[Base64] ERROR: decode\n");
      decoded_.clear();
      return Fail();
    }
  }
  // The raw text of a Base64 value is terminated too, so it can never be read past its quote.
  buffer_[end] = 0;
  position_ = end + 1;
  state_ = kInTag;
  return XmlEvent::AttributeValue;
}

std::vector<uint8_t> XmlTokenizer::TakeDecodedBytes() {
  std::vector<uint8_t> bytes;
  bytes.swap(decoded_);
  return bytes;
}

char* XmlTokenizer::DecodedText() {
  char* text = TokenText();
  if (buffer_) DecodeEntities(text);
  return text;
}

void XmlTokenizer::DecodeEntities(char* text) {
  char* read = std::strchr(text, '&');
  if (!read) return;
  char* write = read;
  while (*read) {
    if (*read == '&') {
      if (read[1] == '#') {
        const bool hex = read[2] == 'x';
        const char* p = read + (hex ? 3 : 2);
        unsigned value = 0;
        int digits = 0;
        for (int d; (d = DigitValue(*p, hex)) >= 0; ++p, ++digits)
          value = (value * (hex ? 16u : 10u) + static_cast<unsigned>(d)) & 0xFFu;  // low 8 bits as we go
        if (digits > 0 && *p == ';') {
          *write++ = static_cast<char>(value);
          read = const_cast<char*>(p) + 1;
          continue;
        }
      } else {
        bool named = false;
        for (const NamedEntity& e : kNamedEntities) {
          if (std::strncmp(read + 1, e.name, e.length) == 0) {
            *write++ = e.byte;
            read += 1 + e.length;
            named = true;
            break;
          }
        }
        if (named) continue;
      }
    }
    *write++ = *read++;
  }
  *write = 0;
}
