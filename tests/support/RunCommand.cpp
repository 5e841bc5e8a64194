#include "tests/support/RunCommand.h"

#include <sys/wait.h>

#include <cstdio>

namespace testing_support {

CommandOutput RunCommand(const std::string& command) {
  CommandOutput out;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return out;
  char buffer[65536];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.text.append(buffer, got);
  const int status = pclose(pipe);
  out.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return out;
}

}  // namespace testing_support
