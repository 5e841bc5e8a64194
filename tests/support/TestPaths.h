#pragma once
// A temporary data root for a test: created empty, set as the platform data root, and
// removed with everything below it when the object goes away.
#include <string>

namespace testing_support {

class TempDataRoot {
 public:
  TempDataRoot();
  ~TempDataRoot();
  TempDataRoot(const TempDataRoot&) = delete;
  TempDataRoot& operator=(const TempDataRoot&) = delete;

  const std::string& Root() const { return root_; }
  // Creates root + absoluteDir and its parents; returns the full path.
  std::string MakeDir(const std::string& absoluteDir) const;

 private:
  std::string root_;
};

// Directory of the source tree (for fixtures committed next to the tests).
std::string SourceDir();

}  // namespace testing_support
