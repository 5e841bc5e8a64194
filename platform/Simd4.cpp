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
namespace {

// The reference's 8-bit estimate for each value of the top eight fraction bits, already
// in its place in the result's fraction.
struct RecipSteps {
  uint32_t v[256] = {};
  constexpr RecipSteps() {
    for (uint32_t s = 0; s < 256; ++s) {
      const uint32_t a = (256u + s) * 2u + 1u;
      const uint32_t r = ((1u << 19) / a + 1u) / 2u;
      v[s] = (r & 0xFFu) << 15;
    }
  }
};
constexpr RecipSteps kRecipSteps;

inline __m128i Blend(__m128i mask, __m128i a, __m128i b) {
  return _mm_or_si128(_mm_and_si128(mask, a), _mm_andnot_si128(mask, b));
}

}  // namespace

// The reference on four lanes: the estimate from a table, then its special classes.
f4 RecipEstimate(f4 a) {
  const __m128i bits = _mm_castps_si128(a);
  const __m128i sign = _mm_and_si128(bits, _mm_set1_epi32(INT32_MIN));
  const __m128i exp = _mm_and_si128(_mm_srli_epi32(bits, 23), _mm_set1_epi32(0xFF));
  alignas(16) uint32_t step[4];
  _mm_store_si128(reinterpret_cast<__m128i*>(step), _mm_and_si128(_mm_srli_epi32(bits, 15), _mm_set1_epi32(0xFF)));
  const __m128i estimate = _mm_setr_epi32(static_cast<int32_t>(kRecipSteps.v[step[0]]), static_cast<int32_t>(kRecipSteps.v[step[1]]),
                                          static_cast<int32_t>(kRecipSteps.v[step[2]]), static_cast<int32_t>(kRecipSteps.v[step[3]]));
  __m128i out = _mm_or_si128(sign, _mm_or_si128(_mm_slli_epi32(_mm_sub_epi32(_mm_set1_epi32(253), exp), 23), estimate));
  // Zeros and (flushed) denormals give infinity; results that would be denormal, and 1/inf,
  // a zero; NaN the default NaN.
  out = Blend(_mm_cmpeq_epi32(exp, _mm_setzero_si128()), _mm_or_si128(sign, _mm_set1_epi32(0x7F800000)), out);
  out = Blend(_mm_cmpgt_epi32(exp, _mm_set1_epi32(252)), sign, out);
  const __m128i magnitude = _mm_and_si128(bits, _mm_set1_epi32(0x7FFFFFFF));
  out = Blend(_mm_cmpgt_epi32(magnitude, _mm_set1_epi32(0x7F800000)), _mm_set1_epi32(0x7FC00000), out);
  return _mm_castsi128_ps(out);
}
#endif

}  // namespace v4
