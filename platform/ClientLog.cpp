#include "platform/ClientLog.h"

#include <sys/stat.h>

#include <cstdio>
#include <mutex>
#include <string>

#include "platform/Paths.h"

namespace platform {

void ClientLog::Append(const char* text) {
  if (text == nullptr) return;
  // Loads on several threads append; only one of them may move the log aside.
  static std::mutex mutex;
  std::lock_guard<std::mutex> lock(mutex);
  const std::string path = DataPath(kPath);
  struct stat st {};
  if (stat(path.c_str(), &st) == 0 && static_cast<std::size_t>(st.st_size) >= kMaxBytes)
    std::rename(path.c_str(), DataPath(kOldPath).c_str());
  std::FILE* log = std::fopen(path.c_str(), "a");
  if (!log) return;
  std::fprintf(log, "MESSAGE <%s>\n", text);
  std::fclose(log);
}

}  // namespace platform
