#include "toolkit/CTheme.h"

namespace {

struct NamedColour {
  const char* name;
  uxCOLOR colour;
};

constexpr NamedColour kDefaults[] = {
    {"Fg", 0xFFFFFF},
    {"FgAcc", 0xA3A3A3},
    {"Bg", 0x333333},
    {"BgAcc", 0x5C5C5C},
    {"Border", 0x1F1F1F},
    {"BorderAcc", 0x0A0A0A},
    {"Text", 0x8F8F8F},
    {"TextAcc", 0x0A0A0A},
    {"TitleBg", 0x505050},
    {"TitleText", 0x000000},
    {"TitleTextBg", 0xA40000},
};

}  // namespace

std::map<std::string, uxCOLOR> CTheme::AppColors;

void CTheme::Init() {
  for (const NamedColour& d : kDefaults) AppColors[d.name] = d.colour;
}

uxCOLOR CTheme::ColorFromName(const std::string& role, const std::string& key, const std::string& name,
                              uxCOLOR fallback, bool cascade) {
  if (auto it = AppColors.find(name + key + role); it != AppColors.end()) return it->second;
  if (!cascade) return fallback;
  for (const std::string& k : {name + role, key + role, role}) {
    if (auto it = AppColors.find(k); it != AppColors.end()) return it->second;
  }
  return fallback;
}

void CTheme::SetNamedColor(const std::string& name, uxCOLOR colour) { AppColors[name] = colour; }

uxCOLOR CTheme::SetNamedColor(const std::string& name, uint8_t r, uint8_t g, uint8_t b) {
  const uxCOLOR c = ColorFromRGB(r, g, b);
  AppColors[name] = c;
  return c;
}

void CTheme::DeleteNamedColor(const std::string& name) { AppColors.erase(name); }
