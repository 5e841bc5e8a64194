#include "app/GUIMessageQueue.h"

void GUIMessageQueue::Clear() {
  readIndex_.store(0, std::memory_order_relaxed);
  writeIndex_.store(0, std::memory_order_release);
}

void GUIMessageQueue::Post(const tagUX_Message& msg) {
  const uint16_t w = writeIndex_.load(std::memory_order_relaxed);
  const uint16_t slot = w < kSlots ? w : 0;
  slots_[slot] = msg;
  writeIndex_.store(static_cast<uint16_t>(slot + 1), std::memory_order_release);
}

bool GUIMessageQueue::Take(tagUX_Message& out) {
  const uint16_t r = readIndex_.load(std::memory_order_relaxed);
  if (r == writeIndex_.load(std::memory_order_acquire)) return false;
  const uint16_t slot = r < kSlots ? r : 0;
  out = slots_[slot];
  readIndex_.store(static_cast<uint16_t>(slot + 1), std::memory_order_release);
  return true;
}
