#pragma once
// Stereo two-pole state-variable filter in zero-delay-feedback form with low-, band-,
// high-pass and notch outputs.

namespace filt {

// The Q at which the state-variable filters run without damping.
constexpr float kUndampedQ = 25.0f;

struct SemCoefficients {
  float g = 1.0f;       // integrator gain tan(pi fc / fs)
  float k = 1.0f;       // 2R + g
  float alpha0 = 1.0f;  // 1 / (1 + 2Rg + g^2)
};

// Coefficients for a cutoff (limited to 80..18000 Hz) and a Q.
SemCoefficients ComputeSem(float sampleRate, float cutoffHz, float Q);

// One sample of the state-variable filter; T is the output (1..4, other values the input).
template <int T>
inline float SemTick(float x, float& s1, float& s2, const SemCoefficients& c, float mix) {
  const float hp = (x - c.k * s1 - s2) * c.alpha0;
  const float bp = s1 + c.g * hp;
  s1 = c.g * hp + bp;
  const float lp = s2 + c.g * bp;
  s2 = c.g * bp + lp;
  if constexpr (T == 1) return lp;
  else if constexpr (T == 2) return bp;
  else if constexpr (T == 3) return hp;
  else if constexpr (T == 4) return mix * hp + (1.0f - mix) * lp;
  else return x;
}

}  // namespace filt

class CDualSEMFilter {
 public:
  enum Type { kLowPass = 1, kBandPass = 2, kHighPass = 3, kNotch = 4 };

  CDualSEMFilter();

  // Rate in Hz; values that are not positive and finite are ignored. Recomputes.
  void SetSampleRate(float rate);
  void SetFrames(int frames) { frames_ = frames > 0 ? frames : 0; }
  // 1 low-pass, 2 band-pass, 3 high-pass, 4 notch (mix of high- and low-pass); any other
  // value passes the input through (the states keep running).
  void SetType(int type) { type_ = type; }
  int GetType() const { return type_; }
  void Reset();
  // g, k and alpha0 from the stored cutoff (limited to 80..18000 Hz) and Q.
  void UpdateCoefficients();

  // Resonance 0..1 maps to Q = resonance x 0.15 x 24.5 / 0.9 + 0.5 (0.5 .. about 4.58).
  // Coefficients change only when the cutoff or Q changed.
  void Process(const float* inLeft, const float* inRight, float* outLeft, float cutoffHz,
               float resonance, float* outRight);

  float Q() const { return Q_; }

 private:
  // Both channels at once, left and right in two lanes of the vector unit.
  template <int T>
  void RunStereo(const float* inLeft, const float* inRight, float* outLeft, float* outRight);

  filt::SemCoefficients c_;
  float s1_[2] = {0.0f, 0.0f};
  float s2_[2] = {0.0f, 0.0f};
  int type_ = kLowPass;
  int frames_ = 128;
  float sampleRate_ = 48000.0f;
  float cutoff_ = 10000.0f;
  float Q_ = 0.707f;
  float mix_ = 0.5f;
};
