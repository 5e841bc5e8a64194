#include "audio/Biquad.h"

#include <cfloat>
#include <cmath>

bool Biquad::Reset(float /*sampleRate*/) {
  for (float& s : state_) s = 0.0f;
  return true;
}

bool Biquad::CanProcessFrame() { return false; }

void Biquad::SetCoefficients(const float (&c)[kNumCoefficients]) {
  for (int i = 0; i < kNumCoefficients; ++i) coeffs_[i] = c[i];
}
