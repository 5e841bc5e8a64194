#include "engine/CDualSEMFilter.h"

#include <cmath>

#include "engine/CVAOnePoleFilter.h"
#include "platform/Simd4.h"

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

// filt::SemTick with the two channels side by side: every lane takes the scalar steps in the
// scalar order, so each channel's samples are the ones the sample loop would give.
template <int T>
void CDualSEMFilter::RunStereo(const float* inLeft, const float* inRight, float* outLeft, float* outRight) {
  using namespace v4;
  f4 s1 = Set(s1_[0], s1_[1], 0.0f, 0.0f);
  f4 s2 = Set(s2_[0], s2_[1], 0.0f, 0.0f);
  const f4 g = Set1(c_.g);
  const f4 k = Set1(c_.k);
  const f4 alpha0 = Set1(c_.alpha0);
  const f4 mix = Set1(mix_);
  const f4 rest = Set1(1.0f - mix_);
  const int frames = frames_;  // the output stores could alias the member
  for (int i = 0; i < frames; ++i) {
    const f4 x = LoadPair(inLeft + i, inRight + i);
    const f4 hp = Mul(Sub(Sub(x, Mul(k, s1)), s2), alpha0);
    const f4 bp = Add(s1, Mul(g, hp));
    s1 = Add(Mul(g, hp), bp);
    const f4 lp = Add(s2, Mul(g, bp));
    s2 = Add(Mul(g, bp), lp);
    f4 out = x;
    if constexpr (T == kLowPass) out = lp;
    else if constexpr (T == kBandPass) out = bp;
    else if constexpr (T == kHighPass) out = hp;
    else if constexpr (T == kNotch) out = Add(Mul(mix, hp), Mul(rest, lp));
    StorePair(outLeft + i, outRight + i, out);
  }
  alignas(16) float y[4];
  Store(y, s1);
  s1_[0] = y[0];
  s1_[1] = y[1];
  Store(y, s2);
  s2_[0] = y[0];
  s2_[1] = y[1];
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
    case kLowPass: RunStereo<kLowPass>(inLeft, inRight, outLeft, outRight); break;
    case kBandPass: RunStereo<kBandPass>(inLeft, inRight, outLeft, outRight); break;
    case kHighPass: RunStereo<kHighPass>(inLeft, inRight, outLeft, outRight); break;
    case kNotch: RunStereo<kNotch>(inLeft, inRight, outLeft, outRight); break;
    default: RunStereo<kPassThrough>(inLeft, inRight, outLeft, outRight); break;
  }
}
