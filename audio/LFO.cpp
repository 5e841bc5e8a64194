#include "audio/LFO.h"

#include <cmath>

#include "platform/Simd4.h"

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

template <int32_t kWaveform>
void LFO::RenderNormalAs(float* out, int n) {
  using namespace v4;
  const float inc = increment_;
  int i = 0;
  for (; i + 4 <= n; i += 4) {
    // Phases accumulated one step at a time, as RenderOutput does, so they round alike.
    const float p0 = phase_;
    const float p1 = p0 + inc;
    const float p2 = p1 + inc;
    const float p3 = p2 + inc;
    // Within 0..1 and short of the wrap, RenderOutput would only shape and add.
    const bool plain = inc > 0.0f   ? p0 >= 0.0f && p3 < 1.0f
                       : inc < 0.0f ? p0 <= 1.0f && p3 > 0.0f
                                    : inc == 0.0f && p0 >= 0.0f && p0 <= 1.0f;
    if (!plain) {
      for (int k = 0; k < 4; ++k) out[i + k] = RenderOutput().normal;
      continue;
    }
    const f4 p = Set(p0, p1, p2, p3);
    const f4 one = Set1(1.0f), two = Set1(2.0f);
    f4 y;
    if constexpr (kWaveform == kTriangle) {
      y = Sub(Mul(two, Abs(Sub(Mul(two, p), one))), one);
    } else if constexpr (kWaveform == kSine) {
      const f4 a = Sub(Set1(kPi), Mul(Set1(kTwoPi), p));
      const f4 s = Add(Mul(Set1(k1_), a), Mul(Mul(Set1(k2_), a), Abs(a)));
      y = Add(s, Mul(Set1(k3_), Sub(Mul(s, Abs(s)), s)));
    } else {
      y = Sub(Mul(two, p), one);
    }
    Store(out + i, y);
    quadPhase_ = p3 + 0.25f;
    if (quadPhase_ >= 1.0f) quadPhase_ -= 1.0f;
    phase_ = p3 + inc;
  }
  for (; i < n; ++i) out[i] = RenderOutput().normal;
}

void LFO::RenderNormal(float* out, int n) {
  switch (waveform_) {
    case kTriangle:
      RenderNormalAs<kTriangle>(out, n);
      break;
    case kSine:
      RenderNormalAs<kSine>(out, n);
      break;
    case kSaw:
      RenderNormalAs<kSaw>(out, n);
      break;
    default:
      for (int i = 0; i < n; ++i) out[i] = RenderOutput().normal;
      break;
  }
}
