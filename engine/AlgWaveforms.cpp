#include "engine/AlgWaveforms.h"

#include <cmath>
#include <limits>

namespace algwave {
namespace {

constexpr float kPi = 3.14159265358979f;
constexpr double kPiD = 3.14159265358979323846;

// Position of point j: x runs from -1 up to just below +1, u from 0 up to just below 1.
inline float X(int32_t j, int32_t n) { return static_cast<float>(j) / static_cast<float>(n / 2) - 1.0f; }
inline float U(float x) { return (x + 1.0f) * 0.5f; }
inline float Pulse(bool high) { return high ? 1.0f : -1.0f; }

void JustSaw(float* out, int32_t n, float, float) {
  for (int32_t j = 0; j < n; ++j) out[j] = X(j, n);
}

// Sine -> triangle -> saw -> square -> ever narrower pulse as b rises through its quarters.
void VaSweep(float* out, int32_t n, float b, float) {
  const float d = 4.0f * b;
  if (b < 0.25f) {
    for (int32_t j = 0; j < n; ++j) {
      const float x = X(j, n);
      const float g = 1.0f - std::fabs(2.0f * x);
      out[j] = g * d + (1.0f - d) * std::sin(kPi * x);
    }
  } else if (b < 0.5f) {
    const float m = (b - 0.25f) * 4.0f;
    for (int32_t j = 0; j < n; ++j) {
      const float x = X(j, n);
      const float g = 1.0f - std::fabs(2.0f * x);
      out[j] = m * x + g * (1.0f - m);
    }
  } else if (b < 0.75f) {
    const float m = (b - 0.5f) * 4.0f;
    for (int32_t j = 0; j < n; ++j) {
      const float x = X(j, n);
      const float s = Pulse(U(x) > 0.5f);
      out[j] = m * s + (1.0f - m) * x;
    }
  } else {
    const float edge = 0.5f + (b - 0.75f) * 1.95f;
    for (int32_t j = 0; j < n; ++j) out[j] = Pulse(U(X(j, n)) > edge);
  }
}

// Two pulses per cycle whose widths move apart: 0.25 (1 + b) and 0.25 (1 - b).
void DualPwm(float* out, int32_t n, float b, float) {
  for (int32_t j = 0; j < n; ++j) {
    const float u = U(X(j, n));
    out[j] = u < 0.5f ? Pulse(u < 0.25f + 0.25f * b) : Pulse(u - 0.5f < 0.25f - 0.25f * b);
  }
}

// A slave saw of 2..12 cycles per table, restarted by the table cycle (its last cycle is cut short).
void HardSyncSaw(float* out, int32_t n, float b, float) {
  const float k = 2.0f + 10.0f * b;
  const float step = k / static_cast<float>(n);
  float p = 0.0f;
  for (int32_t j = 0; j < n; ++j) {
    p += step;
    if (p >= 1.0f) p -= 1.0f;
    out[j] = 2.0f * p - 1.0f;
  }
}

void Pwm(float* out, int32_t n, float b, float) {
  const float edge = 0.5f + 0.49f * b;
  for (int32_t j = 0; j < n; ++j) out[j] = Pulse(U(X(j, n)) > edge);
}

// A sine of P2 x 2 cycles ring-modulated by a formant sine of b x 32 cycles.
void FormantSin(float* out, int32_t n, float b, float p2) {
  const double carrier = static_cast<double>(p2) * 4.0 * kPiD;
  const double formant = static_cast<double>(b) * 64.0 * kPiD;
  for (int32_t j = 0; j < n; ++j) {
    const double x = X(j, n);
    out[j] = static_cast<float>(std::sin(carrier * x) * std::sin(formant * x));
  }
}

// Phase distortion: the sine's phase is bent by a power that steepens as b approaches 1.
void PdSin(float* out, int32_t n, float b, float) {
  const float exponent = 1.0f / (1.02f - b);
  for (int32_t j = 0; j < n; ++j) out[j] = std::sin(2.0f * kPi * std::pow(U(X(j, n)), exponent));
}

// Pulse trains in the first and third quarters, 4 b pulses per quarter of width 1 / (32 b).
void FractPwm(float* out, int32_t n, float b, float) {
  // b = 0 makes both the period and the width infinite: the quarters are high throughout.
  constexpr float kInf = std::numeric_limits<float>::infinity();
  const float d = 4.0f * b;
  const float period = d > 0.0f ? 0.25f / d : kInf;
  const float width = b > 0.0f ? 0.25f / (8.0f * b) : kInf;
  for (int32_t j = 0; j < n; ++j) {
    const float u = U(X(j, n));
    float v = -1.0f;
    if (u < 0.25f) {
      v = u;
    } else if (u >= 0.5f && u < 0.75f) {
      v = u - 0.5f;
    }
    out[j] = v >= 0.0f ? Pulse(std::fmod(v, period) < width) : -1.0f;
  }
}

}  // namespace

const Algorithm kAlgorithms[kAlgorithmCount] = {
    {0, "Just SAW", JustSaw},
    {1, "VA Sweep", VaSweep},
    {2, "Dual PWM", DualPwm},
    {3, "HSnyc SAW", HardSyncSaw},
    {4, " PWM ", Pwm},
    {5, "Format SIN", FormantSin},
    {6, "PD SIN", PdSin},
    {7, "Fract PWM", FractPwm},
};

bool Generate(int32_t algorithm, float* out, int32_t n, float b, float p2) {
  if (algorithm < 0 || algorithm >= kAlgorithmCount) return false;
  kAlgorithms[algorithm].generate(out, n, b, p2);
  return true;
}

const char* Name(int32_t algorithm) {
  if (algorithm < 0 || algorithm >= kAlgorithmCount) return nullptr;
  return kAlgorithms[algorithm].name;
}

}  // namespace algwave
