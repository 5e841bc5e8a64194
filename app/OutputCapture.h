#pragma once
// The oscilloscope's copy of the mixed output: each channel waits for a negative sample,
// then for the rising zero crossing after it, and then records the signal (doubled) until
// its capture is full. A full capture stays as it is until the display has drawn it and
// resets the channel; until then the audio thread leaves it alone.
#include <atomic>
#include <cstdint>

class ScopeChannel {
 public:
  enum State : int32_t { kWait = 0, kArmed = 1, kCapturing = 2, kFull = 3 };
  static constexpr int kMaxLength = 512;
  // The display reads up to about twice the capture length; the rest of the buffer stays 0.
  static constexpr int kCapacity = 2 * kMaxLength;

  // Audio thread, once per period.
  void Feed(const float* samples, int count);

  // Display side. The length takes effect with the next capture; it is held to 1..kMaxLength.
  void SetLength(int samples);
  void Reset() { state_.store(kWait, std::memory_order_release); }
  int32_t GetState() const { return state_.load(std::memory_order_acquire); }
  int Length() const { return length_.load(std::memory_order_relaxed); }
  // Valid while the state is kFull.
  const float* Samples() const { return samples_; }

 private:
  std::atomic<int32_t> state_{kWait};
  std::atomic<int> length_{256};
  int index_ = 0;
  int capturing_ = 256;  // the length of the capture under way
  float samples_[kCapacity] = {};
};

struct OutputCapture {
  ScopeChannel channel[2];  // left, right
};
