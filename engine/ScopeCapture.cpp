#include "engine/ScopeCapture.h"

#include <cstring>

namespace {
// The fill a reader sees where no sample has landed yet.
constexpr int kUnfilledByte = 99;
}  // namespace

void ScopeCapture::Process(const float* block) {
  switch (state_.load(std::memory_order_relaxed)) {
    case kArmed: {
      uint8_t trigger = trigger_;
      // The last sample is left out so that a crossing always has a sample after it.
      for (int32_t i = 0; i < kHalf - 1; ++i) {
        if (block[i] >= 0.0f) {
          if (trigger != kNonNegative) start_ = i;
          trigger = kNonNegative;
        } else {
          trigger = kNegative;
        }
      }
      trigger_ = trigger;
      if (start_ < 0) return;
      std::memset(buffer_, kUnfilledByte, sizeof(buffer_));
      std::memcpy(buffer_[0], block + start_, sizeof(float) * (kHalf - start_));
      count_ = start_;
      start_ = -1;
      state_.store(kFirstPart, std::memory_order_relaxed);
      return;
    }
    case kFirstPart:
      std::memcpy(buffer_[0] + (kHalf - count_), block, sizeof(float) * count_);
      std::memcpy(buffer_[1], block + count_, sizeof(float) * (kHalf - count_));
      hold_.store(1, std::memory_order_relaxed);
      state_.store(kLastPart, std::memory_order_relaxed);
      return;
    case kLastPart:
      std::memcpy(buffer_[1] + (kHalf - count_), block, sizeof(float) * count_);
      state_.store(kComplete, std::memory_order_release);
      return;
    default:
      if (hold_.load(std::memory_order_acquire) != 0) return;
      trigger_ = kNoSign;
      state_.store(kArmed, std::memory_order_relaxed);
      return;
  }
}

void ScopeCapture::Reset() {
  state_.store(kArmed, std::memory_order_relaxed);
  start_ = -1;
  count_ = 0;
  trigger_ = kNoSign;
  hold_.store(0, std::memory_order_relaxed);
}
