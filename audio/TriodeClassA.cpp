#include "audio/TriodeClassA.h"

#include <cmath>

namespace {

constexpr float kFilterQ = 0.707f;


}  // namespace

TriodeClassA::TriodeClassA() { SetParameters(params_); }

bool TriodeClassA::Reset(float sampleRate) {
  highPass_.Reset(sampleRate);
  lowShelf_.Reset(sampleRate);
  // Values that do not change afterwards would otherwise keep the previous rate's design.
  highPass_.SetSampleRate(sampleRate);
  lowShelf_.SetSampleRate(sampleRate);
  return true;
}

bool TriodeClassA::CanProcessFrame() { return false; }

void TriodeClassA::SetParameters(const TriodeParams& p) {
  params_ = p;
  highPass_.SetParameters(AudioFilter::kHighPass1, p.highPassHz, kFilterQ, 0.0f);
  lowShelf_.SetParameters(AudioFilter::kLowShelf1, p.lowShelfHz, kFilterQ, p.lowShelfDb);
  const float k = p.saturation;
  kHard_ = k * (1.0f + 4.0f * std::fabs(p.asymmetry));
  normGentle_ = 1.0f / (1.0f - std::exp(-k));
  normHard_ = 1.0f / (1.0f - std::exp(-kHard_));
}

bool TriodeClassA::GetLaneConstants(LaneConstants& c) const {
  if (params_.type != TriodeParams::kAsymmetricExponential) return false;
  const float k = params_.saturation, a = params_.asymmetry;
  c.linear = std::fabs(k) <= kLinearSaturation;
  c.sign = params_.invert ? -1.0f : 1.0f;
  // The hard side is x >= 0 for a positive asymmetry and x < 0 for a negative one.
  c.kPositive = a > 0.0f ? kHard_ : k;
  c.kNegative = a < 0.0f ? kHard_ : k;
  c.normPositive = c.sign * (a > 0.0f ? normHard_ : normGentle_);
  c.normNegative = -c.sign * (a < 0.0f ? normHard_ : normGentle_);
  return true;
}

float TriodeClassA::ProcessSample(float x) {
  float y = Shape(x);
  if (params_.invert) y = -y;
  if (params_.highPassEnable) y = highPass_.ProcessSample(y);
  if (params_.lowShelfEnable) y = lowShelf_.ProcessSample(y);
  return y * params_.outputGain;
}
