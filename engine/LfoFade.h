#pragma once
#include <cstdint>

// Delay-then-fade-in gain for an LFO, stepped once per block: a note on fades the present
// value out in 10 ms, waits the delay and fades back in over 10 ms.
class LfoFade {
 public:
  enum State : int32_t { kRearm = 0, kWaiting = 1, kFadingIn = 2, kFull = 3, kFadingOut = 4 };

  LfoFade() = default;

  // Blocks per second; both fades then take 10 ms.
  void SetBlockRate(float blocksPerSecond);
  // Seconds; 0 or less keeps the value at 1.0.
  void SetDelay(float seconds) { delaySeconds_ = seconds; }

  void Trigger() {
    triggerRequest_ = 1;
    running_ = 1;
  }
  void Release() { running_ = 0; }
  float Process();
  float Value() const { return value_; }
  int32_t state() const { return state_; }

 private:
  int32_t DelayBlocks() const;
  float FadeOut();

  int32_t state_ = kFull;
  uint8_t triggerRequest_ = 0;
  uint8_t running_ = 0;
  int32_t countdown_ = 0;
  float value_ = 1.0f;
  float fadeInStep_ = 0.0f;
  float fadeOutStep_ = 0.0f;
  float delaySeconds_ = 0.0f;
  float blockRate_ = 0.0f;
};
