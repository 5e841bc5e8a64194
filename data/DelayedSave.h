#pragma once
// The delayed save of a document: whoever changes the data arms a countdown, the audio
// thread counts it down once per period, and when it runs out the GUI tick writes the file.
// Further changes restart the count, so the file is written once, some seconds after the
// last change. Tick runs on the audio thread: atomics only, no lock, no allocation.
#include <atomic>
#include <cstdint>

class DelayedSave {
 public:
  // 1720 periods of 128 frames at 48 kHz: about 4.587 s.
  static constexpr int32_t kPeriods = 1720;

  // Counts `periods` (> 0) from now; the save falls due on the periods-th following Tick.
  void Arm(int32_t periods = kPeriods);
  // Once per audio period.
  void Tick();
  // True once when the save has fallen due, clearing it.
  bool TakePending();
  // Forgets a running count and a due save.
  void Clear();

  int32_t Countdown() const { return countdown_.load(std::memory_order_relaxed); }
  bool Pending() const { return pending_.load(std::memory_order_relaxed); }

 private:
  static_assert(std::atomic<int32_t>::is_always_lock_free && std::atomic<bool>::is_always_lock_free);
  std::atomic<int32_t> countdown_{0};
  std::atomic<bool> pending_{false};
};
