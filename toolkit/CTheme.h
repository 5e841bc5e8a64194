#pragma once
// The named-colour table widgets look their colours up in: the most specific of
// element + widget + role, element + role, widget + role and role wins, so a script can
// recolour one widget, one kind of widget or every user of a role.
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "toolkit/uxDefs.h"

class CTheme {
 public:
  // The table itself. It counts its changes, so the look-ups that widgets repeat on every
  // paint can be answered from a cache that a change of any entry, by whatever path, drops.
  class ColourTable {
   public:
    using Map = std::map<std::string, uxCOLOR, std::less<>>;
    // Writable access counts as a change, whether or not the caller then writes.
    uxCOLOR& operator[](const std::string& name) {
      ++changes_;
      return map_[name];
    }
    std::size_t erase(std::string_view name);
    void clear() {
      ++changes_;
      map_.clear();
    }
    std::size_t count(std::string_view name) const { return map_.count(name); }
    Map::const_iterator find(std::string_view name) const { return map_.find(name); }
    Map::const_iterator begin() const { return map_.begin(); }
    Map::const_iterator end() const { return map_.end(); }
    std::size_t size() const { return map_.size(); }
    bool empty() const { return map_.empty(); }
    uint64_t Changes() const { return changes_; }

   private:
    Map map_;
    uint64_t changes_ = 0;
  };

  static void Init();
  static uxCOLOR ColorFromName(const std::string& role, const std::string& key = "", const std::string& name = "",
                               uxCOLOR fallback = 0, bool cascade = true);
  static void SetNamedColor(const std::string& name, uxCOLOR colour);
  static uxCOLOR SetNamedColor(const std::string& name, uint8_t r, uint8_t g, uint8_t b);
  static void DeleteNamedColor(const std::string& name);
  static constexpr uxCOLOR ColorFromRGB(uint8_t r, uint8_t g, uint8_t b) { return r * 65536u + g * 256u + b; }

  // Shared by the whole program; empty until Init.
  static ColourTable AppColors;
};
