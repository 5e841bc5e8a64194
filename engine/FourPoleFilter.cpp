#include "engine/FourPoleFilter.h"

#include <cmath>

FourPoleFilter::FourPoleFilter() {
  // The derived constants must match the rate before the first Process, or it would filter
  // with zero coefficients.
  SetSampleRate(44100);
}

void FourPoleFilter::SetSampleRate(int fs) {
  if (fs < 1) return;
  const float rate = static_cast<float>(fs);
  sampleRate_ = rate;
  k0_ = 4.0f * rate * rate;
  k1_ = 8.0f * rate * rate;
  twoFs_ = 2.0f * rate;
  piOverFs_ = 3.14159265f / rate;
  lowestCutoff_ = 0.001f * rate;
  highestCutoff_ = 0.45f * rate;
}

float FourPoleFilter::UpdateCoefficients(float cutoffHz, float resonance) {
  float c = cutoffHz;
  if (!(c >= lowestCutoff_)) c = lowestCutoff_;
  if (c > highestCutoff_) c = highestCutoff_;

  float d1, d2;
  if (resonance < 0.0f || std::isnan(resonance)) {
    d1 = 0.765367f;
    d2 = 1.847759f;
  } else if (resonance > 1.0f) {
    d1 = 0.10933814f;
    d2 = 0.26396558f;
  } else {
    d1 = 0.765367f / (1.0f + 6.0f * resonance);
    d2 = 1.847759f / (1.0f + 6.0f * resonance);
  }

  const float wa = twoFs_ * std::tan(c * piOverFs_);
  const float l = 1.0f / (wa * wa);
  const float m = 1.0f + l * k0_;
  const float g1 = 1.0f / (d1 * twoFs_ / wa + m);
  a2First_ = (m - d1 * twoFs_ / wa) * g1;
  a1First_ = (2.0f - l * k1_) * g1;
  const float g2 = 1.0f / (d2 * twoFs_ / wa + m);
  a2Second_ = (m - d2 * twoFs_ / wa) * g2;
  a1Second_ = (2.0f - l * k1_) * g2;
  inputGain_ = g1 * g2 * 0.5f;
  return wa;
}

float FourPoleFilter::Tick(float x) {
  const float q1 = x - a1First_ * y1First_ - a2First_ * y2First_;
  const float w = q1 + 2.0f * y1First_ + y2First_;
  y2First_ = y1First_;
  y1First_ = q1;
  const float q2 = w - a1Second_ * y1Second_ - a2Second_ * y2Second_;
  const float out = q2 + 2.0f * y1Second_ + y2Second_;
  y2Second_ = y1Second_;
  y1Second_ = q2;
  return out;
}

float FourPoleFilter::Process(const float* inA, const float* inB, float* out, float cutoffHz,
                              float resonance) {
  const float wa = UpdateCoefficients(cutoffHz, resonance);
  for (int i = 0; i < count; ++i) out[i] = Tick((inA[i] + inB[i]) * inputGain_);
  return wa;
}

float FourPoleFilter::ProcessSample(float in, float cutoffHz, float resonance) {
  UpdateCoefficients(cutoffHz, resonance);
  return Tick((in + 0.0f) * inputGain_);
}
