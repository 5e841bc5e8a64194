#include "data/DelayedSave.h"

void DelayedSave::Arm(int32_t periods) {
  if (periods > 0) countdown_.store(periods, std::memory_order_relaxed);
}

void DelayedSave::Tick() {
  int32_t count = countdown_.load(std::memory_order_relaxed);
  if (count == 0) return;
  // One attempt: when it fails a change has just re-armed the count, which wins.
  if (!countdown_.compare_exchange_strong(count, count - 1, std::memory_order_relaxed)) return;
  if (count == 1) pending_.store(true, std::memory_order_relaxed);
}

bool DelayedSave::TakePending() { return pending_.exchange(false, std::memory_order_relaxed); }

void DelayedSave::Clear() {
  countdown_.store(0, std::memory_order_relaxed);
  pending_.store(false, std::memory_order_relaxed);
}
