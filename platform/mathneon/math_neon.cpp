#include "math_neon.h"

#include <cmath>

#include "platform/Simd4.h"

extern "C" {
// The four-lane sine on one lane, so that a caller running four lanes gets the same bits;
// the C library beyond its range (and for infinities and NaN).
float sinf_neon(float x) {
  if (std::fabs(x) <= v4::kSinLimit) return v4::Lane(v4::Sin(v4::Set1(x)), 0);
  return std::sin(x);
}
float expf_neon(float x) { return std::exp(x); }
float atanf_neon(float x) { return std::atan(x); }
float tanhf_neon(float x) { return std::tanh(x); }
}
