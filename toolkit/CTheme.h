#pragma once
// The named-colour table widgets look their colours up in: the most specific of
// element + widget + role, element + role, widget + role and role wins, so a script can
// recolour one widget, one kind of widget or every user of a role.
#include <map>
#include <string>

#include "toolkit/uxDefs.h"

class CTheme {
 public:
  static void Init();
  static uxCOLOR ColorFromName(const std::string& role, const std::string& key = "", const std::string& name = "",
                               uxCOLOR fallback = 0, bool cascade = true);
  static void SetNamedColor(const std::string& name, uxCOLOR colour);
  static uxCOLOR SetNamedColor(const std::string& name, uint8_t r, uint8_t g, uint8_t b);
  static void DeleteNamedColor(const std::string& name);
  static constexpr uxCOLOR ColorFromRGB(uint8_t r, uint8_t g, uint8_t b) { return r * 65536u + g * 256u + b; }

  // Shared by the whole program; empty until Init.
  static std::map<std::string, uxCOLOR> AppColors;
};
