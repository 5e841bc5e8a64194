#include "tests/support/TestPaths.h"

#include <cstdlib>
#include <filesystem>

#include "platform/Paths.h"

namespace testing_support {

TempDataRoot::TempDataRoot() {
  std::string templ = (std::filesystem::temp_directory_path() / "synthtest-XXXXXX").string();
  if (char* made = mkdtemp(templ.data())) root_ = made;
  platform::SetDataRoot(root_);
}

TempDataRoot::~TempDataRoot() {
  platform::SetDataRoot("");
  std::error_code ec;
  if (!root_.empty()) std::filesystem::remove_all(root_, ec);
}

std::string TempDataRoot::MakeDir(const std::string& absoluteDir) const {
  const std::string full = root_ + absoluteDir;
  std::error_code ec;
  std::filesystem::create_directories(full, ec);
  return full;
}

std::string SourceDir() {
  const char* dir = std::getenv("SYNTH_TEST_SOURCE_DIR");
  return dir ? dir : SYNTH_SOURCE_DIR;
}

}  // namespace testing_support
