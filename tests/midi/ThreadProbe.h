#pragma once
// What the kernel says about this process's threads, and waiting on a condition with a
// time-out, for tests of objects that start named reader threads.
#include <dirent.h>
#include <sys/types.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace midi_test {

// Thread ids of this process whose name is `name`.
inline std::vector<pid_t> ThreadsNamed(const std::string& name) {
  std::vector<pid_t> ids;
  DIR* dir = opendir("/proc/self/task");
  if (!dir) return ids;
  while (dirent* e = readdir(dir)) {
    if (e->d_name[0] == '.') continue;
    std::ifstream comm(std::string("/proc/self/task/") + e->d_name + "/comm");
    std::string n;
    std::getline(comm, n);
    if (n == name) ids.push_back(std::atoi(e->d_name));
  }
  closedir(dir);
  return ids;
}

inline bool WaitUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds timeout = std::chrono::milliseconds(3000)) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::yield();
  }
  return true;
}

// True once no thread has that name. A joined thread leaves the kernel's task list a moment
// after pthread_join returns, so this waits briefly rather than looking once.
inline bool NoThreadNamed(const std::string& name) {
  return WaitUntil([&] { return ThreadsNamed(name).empty(); }, std::chrono::milliseconds(1000));
}

}  // namespace midi_test
