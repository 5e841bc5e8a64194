#pragma once
// Names travel as UTF-8, or as single bytes where they come from older files (track names
// of imported MIDI files are often Latin-1). Cutting a name to a field's length must not
// leave half a UTF-8 character, and a document must tell the two kinds apart.
#include <cstddef>

namespace utf8 {

inline bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// The length of the well-formed UTF-8 character at p (at most `left` bytes there), 0 when
// the bytes are none. Overlong forms, surrogates and values past U+10FFFF are none.
inline std::size_t CharacterLength(const unsigned char* p, std::size_t left) {
  if (left == 0) return 0;
  const unsigned char c = p[0];
  if (c < 0x80) return 1;
  std::size_t n;
  unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
  if (c >= 0xC2 && c <= 0xDF) {
    n = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3;
    if (c == 0xE0) low = 0xA0;
    if (c == 0xED) high = 0x9F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4;
    if (c == 0xF0) low = 0x90;
    if (c == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (left < n || p[1] < low || p[1] > high) return 0;
  for (std::size_t i = 2; i < n; ++i)
    if (!IsContinuation(p[i])) return 0;
  return n;
}

// The length of `text` (`size` bytes) cut to at most `limit` bytes, shortened so that no
// well-formed UTF-8 character is split; single bytes of other encodings cut anywhere.
inline std::size_t CutLength(const char* text, std::size_t size, std::size_t limit) {
  if (size <= limit) return size;
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  if (!IsContinuation(p[limit])) return limit;
  for (std::size_t back = 1; back <= 3 && back <= limit; ++back) {
    const std::size_t start = limit - back;
    if (IsContinuation(p[start])) continue;
    const std::size_t n = CharacterLength(p + start, size - start);
    return n > back ? start : limit;
  }
  return limit;
}

}  // namespace utf8
