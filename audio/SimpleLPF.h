#pragma once
// One-pole low-pass y = g*y[n-1] + (1 - g)*x: the damping in a reverb's feedback loop
// (g 0 passes, g towards 1 darkens).
class SimpleLPF final {
 public:
  // Virtual slots in this order: Reset, ProcessSample, CanProcessFrame.
  virtual bool Reset(float sampleRate);
  virtual float ProcessSample(float x) {
    state_ = g_ * state_ + (1.0f - g_) * x;
    return state_;
  }
  virtual bool CanProcessFrame();

  // 0..1; the owner keeps it there (a g outside it is an unstable or ringing pole).
  void SetCoefficient(float g) { g_ = g; }
  float Coefficient() const { return g_; }

 private:
  float g_ = 0.0f;
  float state_ = 0.0f;
};
