#pragma once
// The sixteen built-in bitmap fonts. Each table holds 256 glyphs in code-page-437 order; a
// glyph is `height` rows of ceil(width / 8) bytes, least significant bit = leftmost pixel.
// The tables are generated once by tools/fontgen/make_fonts.py (sources and licences in
// toolkit/fonts/NOTICE) and committed.
#include <cstdint>

namespace ux {

struct FontTable {
  uint16_t width;
  uint16_t height;
  const uint8_t* glyphs;
};

inline constexpr int kFontCount = 16;
extern const FontTable kFonts[kFontCount];

}  // namespace ux
