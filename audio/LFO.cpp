#include "audio/LFO.h"

#include <cmath>

namespace {

constexpr float kPi = 3.1415927f;
constexpr float kTwoPi = 6.2831855f;

}  // namespace

bool LFO::Reset(float sampleRate) {
  sampleRate_ = sampleRate;
  phase_ = 0.0f;
  quadPhase_ = 0.25f;
  // frequency / 0 would make the phase, and every output after it, inf or NaN for good.
  increment_ = (sampleRate > 0.0f && std::isfinite(sampleRate)) ? frequency_ / sampleRate : 0.0f;
  return true;
}

float LFO::Shape(float p) const {
  switch (waveform_) {
    case kTriangle:
      return 2.0f * std::fabs(2.0f * p - 1.0f) - 1.0f;
    case kSine: {
      const float a = kPi - kTwoPi * p;
      const float y = k1_ * a + k2_ * a * std::fabs(a);
      return y + k3_ * (y * std::fabs(y) - y);
    }
    case kSaw:
      return 2.0f * p - 1.0f;
    default:
      return 0.0f;
  }
}

LfoOutput LFO::RenderOutput() {
  if (increment_ > 0.0f && phase_ >= 1.0f) {
    phase_ -= 1.0f;
  } else if (increment_ < 0.0f && phase_ <= 0.0f) {
    phase_ += 1.0f;
  }
  // One wrap is enough while |increment| < 1; a faster owner-set increment would walk the
  // phase out of 0..1 and the waveforms past +-1.
  if (!(phase_ >= 0.0f && phase_ <= 1.0f)) {
    phase_ = std::isfinite(phase_) ? phase_ - std::floor(phase_) : 0.0f;
  }
  quadPhase_ = phase_ + 0.25f;
  if (quadPhase_ >= 1.0f) quadPhase_ -= 1.0f;

  const float n = Shape(phase_);
  const float q = Shape(quadPhase_);
  phase_ += increment_;
  return {n, -n, q, -q};
}
