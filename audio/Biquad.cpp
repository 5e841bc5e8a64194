#include "audio/Biquad.h"

#include <cfloat>
#include <cmath>

namespace {

// A subnormal result is replaced by exactly 0 before it reaches the state, so a decaying
// section settles at 0 instead of crawling through the (slow on x86) subnormal range.
inline float FlushSubnormal(float y) {
  return (y != 0.0f && std::fabs(y) < FLT_MIN) ? 0.0f : y;
}

}  // namespace

bool Biquad::Reset(float /*sampleRate*/) {
  for (float& s : state_) s = 0.0f;
  return true;
}

bool Biquad::CanProcessFrame() { return false; }

float Biquad::ProcessSample(float x) {
  const float a0 = coeffs_[kA0];
  const float a1 = coeffs_[kA1];
  const float a2 = coeffs_[kA2];
  const float b1 = coeffs_[kB1];
  const float b2 = coeffs_[kB2];
  float* s = state_;
  switch (realisation_) {
    case kDirect: {
      const float y = FlushSubnormal(a0 * x + a1 * s[0] + a2 * s[1] - b1 * s[2] - b2 * s[3]);
      s[1] = s[0];
      s[0] = x;
      s[3] = s[2];
      s[2] = y;
      return y;
    }
    case kCanonical: {
      const float w = x - b1 * s[0] - b2 * s[1];
      const float y = FlushSubnormal(a0 * w + a1 * s[0] + a2 * s[1]);
      s[1] = s[0];
      s[0] = w;
      return y;
    }
    case kTransposedDirect: {
      const float w = x + s[2];
      const float y = FlushSubnormal(s[0] + a0 * w);
      s[2] = s[3] - b1 * w;
      s[0] = s[1] + a1 * w;
      s[3] = -b2 * w;
      s[1] = a2 * w;
      return y;
    }
    case kTransposedCanonical: {
      const float y = FlushSubnormal(s[0] + a0 * x);
      s[0] = a1 * x - b1 * y + s[1];
      s[1] = a2 * x - b2 * y;
      return y;
    }
    default:
      return x;
  }
}

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
