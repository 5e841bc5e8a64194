#include "engine/CDualSEMFilter.h"

#include <cmath>

#include "engine/CVAOnePoleFilter.h"

namespace {
constexpr int kPassThrough = 0;
}

CDualSEMFilter::CDualSEMFilter() { UpdateCoefficients(); }

void CDualSEMFilter::SetSampleRate(float rate) {
  if (rate > 0.0f && std::isfinite(rate)) sampleRate_ = rate;
  UpdateCoefficients();
}

void CDualSEMFilter::Reset() {
  s1_[0] = s1_[1] = 0.0f;
  s2_[0] = s2_[1] = 0.0f;
}

filt::SemCoefficients filt::ComputeSem(float sampleRate, float cutoffHz, float Q) {
  SemCoefficients c;
  c.g = PrewarpG(sampleRate, Clamp(cutoffHz, kMinCutoffHz, kMaxCutoffHz));
  const float R = Q == kUndampedQ ? 0.0f : 1.0f / (2.0f * Q);
  c.k = 2.0f * R + c.g;
  c.alpha0 = 1.0f / (1.0f + 2.0f * R * c.g + c.g * c.g);
  return c;
}

void CDualSEMFilter::UpdateCoefficients() { c_ = filt::ComputeSem(sampleRate_, cutoff_, Q_); }

template <int T>
void CDualSEMFilter::RunChannel(const float* in, float* out, float& s1Ref, float& s2Ref) const {
  float s1 = s1Ref, s2 = s2Ref;
  const filt::SemCoefficients c = c_;
  const float mix = mix_;
  for (int i = 0; i < frames_; ++i) out[i] = filt::SemTick<T>(in[i], s1, s2, c, mix);
  s1Ref = s1;
  s2Ref = s2;
}

void CDualSEMFilter::Process(const float* inLeft, const float* inRight, float* outLeft,
                             float cutoffHz, float resonance, float* outRight) {
  const float cutoff = filt::Clamp(cutoffHz, filt::kMinCutoffHz, filt::kMaxCutoffHz);
  const float Q =
      static_cast<float>(filt::ClampResonance(resonance) * 0.15 * 24.5 / 0.9 + 0.5);
  if (cutoff != cutoff_ || Q != Q_) {
    cutoff_ = cutoff;
    Q_ = Q;
    UpdateCoefficients();
  }
  switch (type_) {
    case kLowPass:
      RunChannel<kLowPass>(inLeft, outLeft, s1_[0], s2_[0]);
      RunChannel<kLowPass>(inRight, outRight, s1_[1], s2_[1]);
      break;
    case kBandPass:
      RunChannel<kBandPass>(inLeft, outLeft, s1_[0], s2_[0]);
      RunChannel<kBandPass>(inRight, outRight, s1_[1], s2_[1]);
      break;
    case kHighPass:
      RunChannel<kHighPass>(inLeft, outLeft, s1_[0], s2_[0]);
      RunChannel<kHighPass>(inRight, outRight, s1_[1], s2_[1]);
      break;
    case kNotch:
      RunChannel<kNotch>(inLeft, outLeft, s1_[0], s2_[0]);
      RunChannel<kNotch>(inRight, outRight, s1_[1], s2_[1]);
      break;
    default:
      RunChannel<kPassThrough>(inLeft, outLeft, s1_[0], s2_[0]);
      RunChannel<kPassThrough>(inRight, outRight, s1_[1], s2_[1]);
      break;
  }
}
