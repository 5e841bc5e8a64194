#pragma once
// A data root of one benchmark's own under /tmp, with `folder` made inside it, and the log
// silenced while it lives; at its end the log and the root are given back and the tree removed.
// A page's benchmark declares it after the GUIManager, so the manager is built before the root
// is set and outlives it, as the pages see on the board.
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "platform/LogSink.h"
#include "platform/Paths.h"

namespace app_bench {

class ScratchDataRoot {
 public:
  ScratchDataRoot(const char* name, const std::string& folder) {
    std::string pattern = std::string("/tmp/") + name + "_XXXXXX";
    root = ::mkdtemp(pattern.data()) ? pattern : "";
    platform::SetDataRoot(root);
    std::filesystem::create_directories(root + folder);
    platform::SetLogSink([](const char*, void*) {}, nullptr);
  }
  ~ScratchDataRoot() {
    platform::SetLogSink(nullptr, nullptr);
    platform::SetDataRoot("");
    if (!root.empty()) std::filesystem::remove_all(root);
  }
  ScratchDataRoot(const ScratchDataRoot&) = delete;
  ScratchDataRoot& operator=(const ScratchDataRoot&) = delete;

  std::string root;
};

}  // namespace app_bench
