#pragma once
// The client log ("logClient.txt" in the working folder): one "MESSAGE <text>" line for each
// preset load and each text a script logs. It is kept to a bounded size: once it holds
// kMaxBytes, it becomes "logClient.old.txt" (replacing the one before) and a new log starts,
// so the two together never hold much more than twice that.
#include <cstddef>

namespace platform {

class ClientLog {
 public:
  static constexpr const char* kPath = "/var/lib/ruv/working/logClient.txt";
  static constexpr const char* kOldPath = "/var/lib/ruv/working/logClient.old.txt";
  static constexpr std::size_t kMaxBytes = 256 * 1024;

  // Appends the line; from any thread but a real-time one. Nothing is written (and nothing
  // fails) when the folder is missing.
  static void Append(const char* text);
};

}  // namespace platform
