#pragma once
// Where the instrument's texts (UTF-8, as names come from files and the host) meet its fonts,
// whose 256 glyphs are in code-page-437 order.
#include <cstddef>

namespace ux {

struct GlyphCode {
  int code;          // the glyph's place in the font, or -1: no glyph of the font's order
  std::size_t size;  // bytes of the text it stands for
  bool decoded;      // a UTF-8 sequence of two or more bytes, not a byte taken by itself
};

// The character at the start of `text`: a well-formed UTF-8 sequence gives the code-page-437
// place of its code point (-1 where that order has none); any other byte stands for itself.
GlyphCode NextGlyphCode(const char* text);

}  // namespace ux
