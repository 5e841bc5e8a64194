#include "engine/CSEMFilter.h"

#include <cmath>

#include "engine/CVAOnePoleFilter.h"

void CSEMFilter::Reset() { s1_ = s2_ = 0.0f; }

void CSEMFilter::UpdateCoefficients() {
  // sampleRate is a plain field: a bad value keeps the rate of the last update.
  if (sampleRate > 0.0f && std::isfinite(sampleRate)) coefficientsRate_ = sampleRate;
  if (!(coefficientsRate_ > 0.0f)) coefficientsRate_ = 48000.0f;
  c_ = filt::ComputeSem(coefficientsRate_, cutoff_, Q_);
}

void CSEMFilter::Prepare(float cutoffHz, float resonance) {
  const float cutoff = filt::Clamp(cutoffHz, filt::kMinCutoffHz, filt::kMaxCutoffHz);
  const float Q = static_cast<float>(filt::ClampResonance(resonance) * 24.5 / 0.9 + 0.5);
  // The rate is compared too: the owner writes it directly.
  if (cutoff != cutoff_ || Q != Q_ || sampleRate != coefficientsRate_) {
    cutoff_ = cutoff;
    Q_ = Q;
    UpdateCoefficients();
  }
}

template <int T>
void CSEMFilter::Run(const float* inA, const float* inB, float* out, int n) {
  float s1 = s1_, s2 = s2_;
  const filt::SemCoefficients c = c_;
  for (int i = 0; i < n; ++i) out[i] = filt::SemTick<T>(inA[i] + inB[i], s1, s2, c, mix_);
  s1_ = s1;
  s2_ = s2;
}

void CSEMFilter::Process(const float* inA, const float* inB, float* out, float cutoffHz,
                         float resonance) {
  Prepare(cutoffHz, resonance);
  switch (type_) {
    case kLowPass: Run<kLowPass>(inA, inB, out, frames); break;
    case kBandPass: Run<kBandPass>(inA, inB, out, frames); break;
    case kHighPass: Run<kHighPass>(inA, inB, out, frames); break;
    case kNotch: Run<kNotch>(inA, inB, out, frames); break;
    default: Run<0>(inA, inB, out, frames); break;
  }
}

float CSEMFilter::ProcessSample(float in, float cutoffHz, float resonance) {
  return filt::ProcessOneSample(*this, in, cutoffHz, resonance);
}
