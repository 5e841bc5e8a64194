#include "platform/Simd4.h"

#include <cmath>
#include <limits>

namespace v4 {

float RecipEstimateRef(float v) {
  uint32_t bits;
  std::memcpy(&bits, &v, 4);
  const uint32_t sign = bits & 0x80000000u;
  const uint32_t exp = (bits >> 23) & 0xFFu;
  const uint32_t frac = bits & 0x7FFFFFu;
  uint32_t out;
  if (exp == 0xFF && frac != 0) {
    out = 0x7FC00000u;  // default NaN
  } else if (exp == 0xFF) {
    out = sign;  // 1/inf = 0
  } else if (exp == 0) {
    out = sign | 0x7F800000u;  // zero and (flushed) denormals give infinity
  } else if (exp >= 253) {
    out = sign;  // the result would be denormal: flushed
  } else {
    // Estimate of 1/a for a 9-bit fixed-point a in [0.5, 1): the ARM RecipEstimate table.
    uint32_t a = 256u + (frac >> 15);
    a = a * 2u + 1u;
    const uint32_t b = (1u << 19) / a;
    const uint32_t r = (b + 1u) / 2u;
    const uint32_t rexp = 253u - exp;
    out = sign | (rexp << 23) | ((r & 0xFFu) << 15);
  }
  float f;
  std::memcpy(&f, &out, 4);
  return f;
}

#if SIMD4_SSE2
f4 RecipEstimate(f4 a) {
  alignas(16) float t[4];
  Store(t, a);
  for (float& x : t) x = RecipEstimateRef(x);
  return Load(t);
}
#endif

}  // namespace v4
