#include "data/DocumentPath.h"

#include <cstring>

#include "platform/LogSink.h"
#include "platform/Paths.h"

namespace document_path {
namespace {

// No empty component (a leading '/', "//" or a trailing '/'), no ".." component, no
// control characters.
bool SafeName(const char* name) {
  if (!name || name[0] == 0) return false;
  const char* component = name;
  for (const char* p = name;; ++p) {
    const auto c = static_cast<unsigned char>(*p);
    if (c == '/' || c == 0) {
      const std::size_t length = static_cast<std::size_t>(p - component);
      if (length == 0) return false;
      if (length == 2 && component[0] == '.' && component[1] == '.') return false;
      if (c == 0) return true;
      component = p + 1;
    } else if (c < 0x20 || c == 0x7F) {
      return false;
    }
  }
}

}  // namespace

bool Make(const char* dir, const char* name, const char* ext, std::string& path) {
  if (!SafeName(name) || std::strlen(dir) + std::strlen(name) + std::strlen(ext) > kMaxPath) {
    platform::LogPrintf("Document name refused: <%.200s>\r\n", name ? name : "(null)");
    return false;
  }
  path = std::string(dir) + name + ext;
  return true;
}

bool MakeRooted(const char* dir, const char* name, const char* ext, std::string& path) {
  std::string relative;
  if (!Make(dir, name, ext, relative)) return false;
  path = platform::DataPath(relative);
  return true;
}

}  // namespace document_path
