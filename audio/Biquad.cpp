#include "audio/Biquad.h"

#include <cfloat>
#include <cmath>

bool Biquad::Reset(float /*sampleRate*/) {
  for (float& s : state_) s = 0.0f;
  return true;
}

bool Biquad::CanProcessFrame() { return false; }

float Biquad::GetStorageValue() {
  switch (realisation_) {
    case kDirect:
      storage_ = coeffs_[kA2] * state_[1] + coeffs_[kA1] * state_[0] - coeffs_[kB1] * state_[2] -
                 coeffs_[kB2] * state_[3];
      break;
    case kTransposedCanonical:
      storage_ = state_[0];
      break;
    default:
      storage_ = 0.0f;
      break;
  }
  return storage_;
}

void Biquad::SetCoefficients(const float (&c)[kNumCoefficients]) {
  for (int i = 0; i < kNumCoefficients; ++i) coeffs_[i] = c[i];
}
