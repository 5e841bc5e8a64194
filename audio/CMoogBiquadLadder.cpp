#include "audio/CMoogBiquadLadder.h"

#include "audio/ParamRange.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float kDefaultCutoffHz = 60.0f;
constexpr float kDefaultQ = 0.5f;
// Q 1 is a plain four-pole low-pass; Q 10 (resonance 100) puts the loop at the edge of
// self-oscillation. Above that the linear loop diverges and its state turns inf/NaN for
// good, and below Q 0 (resonance 0, K = -4/9) the feedback turns positive and diverges at
// K = -1: the gain stays inside the panel's range.
constexpr float kMinFeedback = -4.0f / 9.0f;
constexpr float kMaxFeedback = 4.0f;
// A first-order low-pass designed at or below 0 Hz, or past half the rate, puts its pole
// on or outside the unit circle; the panel's cutoffs (60 Hz .. 17.4 kHz) lie well inside.
constexpr float kMinCutoffHz = 1.0f;
constexpr float kMaxCutoffShare = 0.45f;

}  // namespace

CMoogBiquadLadder::CMoogBiquadLadder() : CEffectBase(&params_) {}

void CMoogBiquadLadder::Reset(float sampleRate) {
  params_.driveCompensationPct = 0.0f;
  sampleRate_ = sampleRate;
  params_.cutoffHz = kDefaultCutoffHz;
  params_.q = kDefaultQ;
  for (AudioFilter& f : filters_) f.Reset(sampleRate);
  Apply();
  // SetParameters designs only when a value changed, so an unchanged cutoff would keep the
  // coefficients of the previous rate (the construction's 44100 Hz on the first Reset).
  for (AudioFilter& f : filters_) f.SetSampleRate(sampleRate);
}

void CMoogBiquadLadder::SetParam(int id, float value) {
  if (!std::isfinite(value)) return;
  switch (id) {
    case kCutoff:
      params_.cutoffHz = value;
      break;
    case kResonance:
      params_.q = value * 0.1f;
      break;
    case kDriveCompensation:
      params_.driveCompensationPct = param_range::Percent(value);
      break;
    default:
      return;
  }
  Apply();
}

void CMoogBiquadLadder::Apply() {
  k_ = std::clamp((params_.q - 1.0f) * 4.0f / 9.0f, kMinFeedback, kMaxFeedback);
  const int32_t algorithm = filters_[0].GetAlgorithm();
  const float boost = filters_[0].BoostCutDb();
  const float cutoff = std::fmin(std::fmax(params_.cutoffHz, kMinCutoffHz),
                                 kMaxCutoffShare * filters_[0].SampleRate());
  for (AudioFilter& f : filters_) f.SetParameters(algorithm, cutoff, params_.q, boost);
}

// One sample through one channel. The chain's output is G^4 u + sigma, with G the stages'
// instantaneous gain and sigma what their states contribute; solving u = r x - K y for u
// closes the loop without a sample of delay.
inline float CMoogBiquadLadder::ProcessChain(AudioFilter* chain, float x, float drive) {
  const float s1 = chain[0].GetStorageValue();
  const float s2 = chain[1].GetStorageValue();
  const float s3 = chain[2].GetStorageValue();
  const float s4 = chain[3].GetStorageValue();
  const float g = chain[0].Coefficient(Biquad::kA0);
  const float sigma = g * g * g * s1 + g * g * s2 + g * s3 + s4;
  const float u = (drive * x - k_ * sigma) / (1.0f + k_ * g * g * g * g);
  float y = u;
  for (int i = 0; i < kStages; ++i) y = chain[i].ProcessSample(y);
  return y;
}

void CMoogBiquadLadder::Process(float** in, float** out, int frames, float level) {
  const float drive = 1.0f + params_.driveCompensationPct / 100.0f * k_;
  for (int ch = 0; ch < 2; ++ch) {
    AudioFilter* chain = filters_ + ch * kStages;
    const float* x = in[ch];
    float* y = out[ch];
    for (int i = 0; i < frames; ++i) y[i] = ProcessChain(chain, x[i], drive) * level;
  }
}
