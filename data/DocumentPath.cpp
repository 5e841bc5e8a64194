#include "data/DocumentPath.h"

#include <cstring>

#include "platform/LogSink.h"

namespace document_path {
namespace {

bool SafeName(const char* name) {
  if (!name || !*name || *name == '/') return false;
  for (const char* p = name; *p; ++p)
    if (static_cast<unsigned char>(*p) < 0x20 || *p == 0x7F) return false;
  // ".." as a whole component, wherever it stands.
  for (const char* p = name; *p;) {
    const char* end = std::strchr(p, '/');
    const std::size_t len = end ? static_cast<std::size_t>(end - p) : std::strlen(p);
    if (len == 2 && p[0] == '.' && p[1] == '.') return false;
    p += len;
    if (*p == '/') ++p;
  }
  return true;
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

}  // namespace document_path
