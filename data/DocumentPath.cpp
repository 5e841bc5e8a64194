#include "data/DocumentPath.h"

#include <cstring>

#include "platform/Paths.h"

namespace {

bool NameIsSafe(const char* name) {
  if (!name || name[0] == 0) return false;
  const char* component = name;
  for (const char* p = name;; ++p) {
    const auto c = static_cast<unsigned char>(*p);
    if (c == '/' || c == 0) {
      const std::size_t length = static_cast<std::size_t>(p - component);
      if (length == 0) return false;  // leading '/', "//" or a trailing '/'
      if (length == 2 && component[0] == '.' && component[1] == '.') return false;
      if (c == 0) return true;
      component = p + 1;
    } else if (c < 0x20 || c == 0x7F) {
      return false;
    }
  }
}

}  // namespace

bool DocumentPath(const char* folder, const char* name, const char* extension, std::string& path) {
  if (!NameIsSafe(name)) return false;
  path = platform::DataPath(std::string(folder) + name + extension);
  return true;
}
