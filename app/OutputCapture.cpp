#include "app/OutputCapture.h"

void ScopeChannel::Feed(const float* samples, int count) {
  int32_t state = state_.load(std::memory_order_acquire);
  if (state == kFull) return;
  for (int i = 0; i < count && state != kFull; ++i) {
    const float s = samples[i];
    if (state == kWait) {
      if (s < 0.0f) state = kArmed;
    } else if (state == kArmed) {
      if (s > 0.0f) {
        state = kCapturing;
        index_ = 0;
        capturing_ = length_.load(std::memory_order_relaxed);
      }
    } else {
      samples_[index_++] = s * 2.0f;
      if (index_ >= capturing_) state = kFull;
    }
  }
  // The display resets only a full capture, which this period did not touch.
  state_.store(state, std::memory_order_release);
}

void ScopeChannel::SetLength(int samples) {
  if (samples < 1) samples = 1;
  if (samples > kMaxLength) samples = kMaxLength;
  length_.store(samples, std::memory_order_relaxed);
}
