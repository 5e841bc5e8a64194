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

namespace {

// One detector step, the mode and the clamp fixed for the block. Negative and subnormal
// results both become 0 (a NaN is kept, as in Track).
template <bool Square, bool Clamp>
float TrackRun(float env, const float* x, float* out, int n, float attack, float release) {
  for (int i = 0; i < n; ++i) {
    const float v = Square ? x[i] * x[i] : std::fabs(x[i]);
    env = v + (env - v) * (env < v ? attack : release);
    if (env < kSmallestNormal) env = 0.0f;
    else if (Clamp && env > 1.0f) env = 1.0f;
    if (out != nullptr) out[i] = env;
  }
  return env;
}

}  // namespace

void AudioDetector::TrackBlock(const float* x, float* envelope, int n) {
  const bool square = detectMode_ == kMeanSquare || detectMode_ == kRms;
  const float a = attackCoef_, r = releaseCoef_;
  if (square) {
    envelope_ = clampToOne_ ? TrackRun<true, true>(envelope_, x, envelope, n, a, r)
                            : TrackRun<true, false>(envelope_, x, envelope, n, a, r);
  } else {
    envelope_ = clampToOne_ ? TrackRun<false, true>(envelope_, x, envelope, n, a, r)
                            : TrackRun<false, false>(envelope_, x, envelope, n, a, r);
  }
}

float AudioDetector::Level() const {
  const float result = detectMode_ == kRms ? std::sqrt(envelope_) : envelope_;
  if (!logOutput_) return result;
  return result > 0.0f ? 20.0f * std::log10(result) : kFloorDb;
}
