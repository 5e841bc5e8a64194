#include "engine/DualFourPoleFilter.h"

#include <cmath>

namespace {
// Dampings of the fourth-order Butterworth prototype, 2 sin(3 pi/8) and 2 sin(pi/8), and
// their values at the top of the resonance range (divided by 1 + 6).
constexpr float kDampFirstLow = 1.847759f;
constexpr float kDampSecondLow = 0.765367f;
constexpr float kDampFirstHigh = 0.26396558f;
constexpr float kDampSecondHigh = 0.10933814f;
}  // namespace

DualFourPoleFilter::DualFourPoleFilter() { SetSampleRate(48000.0f); }

void DualFourPoleFilter::SetSampleRate(float rate) {
  if (!(rate > 0.0f) || !std::isfinite(rate)) return;
  fourFsSquared_ = 4.0f * rate * rate;
  eightFsSquared_ = 8.0f * rate * rate;
  twoFs_ = 2.0f * rate;
  piOverFs_ = 3.14159265f / rate;
  minCutoff_ = 0.001f * rate;
  maxCutoff_ = 0.45f * rate;
}

void DualFourPoleFilter::Reset() {
  for (int c = 0; c < 2; ++c) {
    first_[c] = Section{};
    second_[c] = Section{};
  }
}

void DualFourPoleFilter::UpdateCoefficients(float cutoffHz, float resonance) {
  const float fc = cutoffHz < minCutoff_ || std::isnan(cutoffHz) ? minCutoff_
                                                                 : std::fmin(cutoffHz, maxCutoff_);
  // d1 damps the second section, d2 the first (the lighter damping goes first).
  float d1, d2;
  if (resonance < 0.0f || std::isnan(resonance)) {
    d1 = kDampFirstLow;
    d2 = kDampSecondLow;
  } else if (resonance > 1.0f) {
    d1 = kDampFirstHigh;
    d2 = kDampSecondHigh;
  } else {
    d1 = kDampFirstLow / (1.0f + 6.0f * resonance);
    d2 = kDampSecondLow / (1.0f + 6.0f * resonance);
  }
  const float w = twoFs_ * std::tan(fc * piOverFs_);
  const float m = 1.0f + fourFsSquared_ / (w * w);
  const float n = 2.0f - eightFsSquared_ / (w * w);

  const float a0 = m + d2 * twoFs_ / w;
  a1_ = n / a0;
  a2_ = (m - d2 * twoFs_ / w) / a0;
  const float b0 = m + d1 * twoFs_ / w;
  b1_ = n / b0;
  b2_ = (m - d1 * twoFs_ / w) / b0;
  inputGain_ = 1.0f / (a0 * b0);
}

void DualFourPoleFilter::RunChannel(const float* in, float* out, Section& first,
                                    Section& second) const {
  float w1 = first.w1, w2 = first.w2;
  float u1 = second.w1, u2 = second.w2;
  const float a1 = a1_, a2 = a2_, b1 = b1_, b2 = b2_, gain = inputGain_;
  for (int i = 0; i < frames_; ++i) {
    const float w = in[i] * gain - a1 * w1 - a2 * w2;
    const float y1 = w + 2.0f * w1 + w2;
    w2 = w1;
    w1 = w;
    const float u = y1 - b1 * u1 - b2 * u2;
    out[i] = u + 2.0f * u1 + u2;
    u2 = u1;
    u1 = u;
  }
  first.w1 = w1;
  first.w2 = w2;
  second.w1 = u1;
  second.w2 = u2;
}

void DualFourPoleFilter::Process(const float* inLeft, const float* inRight, float* outLeft,
                                 float cutoffHz, float resonance, float* outRight) {
  UpdateCoefficients(cutoffHz, resonance);
  RunChannel(inLeft, outLeft, first_[0], second_[0]);
  RunChannel(inRight, outRight, first_[1], second_[1]);
}
