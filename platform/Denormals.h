#pragma once
// NEON flushes denormals to zero; x86 does not and slows down by orders of magnitude on
// decaying filter states. Real-time threads and DSP fixtures switch flushing on.

namespace platform {

// Sets flush-to-zero and denormals-are-zero for the calling thread.
void EnableFlushToZero();
// True when the calling thread currently flushes denormals.
bool FlushToZeroEnabled();

// Switches flushing on for a scope and restores the previous mode on exit.
class ScopedFlushToZero {
 public:
  ScopedFlushToZero();
  ~ScopedFlushToZero();
  ScopedFlushToZero(const ScopedFlushToZero&) = delete;
  ScopedFlushToZero& operator=(const ScopedFlushToZero&) = delete;

 private:
  unsigned saved_;
};

}  // namespace platform
