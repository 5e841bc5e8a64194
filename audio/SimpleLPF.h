#pragma once
// One-pole low-pass y = g*y[n-1] + (1 - g)*x: the damping in a reverb's feedback loop
// (g 0 passes, g towards 1 darkens).
#include "platform/Simd4.h"

class SimpleLPF final {
 public:
  // Virtual slots in this order: Reset, ProcessSample, CanProcessFrame.
  virtual bool Reset(float sampleRate);
  virtual float ProcessSample(float x) {
    state_ = g_ * state_ + (1.0f - g_) * x;
    return state_;
  }
  virtual bool CanProcessFrame();
  // Four ProcessSample calls: the input products at once, the recursion frame by frame.
  v4::f4 Process4(v4::f4 x) {
    alignas(16) float t[4];
    v4::Store(t, v4::Mul(v4::Set1(1.0f - g_), x));
    float s = state_;
    for (float& v : t) {
      s = g_ * s + v;
      v = s;
    }
    state_ = s;
    return v4::Load(t);
  }

  // 0..1; the owner keeps it there (a g outside it is an unstable or ringing pole).
  void SetCoefficient(float g) { g_ = g; }
  float Coefficient() const { return g_; }

 private:
  float g_ = 0.0f;
  float state_ = 0.0f;
};
