#include "data/Base64Decode.h"

namespace Base64 {
namespace {

constexpr int kBad = -1;

// Value of one character in either alphabet, kBad outside both.
constexpr int Value(uint8_t c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+' || c == '-') return 62;
  if (c == '/' || c == '_') return 63;
  return kBad;
}

constexpr bool IsPad(uint8_t c) { return c == '=' || c == '.'; }

struct ValueTable {
  int8_t v[256];
};

constexpr ValueTable MakeTable() {
  ValueTable t{};
  for (int c = 0; c < 256; ++c) t.v[c] = static_cast<int8_t>(Value(static_cast<uint8_t>(c)));
  return t;
}

constexpr ValueTable kValues = MakeTable();

}  // namespace

int32_t Decode(const char* text, size_t available, std::vector<uint8_t>& out, char terminator) {
  const auto* s = reinterpret_cast<const uint8_t*>(text);
  const auto term = static_cast<uint8_t>(terminator);
  // The count is returned as int32_t; documents are capped well below that.
  if (available > static_cast<size_t>(INT32_MAX)) available = static_cast<size_t>(INT32_MAX);
  // Room for every byte the text can give, written through a pointer and trimmed at the end.
  const size_t first = out.size();
  out.resize(first + (available / 4 + 1) * 3);
  uint8_t* w = out.data() + first;
  size_t pos = 0;
  while (pos < available && s[pos] != term) {
    // How many characters of this group exist before the terminator or the end.
    size_t n = 1;
    while (n < 4 && pos + n < available && s[pos + n] != term) ++n;
    if (n == 1) {
      out.resize(first);
      return -1;
    }

    int a = kValues.v[s[pos]];
    if (a == kBad) a = 63;
    const int b = kValues.v[s[pos + 1]];
    if (b == kBad) {
      out.resize(first);
      return -1;
    }
    *w++ = static_cast<uint8_t>((a << 2) + (b >> 4));

    int c = 0;
    if (n >= 3) {
      if (IsPad(s[pos + 2])) {
        c = 0;  // a pad in the third place: a non-pad fourth still contributes, over a zero c
      } else {
        c = kValues.v[s[pos + 2]];
        if (c == kBad) {
          out.resize(first);
          return -1;
        }
        *w++ = static_cast<uint8_t>((b << 4) + (c >> 2));
      }
    }
    if (n == 4 && !IsPad(s[pos + 3])) {
      int d = kValues.v[s[pos + 3]];
      if (d == kBad) d = 255;
      *w++ = static_cast<uint8_t>((c << 6) + d);
    }
    pos += n;
  }
  out.resize(static_cast<size_t>(w - out.data()));
  return static_cast<int32_t>(pos);
}

}  // namespace Base64
