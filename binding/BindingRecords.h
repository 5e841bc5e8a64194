#pragma once
// Records scripts build that the toolkit itself has no use for: the short enumeration entry
// and the icon pair. Plain data, as the toolkit's own records.
#include <cstdint>
#include <cstring>

namespace tovgui {

// A NUL-terminated copy in storage the entry frees with delete[].
inline char* CopyText(const char* text) {
  const std::size_t size = std::strlen(text) + 1;
  return static_cast<char*>(std::memcpy(new char[size], text, size));
}

}  // namespace tovgui

// A choice number and its text. The entry owns the text only when its setter made it, which
// in the module is always: scripts have no other way to fill it.
typedef struct tagENUM {
  uint8_t val = 0;
  const char* text = nullptr;

  tagENUM() = default;
  ~tagENUM() { delete[] text; }
  tagENUM(const tagENUM&) = delete;
  tagENUM& operator=(const tagENUM&) = delete;
} tENUM;

// Icon numbers for the normal and the greyed state.
typedef struct tagStdIconItem {
  int index = 0;
  int indexGreyed = 0;
} tStdIconItem;
