#include "engine/LfoFade.h"

#include "platform/ArmConvert.h"

void LfoFade::SetBlockRate(float blocksPerSecond) {
  blockRate_ = blocksPerSecond;
  fadeInStep_ = 1.0f / (0.01f * blockRate_);
  fadeOutStep_ = fadeInStep_;
}

int32_t LfoFade::DelayBlocks() const { return arm::ToInt32(delaySeconds_ * blockRate_); }

float LfoFade::FadeOut() {
  value_ -= fadeOutStep_;
  if (value_ <= 0.0f) {
    value_ = 0.0f;
    state_ = kWaiting;
  }
  return value_;
}

float LfoFade::Process() {
  if (delaySeconds_ <= 0.0f) {
    value_ = 1.0f;
    state_ = kFull;
    return 1.0f;
  }
  if (triggerRequest_) {
    triggerRequest_ = 0;
    state_ = kFadingOut;
    countdown_ = DelayBlocks();
    return FadeOut();
  }
  switch (state_) {
    case kRearm:
      state_ = kWaiting;
      value_ = 0.0f;
      countdown_ = DelayBlocks();
      return 0.0f;
    case kWaiting: {
      const int32_t before = countdown_;
      if (countdown_ > INT32_MIN) --countdown_;
      if (!running_) {
        state_ = kRearm;
      } else if (before <= 1) {
        state_ = kFadingIn;
      }
      return value_;
    }
    case kFadingIn:
      value_ += fadeInStep_;
      if (value_ >= 1.0f) {
        value_ = 1.0f;
        state_ = kFull;
      }
      return value_;
    case kFadingOut:
      return FadeOut();
    case kFull:
    default:
      return value_;
  }
}
