// The named-colour theme. All of it is static; the flat functions take no theme object.

%{
#include "toolkit/CTheme.h"
%}

// The theme's table is opaque to scripts (no map operations are wrapped): it can be read as
// a pointer and assigned back whole. Spelled as the toolkit's type so the texts read
// "map< std::string,uxCOLOR >".
class CTheme {
 public:
  static void Init();
  static void SetNamedColor(std::string name, uxCOLOR colour);
  static void SetNamedColor(std::string name, uint8_t red, uint8_t green, uint8_t blue);
  static void DeleteNamedColor(std::string name);
  static uxCOLOR ColorFromName(std::string name, std::string widget = "", std::string element = "",
                               uxCOLOR fallback = 0, bool tryShorter = true);
  static uxCOLOR ColorFromRGB(uint8_t red, uint8_t green, uint8_t blue);
  static map< std::string,uxCOLOR > AppColors;
};
