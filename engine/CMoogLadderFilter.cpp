#include "engine/CMoogLadderFilter.h"

CMoogLadderFilter::CMoogLadderFilter() {
  stage_[4].SetMode(CVAOnePoleFilter::kAllPass);
  SetSampleRate(sampleRate_);
}

void CMoogLadderFilter::SetMode(int mode) { mode_ = mode; }

void CMoogLadderFilter::SetSampleRate(float rate) {
  if (rate > 0.0f && std::isfinite(rate)) sampleRate_ = rate;
  for (CVAOnePoleFilter& s : stage_) {
    s.Reset();
    s.SetSampleRate(sampleRate_);
  }
  UpdateCoefficients();
}

void CMoogLadderFilter::UpdateCoefficients() {
  coefficientsMode_ = mode_;
  filt::LadderCoefficients c;
  if (!filt::ComputeLadder(sampleRate_, cutoff_, k_, mode_, &c)) return;
  for (int s : filt::LadderLoopStages(mode_)) {
    stage_[s].SetG(c.G);
    stage_[s].SetBeta(c.beta[s]);
  }
  alpha0_ = c.alpha0;
}

bool CMoogLadderFilter::Prepare(float cutoffHz, float resonance) {
  const float cutoff = filt::Clamp(cutoffHz, filt::kMinCutoffHz, filt::kMaxCutoffHz);
  const float k = 2.0f * filt::ClampResonance(resonance);
  // A mode switch needs the other loop's coefficients even at an unchanged cutoff.
  if (cutoff != cutoff_ || k != k_ || mode_ != coefficientsMode_) {
    cutoff_ = cutoff;
    k_ = k;
    UpdateCoefficients();
  }
  return mode_ == kFourPole || mode_ == kTwoPole;
}

template <int M>
float CMoogLadderFilter::Tick(float x) {
  return filt::LadderTick<M>(x, k_, alpha0_, stage_);
}

void CMoogLadderFilter::Process(const float* inA, const float* inB, float* out, float cutoffHz,
                                float resonance) {
  if (!Prepare(cutoffHz, resonance)) return;
  if (mode_ == kFourPole) {
    for (int i = 0; i < frames_; ++i) out[i] = Tick<kFourPole>(inA[i] + inB[i]);
  } else {
    for (int i = 0; i < frames_; ++i) out[i] = Tick<kTwoPole>(inA[i] + inB[i]);
  }
}

float CMoogLadderFilter::ProcessSample(float in, float cutoffHz, float resonance) {
  if (!Prepare(cutoffHz, resonance)) return 0.0f;
  return mode_ == kFourPole ? Tick<kFourPole>(in + 0.0f) : Tick<kTwoPole>(in + 0.0f);
}
