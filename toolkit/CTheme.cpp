#include "toolkit/CTheme.h"

#include <algorithm>
#include <array>
#include <functional>
#include <mutex>
#include <string_view>

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

// The names a question is looked up under, most specific first: element + widget + role, then
// (with the cascade) element + role, widget + role and the role alone.
using Names = std::array<std::string, 4>;

// Widgets ask the same few hundred questions on every paint. Joining their names into new
// strings each time cost a few hundred allocations a page; the joined names are kept here,
// by question. The answers are not kept: the table is read every time, so a change made by
// any path (a script assigns it whole) shows at once. A script that keeps making widgets
// under new names would make the cache grow without end; past this many questions it starts
// afresh, which costs one allocating paint.
constexpr std::size_t kMaxQuestions = 4096;

struct NameCache {
  std::mutex lock;
  std::map<std::string, Names, std::less<>> names;
};

NameCache& Cache() {
  static NameCache cache;
  return cache;
}

Names Join(const std::string& role, const std::string& key, const std::string& name) {
  return {name + key + role, name + role, key + role, role};
}

uxCOLOR Find(const Names& names, uxCOLOR fallback, bool cascade) {
  for (std::size_t i = 0; i < (cascade ? names.size() : 1); ++i) {
    if (auto it = CTheme::AppColors.find(names[i]); it != CTheme::AppColors.end()) return it->second;
  }
  return fallback;
}

}  // namespace

std::map<std::string, uxCOLOR> CTheme::AppColors;

void CTheme::Init() {
  for (const NamedColour& d : kDefaults) AppColors[d.name] = d.colour;
}

uxCOLOR CTheme::ColorFromName(const std::string& role, const std::string& key, const std::string& name,
                              uxCOLOR fallback, bool cascade) {
  // The question as one key, built on the stack so that asking again costs no allocation.
  // The parts are kept apart by a byte no name holds.
  char question[256];
  const std::size_t length = role.size() + key.size() + name.size() + 2;
  if (length > sizeof question) return Find(Join(role, key, name), fallback, cascade);
  char* p = std::copy(role.begin(), role.end(), question);
  *p++ = '\0';
  p = std::copy(key.begin(), key.end(), p);
  *p++ = '\0';
  std::copy(name.begin(), name.end(), p);
  const std::string_view asked(question, length);

  NameCache& cache = Cache();
  std::lock_guard<std::mutex> hold(cache.lock);
  auto it = cache.names.find(asked);
  if (it == cache.names.end()) {
    if (cache.names.size() >= kMaxQuestions) cache.names.clear();
    it = cache.names.emplace(std::string(asked), Join(role, key, name)).first;
  }
  return Find(it->second, fallback, cascade);
}

void CTheme::SetNamedColor(const std::string& name, uxCOLOR colour) { AppColors[name] = colour; }

uxCOLOR CTheme::SetNamedColor(const std::string& name, uint8_t r, uint8_t g, uint8_t b) {
  const uxCOLOR c = ColorFromRGB(r, g, b);
  AppColors[name] = c;
  return c;
}

void CTheme::DeleteNamedColor(const std::string& name) { AppColors.erase(name); }
