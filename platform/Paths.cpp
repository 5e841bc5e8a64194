#include "platform/Paths.h"

namespace platform {
namespace {
std::string& Root() {
  static std::string root;
  return root;
}
}  // namespace

void SetDataRoot(std::string root) {
  while (!root.empty() && root.back() == '/') root.pop_back();
  Root() = std::move(root);
}

const std::string& DataRoot() { return Root(); }

std::string DataPath(const std::string& absolutePath) { return Root() + absolutePath; }

}  // namespace platform
