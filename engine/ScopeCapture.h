#pragma once
// Oscilloscope capture of one voice signal for the display: 256 consecutive samples that
// start at a rising zero crossing, taken over three blocks and then held until the reader
// lets go of them. The render thread writes; a display thread reads without a lock.
#include <atomic>
#include <cstdint>

class ScopeCapture {
 public:
  static constexpr int32_t kHalf = 128;  // samples per capture buffer, also the block it reads
  enum State : int32_t { kArmed = 0, kFirstPart = 1, kLastPart = 2, kComplete = 3 };

  // Render thread, once per block of kHalf samples.
  void Process(const float* block);
  // Render thread: back to armed, buffers kept (voice reset).
  void Reset();

  // Display thread: the two buffers are stable while Complete() holds and until Release().
  bool Complete() const { return state_.load(std::memory_order_acquire) == kComplete; }
  const float* First() const { return buffer_[0]; }
  const float* Second() const { return buffer_[1]; }
  void Release() { hold_.store(0, std::memory_order_release); }

  int32_t state() const { return state_.load(std::memory_order_relaxed); }
  int32_t count() const { return count_; }

 private:
  // Sign carried across blocks: none yet (a first non-negative sample counts as a rising
  // crossing), last below zero, last at or above zero.
  enum Sign : uint8_t { kNoSign = 0, kNegative = 1, kNonNegative = 2 };

  std::atomic<int32_t> state_{kArmed};
  int32_t start_ = -1;
  int32_t count_ = 0;
  uint8_t trigger_ = kNoSign;
  std::atomic<uint8_t> hold_{0};
  float buffer_[2][kHalf] = {};
};
