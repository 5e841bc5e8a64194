#include "audio/AudioDetector.h"

#include <cmath>

#include "platform/Simd4.h"

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

// Track's step in lanes, the mode and the clamp fixed for the block. Negative and subnormal
// results both become 0 (a NaN is kept, as in Track). Lanes 2 and 3 follow silence.
template <bool Square, bool Clamp>
v4::f4 TrackLanes(v4::f4 env, const float* xa, const float* xb, float* out, int n, v4::f4 attack,
                  v4::f4 release) {
  using namespace v4;
  const f4 zero = Set1(0.0f), one = Set1(1.0f), smallest = Set1(kSmallestNormal);
  for (int i = 0; i < n; ++i) {
    const f4 x = Set(xa[i], xb[i], 0.0f, 0.0f);
    const f4 v = Square ? Mul(x, x) : Abs(x);
    env = MulAdd(v, Sub(env, v), Select(CmpLt(env, v), attack, release));
    env = Select(CmpLt(env, smallest), zero, Clamp ? Min(env, one) : env);
    if (out != nullptr) Store(out + 2 * i, env);
  }
  return env;
}

}  // namespace

void AudioDetector::TrackPair(AudioDetector& a, AudioDetector& b, const float* xa, const float* xb,
                              float* envelopes, int n) {
  if (n < 1) return;
  if (a.detectMode_ != b.detectMode_ || a.clampToOne_ != b.clampToOne_) {
    for (int i = 0; i < n; ++i) {
      a.Track(xa[i]);
      b.Track(xb[i]);
      if (envelopes != nullptr) {
        envelopes[2 * i] = a.envelope_;
        envelopes[2 * i + 1] = b.envelope_;
      }
    }
    if (envelopes != nullptr) envelopes[2 * n] = envelopes[2 * n + 1] = 0.0f;
    return;
  }
  using v4::Set;
  const v4::f4 attack = Set(a.attackCoef_, b.attackCoef_, 0.0f, 0.0f);
  const v4::f4 release = Set(a.releaseCoef_, b.releaseCoef_, 0.0f, 0.0f);
  v4::f4 env = Set(a.envelope_, b.envelope_, 0.0f, 0.0f);
  const bool square = a.detectMode_ == kMeanSquare || a.detectMode_ == kRms;
  if (square) {
    env = a.clampToOne_ ? TrackLanes<true, true>(env, xa, xb, envelopes, n, attack, release)
                        : TrackLanes<true, false>(env, xa, xb, envelopes, n, attack, release);
  } else {
    env = a.clampToOne_ ? TrackLanes<false, true>(env, xa, xb, envelopes, n, attack, release)
                        : TrackLanes<false, false>(env, xa, xb, envelopes, n, attack, release);
  }
  a.envelope_ = v4::Lane(env, 0);
  b.envelope_ = v4::Lane(env, 1);
}

float AudioDetector::Level() const {
  const float result = detectMode_ == kRms ? std::sqrt(envelope_) : envelope_;
  if (!logOutput_) return result;
  return result > 0.0f ? 20.0f * std::log10(result) : kFloorDb;
}
