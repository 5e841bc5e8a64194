#pragma once
// Low-frequency oscillator without tables or blocks: a phase ramp shaped into a triangle,
// a parabolic sine or a rising saw, with an inverted, a quadrature (90 degrees later) and an
// inverted quadrature output.
#include <cstdint>

// The four outputs of one step, in this order.
struct LfoOutput {
  float normal;
  float inverted;
  float quadrature;
  float invertedQuadrature;
};

class LFO {
 public:
  enum Waveform : int32_t { kTriangle = 0, kSine = 1, kSaw = 2 };

  LFO() = default;
  // Virtual slots in this order: destructor (two entries), Reset, RenderOutput.
  virtual ~LFO() = default;
  // Keeps the rate, restarts at phase 0 (quadrature 0.25) and sets the increment to
  // frequency / rate; a rate that is not positive and finite leaves the LFO standing.
  virtual bool Reset(float sampleRate);
  // One step: the four outputs at the present phase, then the phase advances.
  virtual LfoOutput RenderOutput();
  // n steps' normal outputs, the same values and end state as n RenderOutput calls; runs
  // four steps at a time while the phase neither wraps nor leaves 0..1.
  void RenderNormal(float* out, int n);

  // Any other code gives silence.
  void SetWaveform(int32_t waveform) { waveform_ = waveform; }
  int32_t GetWaveform() const { return waveform_; }
  // Takes effect at the next Reset; SetIncrement changes the speed without a restart.
  void SetFrequency(float hz) { frequency_ = hz; }
  float Frequency() const { return frequency_; }
  // Cycles per step; negative runs the phase backwards.
  void SetIncrement(float increment) { increment_ = increment; }
  float Increment() const { return increment_; }
  float SampleRate() const { return sampleRate_; }
  float Phase() const { return phase_; }
  float QuadraturePhase() const { return quadPhase_; }

 private:
  float Shape(float p) const;
  template <int32_t kWaveform>
  void RenderNormalAs(float* out, int n);

  int32_t waveform_ = kTriangle;
  float frequency_ = 0.0f;
  float sampleRate_ = 0.0f;
  float phase_ = 0.0f;
  float increment_ = 0.0f;
  float quadPhase_ = 0.25f;
  // Parabolic sine: 4/pi, -4/pi^2 and the correction weight.
  float k1_ = 1.2732395f;
  float k2_ = -0.4052847f;
  float k3_ = 0.225f;
};
