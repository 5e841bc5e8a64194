#pragma once
// Runs a shell command (an independent tool such as sox or Python) and collects its
// standard output and exit status, for tests that compare against it.
#include <string>

namespace testing_support {

struct CommandOutput {
  int status = -1;  // exit status; -1 when it could not run or did not exit normally
  std::string text;
};

CommandOutput RunCommand(const std::string& command);

}  // namespace testing_support
