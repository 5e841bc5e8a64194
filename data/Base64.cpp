#include "data/Base64.h"

#include <array>

namespace Base64 {
namespace {

struct Alphabet {
  const char* digits;
  char pad;
};

constexpr Alphabet kAlphabets[] = {
    {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/", '='},
    {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_", '.'},
};

constexpr uint8_t kInvalid = 0xFF;

// Character -> 6-bit value, both alphabets at once.
constexpr std::array<uint8_t, 256> MakeDecodeTable() {
  std::array<uint8_t, 256> t{};
  for (auto& v : t) v = kInvalid;
  for (int i = 0; i < 26; ++i) {
    t['A' + i] = static_cast<uint8_t>(i);
    t['a' + i] = static_cast<uint8_t>(26 + i);
  }
  for (int i = 0; i < 10; ++i) t['0' + i] = static_cast<uint8_t>(52 + i);
  t['+'] = t['-'] = 62;
  t['/'] = t['_'] = 63;
  return t;
}

constexpr std::array<uint8_t, 256> kDecode = MakeDecodeTable();

constexpr bool IsPad(uint8_t c) { return c == '=' || c == '.'; }

}  // namespace

std::string Encode(const void* data, std::size_t count, int alphabet) {
  const Alphabet& a = kAlphabets[alphabet == 1 ? 1 : 0];
  const auto* in = static_cast<const uint8_t*>(data);
  std::string out;
  out.resize((count + 2) / 3 * 4);
  char* o = out.data();
  std::size_t i = 0;
  for (; i + 3 <= count; i += 3) {
    const uint8_t b0 = in[i], b1 = in[i + 1], b2 = in[i + 2];
    *o++ = a.digits[b0 >> 2];
    *o++ = a.digits[((b0 << 4) & 0x30) + (b1 >> 4)];
    *o++ = a.digits[((b1 << 2) & 0x3C) + (b2 >> 6)];
    *o++ = a.digits[b2 & 0x3F];
  }
  const std::size_t rest = count - i;
  if (rest == 1) {
    const uint8_t b0 = in[i];
    *o++ = a.digits[b0 >> 2];
    *o++ = a.digits[(b0 << 4) & 0x30];
    *o++ = a.pad;
    *o++ = a.pad;
  } else if (rest == 2) {
    const uint8_t b0 = in[i], b1 = in[i + 1];
    *o++ = a.digits[b0 >> 2];
    *o++ = a.digits[((b0 << 4) & 0x30) + (b1 >> 4)];
    *o++ = a.digits[(b1 << 2) & 0x3C];
    *o++ = a.pad;
  }
  return out;
}

std::ptrdiff_t Decode(const char* text, std::size_t length, std::vector<uint8_t>& out, char terminator) {
  const auto* s = reinterpret_cast<const uint8_t*>(text);
  const auto term = static_cast<uint8_t>(terminator);
  // At most three bytes per started group of four characters.
  const std::size_t start = out.size();
  out.resize(start + (length / 4 + 1) * 3);
  uint8_t* o = out.data() + start;
  std::size_t pos = 0;
  bool bad = false;
  // Whole groups of four alphabet characters, the bulk of any sample, take the short way; a
  // terminator outside the alphabet cannot be among them.
  const bool fast = kDecode[term] == kInvalid;
  while (pos < length && s[pos] != term) {
    if (fast && pos + 4 <= length) {
      const uint8_t a = kDecode[s[pos]], b = kDecode[s[pos + 1]], c = kDecode[s[pos + 2]], d = kDecode[s[pos + 3]];
      if ((a | b | c | d) < 64) {
        o[0] = static_cast<uint8_t>((a << 2) | (b >> 4));
        o[1] = static_cast<uint8_t>((b << 4) | (c >> 2));
        o[2] = static_cast<uint8_t>((c << 6) | d);
        o += 3;
        pos += 4;
        continue;
      }
    }
    // The group ends early at the terminator or at the end of the text; nothing past either
    // is read.
    std::size_t n = 1;
    while (n < 4 && pos + n < length && s[pos + n] != term) ++n;
    const uint8_t* g = s + pos;
    if (n < 2 || kDecode[g[1]] == kInvalid) {
      bad = true;
      break;
    }
    // A first character outside the alphabet counts as 63, a fourth as 255: files written
    // with those quirks have always loaded.
    const uint8_t a = kDecode[g[0]] == kInvalid ? 63 : kDecode[g[0]];
    const uint8_t b = kDecode[g[1]];
    *o++ = static_cast<uint8_t>((a << 2) + (b >> 4));
    uint8_t c = 0;
    if (n >= 3 && !IsPad(g[2])) {
      c = kDecode[g[2]];
      if (c == kInvalid) {
        bad = true;
        break;
      }
      *o++ = static_cast<uint8_t>((b << 4) + (c >> 2));
    }
    if (n == 4 && !IsPad(g[3])) {
      const uint8_t d = kDecode[g[3]] == kInvalid ? 255 : kDecode[g[3]];
      *o++ = static_cast<uint8_t>((c << 6) + d);
    }
    pos += n;
  }
  out.resize(static_cast<std::size_t>(o - out.data()));
  return bad ? -1 : static_cast<std::ptrdiff_t>(pos);
}

}  // namespace Base64
