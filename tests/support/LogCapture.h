#pragma once
// Captures what goes through the platform log sink into a fixed buffer (no allocation, so
// it can be used together with the allocation counter on a render thread). Threads may log
// at once; read the text after they have stopped (Text() first hands on the lines that
// real-time threads left in the log ring).
#include <atomic>
#include <string>

namespace testing_support {

class LogCapture {
 public:
  LogCapture();
  ~LogCapture();
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  std::string Text() const;
  void Clear();

 private:
  static void Sink(const char* text, void* self);
  static constexpr std::size_t kCapacity = 1 << 16;
  char buffer_[kCapacity];
  std::atomic<std::size_t> length_{0};
};

}  // namespace testing_support
