#pragma once
// Zero-delay-feedback one-pole stage (trapezoidal integrator) with low-, high- and all-pass
// taps; the building block of the ladder, state-variable-style and feedback filter cores.
#include <cmath>

// Limits shared by the filter cores. A NaN compares false against everything, so each clamp
// tests `!(x >= lo)` first and a NaN cutoff or resonance lands on the lower bound instead of
// reaching the coefficients.
namespace filt {

constexpr float kMinCutoffHz = 80.0f;
constexpr float kMaxCutoffHz = 18000.0f;

inline float Clamp(float x, float lo, float hi) {
  if (!(x >= lo)) return lo;
  return x > hi ? hi : x;
}
inline double Clamp(double x, double lo, double hi) {
  if (!(x >= lo)) return lo;
  return x > hi ? hi : x;
}
// The resonance of the feedback cores is 0..1: beyond it the loops grow without bound.
inline float ClampResonance(float r) { return Clamp(r, 0.0f, 1.0f); }

// Bilinear prewarp of a cutoff to the integrator gain g = tan(pi fc / fs), written the way
// the cores compute it: T = 1/fs, wd = 2 pi fc, wa = (2/T) tan(wd T/2), g = wa T/2.
inline float PrewarpG(float sampleRate, float cutoffHz) {
  const float t = 1.0f / sampleRate;
  const float wd = 6.2831855f * cutoffHz;
  const float wa = (2.0f / t) * std::tan(wd * t / 2.0f);
  return wa * t / 2.0f;
}
// The same in double precision; 2 pi stays the single-precision constant.
inline double PrewarpGDouble(double sampleRate, double cutoffHz) {
  const double t = 1.0 / sampleRate;
  const double wd = static_cast<double>(6.2831855f) * cutoffHz;
  const double wa = (2.0 / t) * std::tan(wd * t / 2.0);
  return wa * t / 2.0;
}

// The per-sample form of a mono filter whose block form sums two inputs over `frames`
// samples: a block of one with a silent second input.
template <typename Filter>
float ProcessOneSample(Filter& filter, float in, float cutoffHz, float resonance) {
  const float silent = 0.0f;
  float out = 0.0f;
  const int frames = filter.frames;
  filter.frames = 1;
  filter.Process(&in, &silent, &out, cutoffHz, resonance);
  filter.frames = frames;
  return out;
}

}  // namespace filt

// One zero-delay-feedback one-pole stage: low-pass, high-pass or all-pass.
class CVAOnePoleFilter {
 public:
  enum Mode { kLowPass = 0, kHighPass = 1, kAllPass = 2 };

  // Rate in Hz; values that are not positive and finite are ignored.
  void SetSampleRate(float rate) {
    if (rate > 0.0f && std::isfinite(rate)) sampleRate_ = rate;
  }
  float SampleRate() const { return sampleRate_; }
  void SetCutoff(float hz) { cutoff_ = hz; }
  float Cutoff() const { return cutoff_; }
  // 0 low-pass, 1 high-pass, 2 all-pass; other values behave as low-pass.
  void SetMode(int mode) { mode_ = mode; }
  int Mode() const { return mode_; }

  // G = g / (1 + g) from the stage's own rate and cutoff. The stage does not clamp the
  // cutoff; its owners do. A cutoff at or above Nyquist takes the Nyquist limit G = 1 and a
  // cutoff of 0, below 0 or NaN the limit G = 0, so the state never turns non-finite.
  void UpdateCoefficients();

  float G() const { return G_; }
  void SetG(float g) { G_ = g; }
  // Weight of this stage's state in the owning filter's feedback sum.
  float Beta() const { return beta_; }
  void SetBeta(float beta) { beta_ = beta; }
  float State() const { return z_; }
  void SetState(float z) { z_ = z; }
  float FeedbackOutput() const { return beta_ * z_; }
  void Reset() { z_ = 0.0f; }

  float ProcessSample(float x) {
    switch (mode_) {
      case kHighPass: return Tick<kHighPass>(x);
      case kAllPass: return Tick<kAllPass>(x);
      default: return Tick<kLowPass>(x);
    }
  }

  // The sample step with the tap fixed at compile time, for owners whose stage modes are
  // part of their structure.
  template <int M>
  float Tick(float x) {
    const float v = (x - z_) * G_;
    const float lp = v + z_;
    z_ = lp + v;
    if constexpr (M == kHighPass) return x - lp;
    if constexpr (M == kAllPass) return lp - (x - lp);
    return lp;
  }

 private:
  float sampleRate_ = 48000.0f;
  float cutoff_ = 1000.0f;
  int mode_ = kLowPass;
  float G_ = 1.0f;
  float beta_ = 1.0f;
  float z_ = 0.0f;
};
