#pragma once
// Stereo four-pole ladder approximation: four cascaded one-pole sections with resonance
// feedback and a cubic soft limit on the last stage, in double precision, with low-, band-
// and high-pass outputs.

namespace filt {

// The ladder approximation in the precision T of its filter (double stereo, float mono).
template <typename T>
struct LadderApproxCoefficients {
  T p = 0, f = 0, q = 0;
};
template <typename T>
struct LadderApproxState {
  T b0 = 0, b1 = 0, b2 = 0, b3 = 0, b4 = 0;
};

// For a cutoff already limited to the filter's range.
template <typename T>
LadderApproxCoefficients<T> ComputeLadderApprox(T cutoffHz, T sampleRate, T resonance) {
  LadderApproxCoefficients<T> c;
  const T fcn = cutoffHz / (sampleRate * T(0.5));
  const T d = T(1) - fcn;
  c.p = fcn + T(0.8) * fcn * d;
  c.f = c.p + c.p - T(1);
  c.q = resonance * (T(1) + T(0.5) * d * (T(1) - d + T(5.6) * d * d));
  return c;
}

// One sample through the four sections; O selects the output (0 low-pass, 1 band-pass,
// 2 high-pass, other values the stage input).
template <int O, typename T>
inline T LadderApproxTick(T x, LadderApproxState<T>& s, const LadderApproxCoefficients<T>& c) {
  const T in = x - c.q * s.b4;
  const T t1 = s.b1;
  s.b1 = (in + s.b0) * c.p - s.b1 * c.f;
  const T t2 = s.b2;
  s.b2 = (s.b1 + t1) * c.p - s.b2 * c.f;
  const T t3 = s.b3;
  s.b3 = (s.b2 + t2) * c.p - s.b3 * c.f;
  s.b4 = (s.b3 + t3) * c.p - s.b4 * c.f;
  s.b4 = s.b4 - s.b4 * s.b4 * s.b4 * T(0.166667);
  s.b0 = in;
  if constexpr (O == 0) return s.b4;
  else if constexpr (O == 1) return T(3) * (s.b3 - s.b4);
  else if constexpr (O == 2) return in - s.b4;
  else return in;
}

}  // namespace filt

class DualLadderApproxFilter {
 public:
  enum Output { kLowPass = 0, kBandPass = 1, kHighPass = 2 };

  // Rate in Hz; values that are not positive and finite are ignored. Until a rate is set
  // (it starts at 0) Process writes silence.
  void SetSampleRate(float rate);
  void SetFrames(int frames) { frames_ = frames > 0 ? frames : 0; }
  // Clears the states and selects the low-pass output.
  void Reset();

  // Cutoff limited to 50..18000 Hz, resonance to 0..1; the input is limited to -1..1.
  void Process(const float* inLeft, const float* inRight, float* outLeft, float cutoffHz,
               float resonance, float* outRight);

  // 0 low-pass, 1 band-pass, 2 high-pass, other values the stage input; written by the voice.
  int output = kLowPass;

 private:
  using State = filt::LadderApproxState<double>;
  template <int O>
  void RunChannel(const float* in, float* out, State& st) const;

  float sampleRate_ = 0.0f;
  filt::LadderApproxCoefficients<double> c_;
  State state_[2];
  int frames_ = 128;
};
