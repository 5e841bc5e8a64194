#pragma once
// Bounded queue of log lines that real-time threads fill without a lock, a system call or an
// allocation, and that one non-real-time thread at a time empties in the order the lines
// were queued. A full queue refuses the line (and counts it) rather than wait.
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace platform {

class LogRing {
 public:
  static constexpr std::size_t kLineBytes = 1024;  // as LogPrintf's longest line, NUL included
  static constexpr uint32_t kLines = 256;  // a chord of note starts on every engine thread at once

  LogRing();
  LogRing(const LogRing&) = delete;
  LogRing& operator=(const LogRing&) = delete;

  // Any thread. False when the ring is full; longer lines are cut to kLineBytes - 1.
  bool Push(const char* text);
  // One consumer at a time (the caller serialises). Hands the oldest line to `take` and
  // returns true, or returns false when nothing is queued.
  template <class Take>
  bool Pop(Take&& take) {
    Cell& cell = cells_[tail_ % kLines];
    if (static_cast<int32_t>(cell.sequence.load(std::memory_order_acquire) - (tail_ + 1)) < 0) return false;
    take(static_cast<const char*>(cell.text));
    cell.sequence.store(tail_ + kLines, std::memory_order_release);
    ++tail_;
    return true;
  }
  uint64_t Dropped() const { return dropped_.load(std::memory_order_relaxed); }

 private:
  static_assert((kLines & (kLines - 1)) == 0, "the sequence arithmetic wraps with the index");
  struct Cell {
    std::atomic<uint32_t> sequence;  // = position when free, position + 1 when filled
    char text[kLineBytes];
  };

  Cell cells_[kLines];
  std::atomic<uint32_t> head_{0};
  uint32_t tail_ = 0;
  std::atomic<uint64_t> dropped_{0};
};

}  // namespace platform
