#pragma once
// The GUI thread's inbox for toolkit messages posted from elsewhere (the SIGUSR1 handler,
// the table control, the pages' encoder push): seven records, copied whole. It has no full
// test: a producer seven messages ahead of the GUI thread overwrites the ones not yet
// delivered. Index 7 stands for slot 0, so the two indices run 0..7. They are atomics
// because the producers (one of them a signal handler) and the GUI thread run apart.
#include <atomic>
#include <cstdint>

#include "toolkit/uxDefs.h"

class GUIMessageQueue {
 public:
  static constexpr uint16_t kSlots = 7;

  GUIMessageQueue() = default;

  void Clear();
  // Safe in a signal handler: no lock, no allocation.
  void Post(const tagUX_Message& msg);
  // The oldest undelivered message into `out`; false when there is none.
  bool Take(tagUX_Message& out);

  uint16_t ReadIndex() const { return readIndex_.load(std::memory_order_relaxed); }
  uint16_t WriteIndex() const { return writeIndex_.load(std::memory_order_relaxed); }

 private:
  tagUX_Message slots_[kSlots];
  std::atomic<uint16_t> readIndex_{0};
  std::atomic<uint16_t> writeIndex_{0};
};

static_assert(std::atomic<uint16_t>::is_always_lock_free, "the queue is posted to from a signal handler");
