#include "audio/AudioFilter.h"

#include <cmath>

namespace {

constexpr float kPi = 3.1415927f;
constexpr float kTwoPi = 6.2831855f;
constexpr float kSqrt2 = 1.4142135f;

// Band-widths near Nyquist would push tan towards its pole; from this argument on the
// value at the argument is used instead.
constexpr float kTanCapArgument = 1.4922565f;
constexpr float kTanCapValue = 12.706206f;

struct DesignInput {
  float fc;
  float q;
  float boostCutDb;
  float fs;
  float theta;  // 2 pi fc / fs
  float k;      // tan(pi fc / fs)
};

using Coefficients = float[Biquad::kNumCoefficients];

// The designs compute in single precision, but some of them call the double-precision
// library functions (these wrappers, which take the float arguments in double). What such a
// call computes stays in double through the formula it feeds and is rounded to float where
// it becomes a coefficient; the coefficients themselves are floats wherever a later formula
// reads them.
double Cos(double x) { return std::cos(x); }
double Sin(double x) { return std::sin(x); }
double Exp(double x) { return std::exp(x); }
double Cosh(double x) { return std::cosh(x); }
double Pow(double x, double y) { return std::pow(x, y); }
// The square root is the single-precision one, also of a value computed in double.
float SqrtF(double x) { return std::sqrt(static_cast<float>(x)); }

double CappedTan(float x) { return x >= kTanCapArgument ? kTanCapValue : std::tan(double{x}); }
float CappedTanF(float x) { return x >= kTanCapArgument ? kTanCapValue : std::tan(x); }

float Square(float x) { return x * x; }

void LowPass1OnePole(const DesignInput& in, Coefficients& c) {
  const float g = 2.0f - std::cos(in.theta);
  c[Biquad::kB1] = std::sqrt(g * g - 1.0f) - g;
  c[Biquad::kA0] = 1.0f + c[Biquad::kB1];
}

float FirstOrderPole(float theta) { return std::cos(theta) / (1.0f + std::sin(theta)); }

void LowPass1(const DesignInput& in, Coefficients& c) {
  const float g = FirstOrderPole(in.theta);
  c[Biquad::kA0] = (1.0f - g) / 2.0f;
  c[Biquad::kA1] = (1.0f - g) / 2.0f;
  c[Biquad::kB1] = -g;
}

void HighPass1(const DesignInput& in, Coefficients& c) {
  const float g = FirstOrderPole(in.theta);
  c[Biquad::kA0] = (1.0f + g) / 2.0f;
  c[Biquad::kA1] = -(1.0f + g) / 2.0f;
  c[Biquad::kB1] = -g;
}

struct SecondOrderPoles {
  float beta;
  float g;
};

SecondOrderPoles SecondOrder(const DesignInput& in) {
  const float d = 1.0f / in.q;
  const float s = std::sin(in.theta);
  const float beta = 0.5f * (1.0f - (d / 2.0f) * s) / (1.0f + (d / 2.0f) * s);
  return {beta, (0.5f + beta) * std::cos(in.theta)};
}

void LowPass2(const DesignInput& in, Coefficients& c) {
  const SecondOrderPoles p = SecondOrder(in);
  c[Biquad::kA0] = (0.5f + p.beta - p.g) / 2.0f;
  c[Biquad::kA1] = 0.5f + p.beta - p.g;
  c[Biquad::kA2] = (0.5f + p.beta - p.g) / 2.0f;
  c[Biquad::kB1] = -2.0f * p.g;
  c[Biquad::kB2] = 2.0f * p.beta;
}

void HighPass2(const DesignInput& in, Coefficients& c) {
  const SecondOrderPoles p = SecondOrder(in);
  c[Biquad::kA0] = (0.5f + p.beta + p.g) / 2.0f;
  c[Biquad::kA1] = -(0.5f + p.beta + p.g);
  c[Biquad::kA2] = (0.5f + p.beta + p.g) / 2.0f;
  c[Biquad::kB1] = -2.0f * p.g;
  c[Biquad::kB2] = 2.0f * p.beta;
}

void BandPass2(const DesignInput& in, Coefficients& c) {
  const float k = in.k, q = in.q;
  const float d = k * k * q + k + q;
  c[Biquad::kA0] = k / d;
  c[Biquad::kA1] = 0.0f;
  c[Biquad::kA2] = -k / d;
  c[Biquad::kB1] = 2.0f * q * (k * k - 1.0f) / d;
  c[Biquad::kB2] = (k * k * q - k + q) / d;
}

void BandStop2(const DesignInput& in, Coefficients& c) {
  const float k = in.k, q = in.q;
  const float d = k * k * q + k + q;
  c[Biquad::kA0] = q * (k * k + 1.0f) / d;
  c[Biquad::kA1] = 2.0f * q * (k * k - 1.0f) / d;
  c[Biquad::kA2] = q * (k * k + 1.0f) / d;
  c[Biquad::kB1] = 2.0f * q * (k * k - 1.0f) / d;
  c[Biquad::kB2] = (k * k * q - k + q) / d;
}

void ButterworthLowPass(const DesignInput& in, Coefficients& c) {
  const float u = 1.0f / in.k;
  const float a0 = 1.0f / (1.0f + kSqrt2 * u + u * u);
  c[Biquad::kA0] = a0;
  c[Biquad::kA1] = 2.0f * a0;
  c[Biquad::kA2] = a0;
  c[Biquad::kB1] = 2.0f * a0 * (1.0f - u * u);
  c[Biquad::kB2] = a0 * (1.0f - kSqrt2 * u + u * u);
}

void ButterworthHighPass(const DesignInput& in, Coefficients& c) {
  const float u = in.k;
  const float a0 = 1.0f / (1.0f + kSqrt2 * u + u * u);
  c[Biquad::kA0] = a0;
  c[Biquad::kA1] = -2.0f * a0;
  c[Biquad::kA2] = a0;
  c[Biquad::kB1] = 2.0f * a0 * (u * u - 1.0f);
  c[Biquad::kB2] = a0 * (1.0f - kSqrt2 * u + u * u);
}

// tan(pi B / fs) for the band-width B = fc / Q.
double BandWidthTan(const DesignInput& in) { return CappedTan(kPi * (in.fc / in.q) / in.fs); }

void ButterworthBandPass(const DesignInput& in, Coefficients& c) {
  const double u = 1.0 / BandWidthTan(in);
  const float a0 = static_cast<float>(1.0 / (1.0 + u));
  c[Biquad::kA0] = a0;
  c[Biquad::kA1] = 0.0f;
  c[Biquad::kA2] = -a0;
  c[Biquad::kB1] = static_cast<float>(-2.0 * u * a0 * Cos(in.theta));
  c[Biquad::kB2] = static_cast<float>((u - 1.0) * a0);
}

void ButterworthBandStop(const DesignInput& in, Coefficients& c) {
  const double u = BandWidthTan(in);
  const float a0 = static_cast<float>(1.0 / (1.0 + u));
  c[Biquad::kA0] = a0;
  c[Biquad::kA1] = static_cast<float>(-2.0 * a0 * Cos(in.theta));
  c[Biquad::kA2] = a0;
  c[Biquad::kB1] = c[Biquad::kA1];
  c[Biquad::kB2] = static_cast<float>((1.0 - u) * a0);
}

// All-pole resonant low-pass whose resonance peak follows the analog prototype's.
void AnalogMatchedLowPass(const DesignInput& in, Coefficients& c, bool compensate) {
  float peakDb = 0.0f, r = 0.0f;
  double a = 1.0;
  if (in.q > 0.707f) {
    const float peak = in.q * in.q / std::sqrt(in.q * in.q - 0.25f);
    peakDb = 20.0f * std::log10(peak);
    r = SqrtF(Pow(10.0, peakDb / 10.0f) - 1.0);
    a = Pow(10.0, peakDb / 20.0f);
  }
  const double g = (Cos(in.theta) + r * Sin(in.theta)) / (1.0 + a * Sin(in.theta));
  c[Biquad::kA1] = 0.0f;
  c[Biquad::kA2] = 0.0f;
  c[Biquad::kB1] = static_cast<float>(-2.0 * g * Cos(in.theta));
  c[Biquad::kB2] = static_cast<float>(g * g);
  c[Biquad::kA0] = 1.0f + c[Biquad::kB1] + c[Biquad::kB2];
  if (compensate) c[Biquad::kA0] = static_cast<float>(c[Biquad::kA0] * Pow(10.0, -peakDb / 40.0f));
}

void AnalogMatchedLowPassCompensated(const DesignInput& in, Coefficients& c) {
  AnalogMatchedLowPass(in, c, true);
}
void AnalogMatchedLowPassPlain(const DesignInput& in, Coefficients& c) {
  AnalogMatchedLowPass(in, c, false);
}

// Shelves and the non-constant-Q EQ add c0 = mu - 1 times a low- or band-pass to the dry
// signal (d0 = 1).
void ShelfMix(double mu, Coefficients& c) {
  c[Biquad::kC0] = static_cast<float>(mu - 1.0);
  c[Biquad::kD0] = 1.0f;
}

void LowShelf1(const DesignInput& in, Coefficients& c) {
  const float mu = std::pow(10.0f, in.boostCutDb / 20.0f);
  const float beta = 4.0f / (1.0f + mu);
  const float delta = beta * std::tan(in.theta / 2.0f);
  const float g = (1.0f - delta) / (1.0f + delta);
  c[Biquad::kA0] = (1.0f - g) / 2.0f;
  c[Biquad::kA1] = (1.0f - g) / 2.0f;
  c[Biquad::kB1] = -g;
  ShelfMix(mu, c);
}

void HighShelf1(const DesignInput& in, Coefficients& c) {
  const float mu = std::pow(10.0f, in.boostCutDb / 20.0f);
  const float beta = (1.0f + mu) / 4.0f;
  const float delta = beta * std::tan(in.theta / 2.0f);
  const float g = (1.0f - delta) / (1.0f + delta);
  c[Biquad::kA0] = (1.0f + g) / 2.0f;
  c[Biquad::kA1] = -(1.0f + g) / 2.0f;
  c[Biquad::kB1] = -g;
  ShelfMix(mu, c);
}

void ParametricEq(const DesignInput& in, Coefficients& c) {
  const double t = CappedTan(in.theta / (2.0f * in.q));
  const double mu = Pow(10.0, in.boostCutDb / 20.0f);
  const double z = 4.0 / (1.0 + mu);
  const double beta = 0.5 * (1.0 - z * t) / (1.0 + z * t);
  const double g = (0.5 + beta) * Cos(in.theta);
  c[Biquad::kA0] = static_cast<float>(0.5 - beta);
  c[Biquad::kA1] = 0.0f;
  c[Biquad::kA2] = static_cast<float>(-(0.5 - beta));
  c[Biquad::kB1] = static_cast<float>(-2.0 * g);
  c[Biquad::kB2] = static_cast<float>(2.0 * beta);
  ShelfMix(mu, c);
}

void ParametricEqConstantQ(const DesignInput& in, Coefficients& c) {
  const float k = in.k, q = in.q;
  const float mu = std::pow(10.0f, in.boostCutDb / 20.0f);
  if (in.boostCutDb >= 0.0f) {
    const float d = 1.0f + k / q + k * k;
    c[Biquad::kA0] = (1.0f + mu * k / q + k * k) / d;
    c[Biquad::kA1] = 2.0f * (k * k - 1.0f) / d;
    c[Biquad::kA2] = (1.0f - mu * k / q + k * k) / d;
    c[Biquad::kB1] = 2.0f * (k * k - 1.0f) / d;
    c[Biquad::kB2] = (1.0f - k / q + k * k) / d;
  } else {
    const float e = 1.0f + k / (mu * q) + k * k;
    c[Biquad::kA0] = (1.0f + k / q + k * k) / e;
    c[Biquad::kA1] = 2.0f * (k * k - 1.0f) / e;
    c[Biquad::kA2] = (1.0f - k / q + k * k) / e;
    c[Biquad::kB1] = 2.0f * (k * k - 1.0f) / e;
    c[Biquad::kB2] = (1.0f - k / (mu * q) + k * k) / e;
  }
}

struct LinkwitzRiley {
  float w, k, d;
};

LinkwitzRiley LinkwitzRileyPoles(const DesignInput& in) {
  const float w = kPi * in.fc;
  const float k = w / std::tan(w / in.fs);
  return {w, k, k * k + w * w + 2.0f * k * w};
}

void LinkwitzRileyLowPass(const DesignInput& in, Coefficients& c) {
  const LinkwitzRiley p = LinkwitzRileyPoles(in);
  c[Biquad::kA0] = p.w * p.w / p.d;
  c[Biquad::kA1] = 2.0f * p.w * p.w / p.d;
  c[Biquad::kA2] = p.w * p.w / p.d;
  c[Biquad::kB1] = (2.0f * p.w * p.w - 2.0f * p.k * p.k) / p.d;
  c[Biquad::kB2] = (p.k * p.k - 2.0f * p.k * p.w + p.w * p.w) / p.d;
}

void LinkwitzRileyHighPass(const DesignInput& in, Coefficients& c) {
  const LinkwitzRiley p = LinkwitzRileyPoles(in);
  c[Biquad::kA0] = p.k * p.k / p.d;
  c[Biquad::kA1] = -2.0f * p.k * p.k / p.d;
  c[Biquad::kA2] = p.k * p.k / p.d;
  c[Biquad::kB1] = (2.0f * p.w * p.w - 2.0f * p.k * p.k) / p.d;
  c[Biquad::kB2] = (p.k * p.k - 2.0f * p.k * p.w + p.w * p.w) / p.d;
}

void AllPass1(const DesignInput& in, Coefficients& c) {
  const float alpha = (in.k - 1.0f) / (in.k + 1.0f);
  c[Biquad::kA0] = alpha;
  c[Biquad::kA1] = 1.0f;
  c[Biquad::kB1] = alpha;
}

// The pole radius squared is b2 = (1 - t) / (1 + t) = -alpha; with b2 = +alpha the pole
// product turns negative below a band-width of fs/4 and one pole leaves the unit circle.
void AllPass2(const DesignInput& in, Coefficients& c) {
  const float t = CappedTanF(kPi * (in.fc / in.q) / in.fs);
  const float alpha = (t - 1.0f) / (t + 1.0f);
  c[Biquad::kA0] = -alpha;
  c[Biquad::kA1] = -std::cos(in.theta) * (1.0f - alpha);
  c[Biquad::kA2] = 1.0f;
  c[Biquad::kB1] = -std::cos(in.theta) * (1.0f - alpha);
  c[Biquad::kB2] = -alpha;
}

void ResonatorPoles(const DesignInput& in, Coefficients& c) {
  c[Biquad::kB2] = static_cast<float>(Exp(-kTwoPi * (in.fc / in.q) / in.fs));
  c[Biquad::kB1] =
      static_cast<float>((-4.0f * c[Biquad::kB2] / (1.0f + c[Biquad::kB2])) * Cos(in.theta));
}

void ResonatorA(const DesignInput& in, Coefficients& c) {
  ResonatorPoles(in, c);
  const float b1 = c[Biquad::kB1], b2 = c[Biquad::kB2];
  c[Biquad::kA0] = (1.0f - b2) * std::sqrt(1.0f - b1 * b1 / (4.0f * b2));
  c[Biquad::kA1] = 0.0f;
  c[Biquad::kA2] = 0.0f;
}

void ResonatorB(const DesignInput& in, Coefficients& c) {
  ResonatorPoles(in, c);
  c[Biquad::kA0] = 1.0f - std::sqrt(c[Biquad::kB2]);
  c[Biquad::kA1] = 0.0f;
  c[Biquad::kA2] = -c[Biquad::kA0];
}

// The magnitude-matched designs place the poles by impulse invariance and choose the zeros
// so that the magnitude meets the analog prototype's at chosen frequencies.
struct MatchedPoles {
  float b1, b2;
  double p0, p1, p2;
  float a0sq, a1sq, a2;  // A0, A1, A2
  float f0;              // fc / (fs / 2)
};

MatchedPoles Matched(const DesignInput& in) {
  MatchedPoles m;
  const float z = 1.0f / (2.0f * in.q);
  m.b2 = static_cast<float>(Exp(-2.0f * z * in.theta));
  if (z <= 1.0f) {
    m.b1 = static_cast<float>(-2.0 * Exp(-z * in.theta) * Cos(in.theta * std::sqrt(1.0f - z * z)));
  } else {
    m.b1 = static_cast<float>(-2.0 * Exp(-z * in.theta) * Cosh(in.theta * std::sqrt(z * z - 1.0f)));
  }
  const double sinHalf = Sin(in.theta / 2.0f);
  const double s = sinHalf * sinHalf;
  m.p0 = 1.0 - s;
  m.p1 = s;
  m.p2 = 4.0 * m.p0 * m.p1;
  m.a0sq = Square(1.0f + m.b1 + m.b2);
  m.a1sq = Square(1.0f - m.b1 + m.b2);
  m.a2 = -4.0f * m.b2;
  m.f0 = in.theta / kPi;
  return m;
}

void SetPoles(const MatchedPoles& m, Coefficients& c) {
  c[Biquad::kB1] = m.b1;
  c[Biquad::kB2] = m.b2;
}

// |analog response| at Nyquist, less its numerator: 1 / sqrt((1 - f0^2)^2 + f0^2 / Q^2).
float NyquistDenominator(const MatchedPoles& m, float q) {
  return std::sqrt(Square(1.0f - m.f0 * m.f0) + m.f0 * m.f0 / (q * q));
}

void MatchedLowPassTight(const DesignInput& in, Coefficients& c) {
  const MatchedPoles m = Matched(in);
  const double r1 = (m.a0sq * m.p0 + m.a1sq * m.p1 + m.a2 * m.p2) * in.q * in.q;
  double b1 = (r1 - m.a0sq * m.p0) / m.p1;
  if (b1 < 0.0) b1 = 0.0;
  c[Biquad::kA0] = (std::sqrt(m.a0sq) + SqrtF(b1)) / 2.0f;
  c[Biquad::kA1] = std::sqrt(m.a0sq) - c[Biquad::kA0];
  c[Biquad::kA2] = 0.0f;
  SetPoles(m, c);
}

void MatchedLowPassLoose(const DesignInput& in, Coefficients& c) {
  const MatchedPoles m = Matched(in);
  const float r0 = 1.0f + m.b1 + m.b2;
  const float r1 = (1.0f - m.b1 + m.b2) * m.f0 * m.f0 / NyquistDenominator(m, in.q);
  c[Biquad::kA0] = (r0 + r1) / 2.0f;
  c[Biquad::kA1] = r0 - c[Biquad::kA0];
  c[Biquad::kA2] = 0.0f;
  SetPoles(m, c);
}

void MatchedBandPassTight(const DesignInput& in, Coefficients& c) {
  const MatchedPoles m = Matched(in);
  const double r1 = m.a0sq * m.p0 + m.a1sq * m.p1 + m.a2 * m.p2;
  const double r2 = -m.a0sq + m.a1sq + 4.0 * (m.p0 - m.p1) * m.a2;
  const double b2 = (r1 - r2 * m.p1) / (4.0 * m.p1 * m.p1);
  const double b1 = r2 + 4.0 * (m.p1 - m.p0) * b2;
  const float a1 = -SqrtF(b1) / 2.0f;
  c[Biquad::kA1] = a1;
  c[Biquad::kA0] = (SqrtF(b2 + a1 * a1) - a1) / 2.0f;
  c[Biquad::kA2] = -c[Biquad::kA0] - a1;
  SetPoles(m, c);
}

void MatchedBandPassLoose(const DesignInput& in, Coefficients& c) {
  const MatchedPoles m = Matched(in);
  const float r0 = (1.0f + m.b1 + m.b2) / (kPi * m.f0 * in.q);
  const float r1 = (1.0f - m.b1 + m.b2) * (m.f0 / in.q) / NyquistDenominator(m, in.q);
  const float a1 = -r1 / 2.0f;
  c[Biquad::kA1] = a1;
  c[Biquad::kA0] = (r0 - a1) / 2.0f;
  c[Biquad::kA2] = -c[Biquad::kA0] - a1;
  SetPoles(m, c);
}

void ImpulseInvariantLowPass1(const DesignInput& in, Coefficients& c) {
  const float e = std::exp(-in.theta);
  c[Biquad::kA0] = 1.0f - e;
  c[Biquad::kB1] = -e;
}

void ImpulseInvariantLowPass2(const DesignInput& in, Coefficients& c) {
  const float z = 1.0f / (2.0f * in.q);
  const float root = std::sqrt(1.0f - z * z);
  const float wd = in.theta * root;
  const double e = Exp(-z * in.theta);
  c[Biquad::kA0] = 0.0f;
  c[Biquad::kA1] = static_cast<float>(-(in.theta / root) * e * Sin(wd));
  c[Biquad::kA2] = 0.0f;
  c[Biquad::kB1] = static_cast<float>(-2.0 * e * Cos(wd));
  c[Biquad::kB2] = static_cast<float>(e * e);
}

using DesignFn = void (*)(const DesignInput&, Coefficients&);

// Indexed by algorithm code.
constexpr DesignFn kDesigns[AudioFilter::kNumAlgorithms] = {
    LowPass1OnePole,                  // 0
    LowPass1,                         // 1
    HighPass1,                        // 2
    LowPass2,                         // 3
    HighPass2,                        // 4
    BandPass2,                        // 5
    BandStop2,                        // 6
    ButterworthLowPass,               // 7
    ButterworthHighPass,              // 8
    ButterworthBandPass,              // 9
    ButterworthBandStop,              // 10
    AnalogMatchedLowPassCompensated,  // 11
    AnalogMatchedLowPassPlain,        // 12
    LowShelf1,                        // 13
    HighShelf1,                       // 14
    ParametricEq,                     // 15
    ParametricEqConstantQ,            // 16
    LinkwitzRileyLowPass,             // 17
    LinkwitzRileyHighPass,            // 18
    AllPass1,                         // 19
    AllPass2,                         // 20
    ResonatorA,                       // 21
    ResonatorB,                       // 22
    MatchedLowPassTight,              // 23
    MatchedLowPassLoose,              // 24
    MatchedBandPassTight,             // 25
    MatchedBandPassLoose,             // 26
    ImpulseInvariantLowPass1,         // 27
    ImpulseInvariantLowPass2,         // 28
};

// A design with a non-finite coefficient or a pole outside the unit circle would turn the
// section's state into inf/NaN for good.
bool Usable(const Coefficients& c) {
  for (float v : c) {
    if (!std::isfinite(v)) return false;
  }
  const float b1 = c[Biquad::kB1], b2 = c[Biquad::kB2];
  return std::fabs(b2) <= 1.0f && std::fabs(b1) <= 1.0f + b2;
}

}  // namespace

bool AudioFilter::Reset(float sampleRate) {
  sampleRate_ = sampleRate;
  biquad_.SetRealisation(Biquad::kTransposedCanonical);
  biquad_.Reset(sampleRate);
  return true;
}

bool AudioFilter::CanProcessFrame() { return false; }

void AudioFilter::SetSampleRate(float sampleRate) {
  sampleRate_ = sampleRate;
  CalculateCoefficients();
}

void AudioFilter::SetParameters(int32_t algorithm, float fc, float q, float boostCutDb) {
  if (q <= 0.0f) q = 0.707f;
  if (algorithm == algorithm_ && fc == fc_ && q == q_ && boostCutDb == boostCutDb_) return;
  algorithm_ = algorithm;
  fc_ = fc;
  q_ = q;
  boostCutDb_ = boostCutDb;
  CalculateCoefficients();
}

bool AudioFilter::CalculateCoefficients() {
  if (algorithm_ < 0 || algorithm_ >= kNumAlgorithms) return false;
  const DesignInput in{fc_,
                       q_,
                       boostCutDb_,
                       sampleRate_,
                       kTwoPi * fc_ / sampleRate_,
                       std::tan(kPi * fc_ / sampleRate_)};
  Coefficients c = {1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f};
  kDesigns[algorithm_](in, c);
  if (!Usable(c)) return false;
  for (int i = 0; i < Biquad::kNumCoefficients; ++i) designed_[i] = c[i];
  biquad_.SetCoefficients(designed_);
  return true;
}
