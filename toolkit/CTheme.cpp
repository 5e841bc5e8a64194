#include "toolkit/CTheme.h"

#include <algorithm>
#include <mutex>
#include <optional>

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

// What each (role, widget, element, cascade) question was answered with while the table
// stood unchanged. Widgets ask the same questions on every paint; answering them afresh
// means joining names into new strings each time, a few hundred allocations a page.
struct LookUpCache {
  std::mutex lock;
  uint64_t changes = ~uint64_t{0};
  std::map<std::string, std::optional<uxCOLOR>, std::less<>> answers;
};

LookUpCache& Cache() {
  static LookUpCache cache;
  return cache;
}

std::optional<uxCOLOR> Entry(const std::string& name) {
  const auto it = CTheme::AppColors.find(name);
  return it == CTheme::AppColors.end() ? std::nullopt : std::optional<uxCOLOR>(it->second);
}

std::optional<uxCOLOR> Resolve(const std::string& role, const std::string& key, const std::string& name,
                               bool cascade) {
  if (auto c = Entry(name + key + role)) return c;
  if (!cascade) return std::nullopt;
  for (const std::string& k : {name + role, key + role, role}) {
    if (auto c = Entry(k)) return c;
  }
  return std::nullopt;
}

}  // namespace

CTheme::ColourTable CTheme::AppColors;

std::size_t CTheme::ColourTable::erase(std::string_view name) {
  const auto it = map_.find(name);
  if (it == map_.end()) return 0;
  ++changes_;
  map_.erase(it);
  return 1;
}

void CTheme::Init() {
  std::lock_guard<std::mutex> hold(Cache().lock);
  for (const NamedColour& d : kDefaults) AppColors[d.name] = d.colour;
}

uxCOLOR CTheme::ColorFromName(const std::string& role, const std::string& key, const std::string& name,
                              uxCOLOR fallback, bool cascade) {
  LookUpCache& cache = Cache();
  std::lock_guard<std::mutex> hold(cache.lock);
  if (cache.changes != AppColors.Changes()) {
    cache.answers.clear();
    cache.changes = AppColors.Changes();
  }
  // The question as one key, built on the stack so that a repeated question costs no
  // allocation. The parts are kept apart by a byte no name holds.
  char question[256];
  const std::size_t length = role.size() + key.size() + name.size() + 4;
  if (length > sizeof question) return Resolve(role, key, name, cascade).value_or(fallback);
  char* p = question;
  for (const std::string* part : {&role, &key, &name}) {
    p = std::copy(part->begin(), part->end(), p);
    *p++ = '\0';
  }
  *p = cascade ? 'c' : 'x';
  const std::string_view asked(question, length);
  auto it = cache.answers.find(asked);
  if (it == cache.answers.end()) it = cache.answers.emplace(std::string(asked), Resolve(role, key, name, cascade)).first;
  return it->second.value_or(fallback);
}

void CTheme::SetNamedColor(const std::string& name, uxCOLOR colour) {
  std::lock_guard<std::mutex> hold(Cache().lock);
  AppColors[name] = colour;
}

uxCOLOR CTheme::SetNamedColor(const std::string& name, uint8_t r, uint8_t g, uint8_t b) {
  const uxCOLOR c = ColorFromRGB(r, g, b);
  SetNamedColor(name, c);
  return c;
}

void CTheme::DeleteNamedColor(const std::string& name) {
  std::lock_guard<std::mutex> hold(Cache().lock);
  AppColors.erase(name);
}
