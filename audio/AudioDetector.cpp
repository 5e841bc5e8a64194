#include "audio/AudioDetector.h"

#include <cmath>

namespace {

constexpr float kSmallestNormal = 1.1754944e-38f;

// exp(-0.99967235 / samples): the time constant reaches the target's last 1 - 1/e in the
// given time. A time that is not positive (a negative one would give a factor above 1 and a
// diverging envelope) or an unset rate follows the input at once.
float CoefficientFor(float ms, float sampleRate, double k) {
  const double samples = static_cast<double>(ms) * sampleRate * 0.001;
  if (!(samples > 0.0)) return 0.0f;
  return static_cast<float>(std::exp(-k / samples));
}

}  // namespace

void AudioDetector::RecomputeCoefficients() {
  attackCoef_ = CoefficientFor(attackMs_, sampleRate_, 0.9996723532676697);
  releaseCoef_ = CoefficientFor(releaseMs_, sampleRate_, 0.99967235);
}

void AudioDetector::Reset(float sampleRate) {
  sampleRate_ = sampleRate;
  RecomputeCoefficients();
  envelope_ = 0.0f;
}

void AudioDetector::SetSampleRate(float sampleRate) {
  if (sampleRate == sampleRate_) return;
  sampleRate_ = sampleRate;
  RecomputeCoefficients();
}

float AudioDetector::ProcessSample(float x) {
  Track(x);
  return Level();
}

void AudioDetector::Track(float x) {
  const float v = detectMode_ == kMeanSquare || detectMode_ == kRms ? x * x : std::fabs(x);
  const float coef = envelope_ < v ? attackCoef_ : releaseCoef_;
  float env = v + (envelope_ - v) * coef;
  if (std::fabs(env) < kSmallestNormal) env = 0.0f;
  if (clampToOne_ && env > 1.0f) env = 1.0f;
  if (env < 0.0f) env = 0.0f;
  envelope_ = env;
}

float AudioDetector::Level() const {
  const float result = detectMode_ == kRms ? std::sqrt(envelope_) : envelope_;
  if (!logOutput_) return result;
  return result > 0.0f ? 20.0f * std::log10(result) : kFloorDb;
}
