#include "numeric/MathTables.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "math_neon.h"
#include "platform/ArmConvert.h"

namespace {
double g_exp[kExpTableSize];
double g_pow2[kPow2TableSize];

constexpr float kInf = std::numeric_limits<float>::infinity();
// The bit pattern of 1.0: with it 1^b is exactly 1 and every error of the linear log and
// exp2 approximations stays bounded for large exponents (with 0x3F78A900 it grew with b:
// 1^5 gave 1.23).
constexpr float kFastPowK = 1065353216.0f;

// Linear interpolation in a table of `size` entries at position t >= 0; positions at or
// past the last entry read the last entry.
double Interpolate(const double* table, std::size_t size, double t) {
  const double last = static_cast<double>(size - 1);
  if (!(t < last)) return table[size - 1];
  const std::size_t i = static_cast<std::size_t>(t);
  const double f = t - static_cast<double>(i);
  return table[i] + (table[i + 1] - table[i]) * f;
}
}  // namespace

void initMathTables() {
  for (std::size_t i = 0; i < kExpTableSize; ++i) g_exp[i] = std::exp(static_cast<double>(i) * 0.001 - 20.0);
  for (std::size_t i = 0; i < kPow2TableSize; ++i) g_pow2[i] = std::pow(2.0, static_cast<double>(i) * 0.001);
}

const double* expTable() { return g_exp; }
const double* pow2Table() { return g_pow2; }

float lookupExp(double x) {
  if (std::isnan(x)) return std::numeric_limits<float>::quiet_NaN();
  if (x < -20.0) return 0.0f;
  if (x > 20.0) return kInf;
  return static_cast<float>(Interpolate(g_exp, kExpTableSize, (x + 20.0) / 0.001));
}

float lookupPow2(double x) {
  if (std::isnan(x)) return std::numeric_limits<float>::quiet_NaN();
  if (x > 20.0) return kInf;
  if (x < -20.0) return 0.0f;
  const double b = Interpolate(g_pow2, kPow2TableSize, std::fabs(x) / 0.001);
  return static_cast<float>(x >= 0.0 ? b : 1.0 / b);
}

float clampInPlace(float* v, float lo, float hi) {
  *v = std::max(std::min(*v, hi), lo);
  return *v;
}

float expClamped(float x) {
  clampInPlace(&x, -20.0f, 20.0f);
  if (x < 0.0f) return 1.0f / std::exp(-x);
  return expf_neon(x);
}

float sinClamped(float x) {
  if (static_cast<double>(x) < -M_PI) return -1.0f;
  if (static_cast<double>(x) > M_PI) return 1.0f;
  return sinf_neon(x);
}

float fastAtan(float x) {
  if (std::fabs(x) <= 1.17549435e-38f) return 0.0f;
  return atanf_neon(x);
}

void fastPow4(const float a[4], const float b[4], float out[4]) {
  v4::Store(out, fastPow4(v4::Load(a), v4::Load(b)));
}

float fastPow4Ref(float a, float b) {
  int32_t bits;
  std::memcpy(&bits, &a, 4);
  const float diff = static_cast<float>(bits) - kFastPowK;
  const float prod = b * diff;
  const float sum = kFastPowK + prod;
  const int32_t r = arm::ToInt32(sum);
  float out;
  std::memcpy(&out, &r, 4);
  return out;
}
