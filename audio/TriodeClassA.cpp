#include "audio/TriodeClassA.h"

#include <cmath>

namespace {

constexpr float kFilterQ = 0.707f;
// Below this saturation the shapers' normalisations are 0/0; their limit is y = x.
constexpr float kLinearSaturation = 1e-6f;

float Sign(float x) { return x > 0.0f ? 1.0f : (x < 0.0f ? -1.0f : 0.0f); }

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

float TriodeClassA::Shape(float x) const {
  const float k = params_.saturation;
  switch (params_.type) {
    case TriodeParams::kExponential:
      return Sign(x) * (1.0f - std::exp(-std::fabs(k * x)));
    case TriodeParams::kArcTangent:
      if (std::fabs(k) <= kLinearSaturation) return x;
      return std::atan(k * x) / std::atan(k);
    case TriodeParams::kAsymmetricExponential: {
      if (std::fabs(k) <= kLinearSaturation) return x;
      const float a = params_.asymmetry;
      const bool hard = (x >= 0.0f && a > 0.0f) || (x < 0.0f && a < 0.0f);
      const float kk = hard ? kHard_ : k;
      return Sign(x) * (1.0f - std::exp(-std::fabs(kk * x))) * (hard ? normHard_ : normGentle_);
    }
    default:
      return 0.0f;
  }
}

float TriodeClassA::ProcessSample(float x) {
  float y = Shape(x);
  if (params_.invert) y = -y;
  if (params_.highPassEnable) y = highPass_.ProcessSample(y);
  if (params_.lowShelfEnable) y = lowShelf_.ProcessSample(y);
  return y * params_.outputGain;
}
