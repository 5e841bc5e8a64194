#pragma once
// Process-wide exponential and power-of-two tables with interpolated lookups, and the
// clamped wrappers around the fast transcendental functions. The tables are filled once at
// start-up by initMathTables and read-only afterwards.
#include <cstddef>

#include "platform/Simd4.h"

constexpr std::size_t kExpTableSize = 40001;   // e^x, x = -20 .. +20 in steps of 0.001
constexpr std::size_t kPow2TableSize = 20001;  // 2^x, x = 0 .. 20 in steps of 0.001

void initMathTables();

// e^x: 0 below -20, +infinity above +20, NaN for NaN.
float lookupExp(double x);
// 2^x: 0 below -20, +infinity above +20, NaN for NaN.
float lookupPow2(double x);

// Raw table entries, for tests and callers that interpolate themselves.
const double* expTable();
const double* pow2Table();

// *v = max(min(*v, hi), lo); returns the new value.
float clampInPlace(float* v, float lo, float hi);
// e^x with x limited to -20..20.
float expClamped(float x);
// Sine for |x| <= pi; -1 below -pi and +1 above +pi.
float sinClamped(float x);
// Arc tangent; 0 for |x| at or below the smallest normal float.
float fastAtan(float x);

// a^b on four lanes by linear interpolation in the float bit pattern: the float whose bits
// are trunc(K + b * (bits(a) - K)), K = bits(1.0) = 1065353216. Positive a only.
// Good for: exponents -1..1 within 12.5 per cent; and, as the phase bend uses it, a in 0..1
// with exponents 0.98..50 within 0.12 absolute once the result is held to 0..1 (below
// about a^b = 1e-38 the bits run negative: -0, a negative number or NaN, which a
// saturating conversion takes as 0). 1^b is exactly 1; elsewhere the error grows with |b|.
// Inline: the phase bend runs it for every four samples of every unison voice.
inline v4::f4 fastPow4(v4::f4 a, v4::f4 b) {
  const v4::f4 k = v4::Set1(1065353216.0f);
  const v4::f4 bitsA = v4::FromInt(v4::Bits(a));
  return v4::FromBits(v4::ToInt32Sat(v4::MulAdd(k, b, v4::Sub(bitsA, k))));
}
void fastPow4(const float a[4], const float b[4], float out[4]);
// One lane of fastPow4, computed the same way.
float fastPow4Ref(float a, float b);
