#include "platform/LogRing.h"

#include <cstring>

namespace platform {

LogRing::LogRing() {
  for (uint32_t i = 0; i < kLines; ++i) cells_[i].sequence.store(i, std::memory_order_relaxed);
}

bool LogRing::Push(const char* text) {
  uint32_t position = head_.load(std::memory_order_relaxed);
  Cell* cell;
  for (;;) {
    cell = &cells_[position % kLines];
    const int32_t lag = static_cast<int32_t>(cell->sequence.load(std::memory_order_acquire) - position);
    if (lag == 0) {
      // The cell is free for this position: claim it against the other writers.
      if (head_.compare_exchange_weak(position, position + 1, std::memory_order_relaxed)) break;
    } else if (lag < 0) {
      dropped_.fetch_add(1, std::memory_order_relaxed);  // the reader is a whole ring behind
      return false;
    } else {
      position = head_.load(std::memory_order_relaxed);
    }
  }
  std::size_t n = std::strlen(text);
  if (n > kLineBytes - 1) n = kLineBytes - 1;
  std::memcpy(cell->text, text, n);
  cell->text[n] = '\0';
  cell->sequence.store(position + 1, std::memory_order_release);
  return true;
}

}  // namespace platform
