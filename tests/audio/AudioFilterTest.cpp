// Designs measured from impulse responses (a direct DFT in double) against their analytic
// responses: the bilinear prototypes prewarped at fc, the band designs' closed forms, the
// gains the matched and resonator designs are built to meet, and the sampled analog
// impulse responses of the impulse-invariant designs.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <functional>
#include <string>
#include <vector>

#include "audio/AudioFilter.h"
#include "platform/Denormals.h"
#include "tests/audio/VtableSlot.h"
#include "tests/support/FilterResponse.h"
#include "tests/support/AllocCounter.h"

namespace {

using filter_test::Complex;
using filter_test::Db;
using filter_test::Dft;
using filter_test::kFs;
using filter_test::Sigma;
using vtable_test::SlotOf;

constexpr int kLength = 16384;
constexpr double kProbes[] = {20, 100, 300, 700, 1000, 1500, 2500, 5000, 8000, 12000, 16000, 20000, 23900};

AudioFilter Designed(int32_t algorithm, float fc, float q, float db, float fs = 48000.0f) {
  AudioFilter f;
  f.Reset(fs);
  f.SetParameters(algorithm, fc, q, db);
  f.SetSampleRate(fs);  // designs even when the values equal the construction defaults
  return f;
}

std::vector<float> Impulse(AudioFilter& f, int length = kLength) {
  std::vector<float> h(length);
  for (int n = 0; n < length; ++n) h[n] = f.ProcessSample(n == 0 ? 1.0f : 0.0f);
  return h;
}

double Gain(const std::vector<float>& h, double f) { return std::abs(Dft(h, f)); }

double Omega(double f) { return 2.0 * M_PI * f / kFs; }
double CappedTan(double x) { return x >= 1.4922565 ? 12.706206 : std::tan(x); }

struct MagnitudeCase {
  const char* name;
  int32_t algorithm;
  float fc, q, db;
  std::function<Complex(double f)> analytic;
};

class AudioFilterTest : public ::testing::Test {
 protected:
  platform::ScopedFlushToZero ftz_;
};

TEST_F(AudioFilterTest, DesignsMeetTheirAnalyticMagnitudeResponses) {
  const double mu6 = std::pow(10.0, 6.0 / 20.0), muCut = std::pow(10.0, -9.0 / 20.0);
  auto bandPass = [](double f, double fc, double c) {  // 1 / (1 - jC (cos w - cos wc) / sin w)
    return 1.0 / Complex(1.0, -c * (std::cos(Omega(f)) - std::cos(Omega(fc))) / std::sin(Omega(f)));
  };
  const MagnitudeCase cases[] = {
      {"first-order low-pass", 1, 1000, 0.707f, 0, [](double f) { return 1.0 / (1.0 + Sigma(f, 1000)); }},
      {"first-order high-pass", 2, 3000, 0.707f, 0, [](double f) { return Sigma(f, 3000) / (1.0 + Sigma(f, 3000)); }},
      {"second-order low-pass", 3, 2000, 4.0f, 0,
       [](double f) { Complex s = Sigma(f, 2000); return 1.0 / (s * s + s / 4.0 + 1.0); }},
      {"second-order high-pass", 4, 1500, 0.5f, 0,
       [](double f) { Complex s = Sigma(f, 1500); return s * s / (s * s + s / 0.5 + 1.0); }},
      {"second-order band-pass", 5, 2500, 3.0f, 0,
       [](double f) { Complex s = Sigma(f, 2500); return (s / 3.0) / (s * s + s / 3.0 + 1.0); }},
      {"second-order band-stop", 6, 2500, 2.0f, 0,
       [](double f) { Complex s = Sigma(f, 2500); return (s * s + 1.0) / (s * s + s / 2.0 + 1.0); }},
      {"Butterworth low-pass", 7, 5000, 0.707f, 0,
       [](double f) { Complex s = Sigma(f, 5000); return 1.0 / (s * s + std::sqrt(2.0) * s + 1.0); }},
      {"Butterworth high-pass", 8, 700, 0.707f, 0,
       [](double f) { Complex s = Sigma(f, 700); return s * s / (s * s + std::sqrt(2.0) * s + 1.0); }},
      {"Butterworth band-pass", 9, 2000, 2.0f, 0,
       [&](double f) { return bandPass(f, 2000, 1.0 / CappedTan(M_PI * 1000.0 / kFs)); }},
      {"Butterworth band-stop", 10, 3000, 1.5f, 0,
       [&](double f) {  // 1 - band-pass with C = 1 / u
         return 1.0 - bandPass(f, 3000, 1.0 / CappedTan(M_PI * 2000.0 / kFs));
       }},
      {"first-order low shelf, boost", 13, 500, 0.707f, 6,
       [&](double f) {
         const double delta = 4.0 / (1.0 + mu6) * std::tan(Omega(500) / 2.0);
         return 1.0 + (mu6 - 1.0) / (1.0 + Complex(0.0, std::tan(Omega(f) / 2.0) / delta));
       }},
      {"first-order high shelf, cut", 14, 4000, 0.707f, -9,
       [&](double f) {
         const double delta = (1.0 + muCut) / 4.0 * std::tan(Omega(4000) / 2.0);
         const Complex s(0.0, std::tan(Omega(f) / 2.0) / delta);
         return 1.0 + (muCut - 1.0) * s / (1.0 + s);
       }},
      {"parametric EQ, boost", 15, 1000, 2.0f, 6,
       [&](double f) {
         const double alpha = 4.0 / (1.0 + mu6) * std::tan(Omega(1000) / (2.0 * 2.0));
         return 1.0 + (mu6 - 1.0) * bandPass(f, 1000, 1.0 / alpha);
       }},
      {"parametric EQ, cut", 15, 3000, 1.0f, -9,
       [&](double f) {
         const double alpha = 4.0 / (1.0 + muCut) * std::tan(Omega(3000) / 2.0);
         return 1.0 + (muCut - 1.0) * bandPass(f, 3000, 1.0 / alpha);
       }},
      {"constant-Q EQ, boost", 16, 1000, 3.0f, 6,
       [&](double f) { Complex s = Sigma(f, 1000); return (s * s + mu6 * s / 3.0 + 1.0) / (s * s + s / 3.0 + 1.0); }},
      {"constant-Q EQ, cut", 16, 2000, 1.0f, -9,
       [&](double f) { Complex s = Sigma(f, 2000); return (s * s + s + 1.0) / (s * s + s / muCut + 1.0); }},
      {"Linkwitz-Riley low-pass", 17, 1200, 0.707f, 0,
       [](double f) { Complex s = Sigma(f, 1200); return 1.0 / ((1.0 + s) * (1.0 + s)); }},
      {"Linkwitz-Riley high-pass", 18, 1200, 0.707f, 0,
       [](double f) { Complex s = Sigma(f, 1200); return s * s / ((1.0 + s) * (1.0 + s)); }},
      {"first-order all-pass", 19, 800, 0.707f, 0,
       [](double f) { Complex s = Sigma(f, 800); return (1.0 - s) / (1.0 + s); }},
      {"second-order all-pass", 20, 4000, 2.0f, 0, [](double) { return Complex(1.0); }},
  };
  for (const MagnitudeCase& c : cases) {
    AudioFilter f = Designed(c.algorithm, c.fc, c.q, c.db);
    const std::vector<float> h = Impulse(f);
    for (double probe : kProbes) {
      const double measured = Gain(h, probe);
      const double expected = std::abs(c.analytic(probe));
      if (expected > 1e-3) {
        EXPECT_NEAR(Db(measured), Db(expected), 0.02) << c.name << " at " << probe << " Hz";
      } else {
        EXPECT_NEAR(measured, expected, 2e-5) << c.name << " at " << probe << " Hz";
      }
    }
  }
}

TEST_F(AudioFilterTest, AllPassesTurnThePhaseAtTheCorner) {
  AudioFilter first = Designed(AudioFilter::kAllPass1, 800, 0.707f, 0);
  EXPECT_NEAR(std::arg(Dft(Impulse(first), 800)), -M_PI / 2.0, 1e-4);
  AudioFilter second = Designed(AudioFilter::kAllPass2, 4000, 2.0f, 0);
  EXPECT_NEAR(std::abs(std::arg(Dft(Impulse(second), 4000))), M_PI, 1e-4);
}

TEST_F(AudioFilterTest, LinkwitzRileyPairSumsToAnAllPassWithTheHighPassInverted) {
  for (float fc : {300.0f, 1200.0f, 6000.0f}) {
    AudioFilter lp = Designed(AudioFilter::kLinkwitzRileyLowPass, fc, 0.707f, 0);
    AudioFilter hp = Designed(AudioFilter::kLinkwitzRileyHighPass, fc, 0.707f, 0);
    const std::vector<float> hl = Impulse(lp), hh = Impulse(hp);
    EXPECT_NEAR(Db(Gain(hl, fc)), -6.0206, 0.01);
    EXPECT_NEAR(Db(Gain(hh, fc)), -6.0206, 0.01);
    std::vector<float> diff(hl.size());
    for (std::size_t n = 0; n < hl.size(); ++n) diff[n] = hl[n] - hh[n];
    for (double probe : kProbes) EXPECT_NEAR(Gain(diff, probe), 1.0, 1e-4) << fc << " at " << probe;
  }
}

// Designs defined by the gains they meet rather than by a prototype.
TEST_F(AudioFilterTest, PointDesignsMeetTheirDefiningGains) {
  const float fc = 2000.0f, q = 3.0f;
  const double f0 = fc / (kFs / 2.0);
  const double nyquistLp = f0 * f0 / std::sqrt(std::pow(1 - f0 * f0, 2) + f0 * f0 / (q * q));
  const double nyquistBp = (f0 / q) / std::sqrt(std::pow(1 - f0 * f0, 2) + f0 * f0 / (q * q));
  struct Case {
    const char* name;
    int32_t algorithm;
    double freq;
    double gain;
    double tolDb;
  };
  const double peakDb = 20.0 * std::log10(q * q / std::sqrt(q * q - 0.25));
  const Case cases[] = {
      {"one-pole low-pass DC", 0, 0.0, 1.0, 1e-3},
      {"one-pole low-pass at fc (-3 dB)", 0, fc, std::sqrt(0.5), 1e-3},
      {"first-order low-pass at fc (-3 dB)", 1, fc, std::sqrt(0.5), 1e-3},
      {"analog-matched, compensated, DC", 11, 0.0, std::pow(10.0, -peakDb / 40.0), 1e-3},
      {"analog-matched DC", 12, 0.0, 1.0, 1e-3},
      {"resonator A at fc", 21, fc, 1.0, 0.05},
      {"magnitude-matched LP tight DC", 23, 0.0, 1.0, 1e-3},
      {"magnitude-matched LP tight at fc (Q)", 23, fc, q, 1e-3},
      {"magnitude-matched LP loose DC", 24, 0.0, 1.0, 1e-3},
      {"magnitude-matched LP loose Nyquist", 24, kFs / 2, nyquistLp, 1e-3},
      {"magnitude-matched BP tight at fc", 25, fc, 1.0, 1e-3},
      {"magnitude-matched BP loose Nyquist", 26, kFs / 2, nyquistBp, 1e-3},
      {"impulse-invariant one-pole DC", 27, 0.0, 1.0, 1e-3},
  };
  for (const Case& c : cases) {
    AudioFilter f = Designed(c.algorithm, fc, q, 0);
    EXPECT_NEAR(Db(Gain(Impulse(f), c.freq)), Db(c.gain), c.tolDb) << c.name;
  }
  // Band-passes from the matched designs block DC outright.
  for (int32_t a : {25, 26}) {
    AudioFilter f = Designed(a, fc, q, 0);
    EXPECT_LT(Gain(Impulse(f), 0.0), 1e-5) << a;
  }
}

TEST_F(AudioFilterTest, ResonatorsPeakAtTheirCentre) {
  for (int32_t a : {AudioFilter::kResonatorA, AudioFilter::kResonatorB}) {
    for (float fc : {500.0f, 3000.0f}) {
      AudioFilter f = Designed(a, fc, 20.0f, 0);
      const std::vector<float> h = Impulse(f);
      double best = 0.0, bestGain = 0.0;
      for (double probe = 0.5 * fc; probe <= 1.5 * fc; probe += fc / 400.0) {
        const double g = Gain(h, probe);
        if (g > bestGain) bestGain = g, best = probe;
      }
      EXPECT_NEAR(best, fc, 0.01 * fc) << a << " at " << fc;
    }
  }
}

TEST_F(AudioFilterTest, ImpulseInvariantDesignsSampleTheAnalogImpulseResponse) {
  const float fc = 1500.0f;
  const double theta = 2.0 * M_PI * fc / kFs;
  AudioFilter one = Designed(AudioFilter::kImpulseInvariantLowPass1, fc, 0.707f, 0);
  const std::vector<float> h1 = Impulse(one, 200);
  for (int n = 0; n < 200; ++n) {
    EXPECT_NEAR(h1[n], (1.0 - std::exp(-theta)) * std::exp(-theta * n), 2e-6) << n;
  }
  // theta h(nT) of 1 / (s^2 + 2 zeta s + 1), with the design's inverted sign.
  const double q = 2.0, zeta = 1.0 / (2.0 * q), root = std::sqrt(1.0 - zeta * zeta);
  AudioFilter two = Designed(AudioFilter::kImpulseInvariantLowPass2, fc, static_cast<float>(q), 0);
  const std::vector<float> h2 = Impulse(two, 400);
  for (int n = 0; n < 400; ++n) {
    const double analog = theta / root * std::exp(-zeta * theta * n) * std::sin(theta * root * n);
    EXPECT_NEAR(h2[n], -analog, 2e-6) << n;
  }
}

TEST_F(AudioFilterTest, CappedTangentNearNyquist) {
  // pi * (fc / Q) / fs = pi * 25000 / 48000 = 1.636 rad, beyond the cap.
  const float fc = 10000.0f, q = 0.4f;
  // To the last bit: the band designs carry the double-precision tangent through to the
  // coefficients and round only there.
  AudioFilter bp = Designed(AudioFilter::kButterworthBandPass, fc, q, 0);
  EXPECT_EQ(bp.Coefficient(Biquad::kA0), 0.92704034f);
  EXPECT_EQ(bp.Coefficient(Biquad::kB2), -0.8540807f);
  AudioFilter bs = Designed(AudioFilter::kButterworthBandStop, fc, q, 0);
  EXPECT_EQ(bs.Coefficient(Biquad::kA0), 0.07295965f);
  const float t = 12.706206f;
  AudioFilter ap = Designed(AudioFilter::kAllPass2, fc, q, 0);
  EXPECT_FLOAT_EQ(ap.Coefficient(Biquad::kA0), (1.0f - t) / (1.0f + t));
  // theta / (2Q) = 2 pi 20000 / 48000 / 0.8 = 3.27 rad.
  AudioFilter eq = Designed(AudioFilter::kParametricEq, 20000.0f, 0.4f, 6.0f);
  const float z = 4.0f / (1.0f + std::pow(10.0f, 6.0f / 20.0f));
  EXPECT_FLOAT_EQ(eq.Coefficient(Biquad::kA0), 0.5f - 0.5f * (1.0f - z * t) / (1.0f + z * t));
}

TEST_F(AudioFilterTest, TightMatchedLowPassTakesANegativeB1AsZero) {
  // At a low corner A0 = (1 + b1 + b2)^2 is tiny and R1 - A0 p0 cancels to rounding noise,
  // here negative; its square root would be NaN.
  AudioFilter f = Designed(AudioFilter::kMatchedLowPassTight, 20.0f, 2.0f, 0);
  const float a0 = f.Coefficient(Biquad::kA0);
  EXPECT_TRUE(std::isfinite(a0));
  EXPECT_FLOAT_EQ(a0, f.Coefficient(Biquad::kA1));  // sqrt(A0) / 2 each
  const float dc = 1.0f + f.Coefficient(Biquad::kB1) + f.Coefficient(Biquad::kB2);
  EXPECT_FLOAT_EQ(2.0f * a0, dc);
}

TEST_F(AudioFilterTest, OnlyShelvesAndTheNonConstantQEqMixDryAndWet) {
  for (int32_t a = 0; a < AudioFilter::kNumAlgorithms; ++a) {
    const float db = -4.0f;
    AudioFilter f = Designed(a, 1000.0f, 1.0f, db);
    const bool mixes = a == 13 || a == 14 || a == 15;
    EXPECT_FLOAT_EQ(f.Coefficient(Biquad::kC0), mixes ? std::pow(10.0f, db / 20.0f) - 1.0f : 1.0f) << a;
    EXPECT_EQ(f.Coefficient(Biquad::kD0), mixes ? 1.0f : 0.0f) << a;

    // The output is d0 x + c0 y, y from a bare section with the same coefficients.
    Biquad ref;
    float c[Biquad::kNumCoefficients];
    for (int i = 0; i < Biquad::kNumCoefficients; ++i) c[i] = f.Coefficient(i);
    ref.SetCoefficients(c);
    ref.SetRealisation(Biquad::kTransposedCanonical);
    for (int n = 0; n < 50; ++n) {
      const float x = std::sin(0.3f * n);
      const float y = ref.ProcessSample(x);
      ASSERT_EQ(f.ProcessSample(x), c[Biquad::kD0] * x + c[Biquad::kC0] * y) << a;
    }
  }
}

TEST_F(AudioFilterTest, ConstructionResetAndSampleRate) {
  AudioFilter f;
  EXPECT_EQ(f.GetAlgorithm(), AudioFilter::kLowPass1);
  EXPECT_EQ(f.Fc(), 100.0f);
  EXPECT_EQ(f.Q(), 0.707f);
  EXPECT_EQ(f.BoostCutDb(), 0.0f);
  EXPECT_EQ(f.SampleRate(), 44100.0f);
  for (int i = 0; i < Biquad::kNumCoefficients; ++i) EXPECT_EQ(f.Coefficient(i), 0.0f);
  EXPECT_FALSE(f.CanProcessFrame());

  // Reset keeps the rate, selects the transposed canonical form and clears, but designs
  // nothing: the 44.1 kHz coefficients stay until SetSampleRate.
  f.SetSampleRate(44100.0f);
  const float a0At44k = f.Coefficient(Biquad::kA0);
  for (int n = 0; n < 20; ++n) f.ProcessSample(1.0f);
  EXPECT_TRUE(f.Reset(48000.0f));
  EXPECT_EQ(f.SampleRate(), 48000.0f);
  EXPECT_EQ(f.Section().GetRealisation(), Biquad::kTransposedCanonical);
  for (int i = 0; i < Biquad::kNumStates; ++i) EXPECT_EQ(f.Section().State()[i], 0.0f);
  EXPECT_EQ(f.Coefficient(Biquad::kA0), a0At44k);
  f.SetSampleRate(48000.0f);
  EXPECT_NE(f.Coefficient(Biquad::kA0), a0At44k);
  EXPECT_EQ(f.Coefficient(Biquad::kA0), Designed(AudioFilter::kLowPass1, 100, 0.707f, 0).Coefficient(Biquad::kA0));
}

TEST_F(AudioFilterTest, SetParametersRedesignsOnlyOnChangeAndTakesQZeroAs0707) {
  AudioFilter f = Designed(AudioFilter::kLowPass2, 1000.0f, 2.0f, 0.0f);
  for (int n = 0; n < 10; ++n) f.ProcessSample(1.0f);
  const Biquad before = f.Section();
  f.SetParameters(AudioFilter::kLowPass2, 1000.0f, 2.0f, 0.0f);
  for (int i = 0; i < Biquad::kNumCoefficients; ++i) EXPECT_EQ(f.Coefficient(i), before.Coefficient(i));
  for (int i = 0; i < Biquad::kNumStates; ++i) EXPECT_EQ(f.Section().State()[i], before.State()[i]);

  // Each of the four values on its own triggers a redesign.
  f.SetParameters(AudioFilter::kHighPass2, 1000.0f, 2.0f, 0.0f);
  EXPECT_NE(f.Coefficient(Biquad::kA1), before.Coefficient(Biquad::kA1));
  f.SetParameters(AudioFilter::kHighPass2, 1200.0f, 2.0f, 0.0f);
  EXPECT_EQ(f.Fc(), 1200.0f);
  f.SetParameters(AudioFilter::kLowShelf1, 1200.0f, 2.0f, 0.0f);
  EXPECT_EQ(f.Coefficient(Biquad::kC0), 0.0f);
  f.SetParameters(AudioFilter::kLowShelf1, 1200.0f, 2.0f, 6.0f);
  EXPECT_GT(f.Coefficient(Biquad::kC0), 0.9f);

  for (float q : {0.0f, -3.0f}) {
    AudioFilter z = Designed(AudioFilter::kLowPass2, 1000.0f, q, 0.0f);
    AudioFilter ref = Designed(AudioFilter::kLowPass2, 1000.0f, 0.707f, 0.0f);
    EXPECT_EQ(z.Q(), 0.707f);
    for (int i = 0; i < Biquad::kNumCoefficients; ++i) EXPECT_EQ(z.Coefficient(i), ref.Coefficient(i)) << q;
  }
}

TEST_F(AudioFilterTest, UnknownAlgorithmKeepsThePreviousCoefficients) {
  for (int32_t code : {29, 100, -1}) {
    AudioFilter f = Designed(AudioFilter::kButterworthLowPass, 2000.0f, 0.707f, 0.0f);
    const Biquad before = f.Section();
    f.SetParameters(code, 3000.0f, 1.0f, 0.0f);
    EXPECT_EQ(f.GetAlgorithm(), code);
    EXPECT_FALSE(f.CalculateCoefficients());
    for (int i = 0; i < Biquad::kNumCoefficients; ++i) EXPECT_EQ(f.Coefficient(i), before.Coefficient(i));
  }
}

// Designs that would give non-finite coefficients or poles outside the unit circle are
// refused like an unknown algorithm, and the filter keeps running on its last good design.
TEST_F(AudioFilterTest, DesignsThatWouldBlowUpAreRefused) {
  struct Case {
    const char* name;
    int32_t algorithm;
    float fc, q;
  };
  const Case cases[] = {
      {"Butterworth LP at 0 Hz", 7, 0.0f, 0.707f},
      {"Butterworth LP at Nyquist", 7, 24000.0f, 0.707f},
      {"Butterworth HP beyond Nyquist", 8, 30000.0f, 0.707f},
      {"second-order LP beyond Nyquist", 3, 30000.0f, 2.0f},
      {"band-pass at a negative frequency", 5, -500.0f, 2.0f},
      {"impulse invariant with Q below 0.5", 28, 1000.0f, 0.4f},
      {"matched BP, tight, at 50 Hz (a negative root)", 25, 50.0f, 2.0f},
      {"analog-matched LP at Nyquist", 12, 24000.0f, 2.0f},
      {"NaN corner", 17, std::nanf(""), 0.707f},
  };
  for (const Case& c : cases) {
    AudioFilter f = Designed(AudioFilter::kLowPass2, 1000.0f, 0.707f, 0.0f);
    const Biquad before = f.Section();
    f.SetParameters(c.algorithm, c.fc, c.q, 0.0f);
    EXPECT_FALSE(f.CalculateCoefficients()) << c.name;
    for (int i = 0; i < Biquad::kNumCoefficients; ++i) EXPECT_EQ(f.Coefficient(i), before.Coefficient(i)) << c.name;
    float y = 0.0f;
    for (int n = 0; n < 1000; ++n) y = f.ProcessSample(1.0f);
    EXPECT_NEAR(y, 1.0f, 1e-3f) << c.name;  // still the 1 kHz low-pass, settled on DC
  }
  // Every algorithm designs at an ordinary setting.
  for (int32_t a = 0; a < AudioFilter::kNumAlgorithms; ++a) {
    AudioFilter f = Designed(a, 1000.0f, 2.0f, 3.0f);
    EXPECT_TRUE(f.CalculateCoefficients()) << a;
  }
}

TEST_F(AudioFilterTest, RedesignAndProcessAllocateNothing) {
  AudioFilter f = Designed(AudioFilter::kAllPass1, 500.0f, 0.707f, 0.0f);
  testing_support::AllocGuard guard;
  float acc = 0.0f;
  for (int n = 0; n < 128; ++n) {
    if (n % 16 == 0) f.SetParameters(AudioFilter::kAllPass1, 500.0f + n, 0.707f, 0.0f);
    acc += f.ProcessSample(n == 0 ? 1.0f : 0.0f) + f.GetStorageValue();
  }
  EXPECT_EQ(guard.Count(), 0u);
  EXPECT_TRUE(std::isfinite(acc));
}

TEST(AudioFilterLayout, OperationsSitInTheirFixedSlots) {
  EXPECT_EQ(SlotOf(&AudioFilter::Reset), 0);
  EXPECT_EQ(SlotOf(&AudioFilter::CanProcessFrame), 1);
  EXPECT_EQ(SlotOf(&AudioFilter::ProcessSample), 2);
  EXPECT_EQ(SlotOf(&AudioFilter::SetSampleRate), 3);
  EXPECT_EQ(SlotOf(&AudioFilter::SetParameters), -1);
  EXPECT_EQ(SlotOf(&AudioFilter::CalculateCoefficients), -1);
  struct Derived : AudioFilter {
    virtual void Extra() {}
  };
  EXPECT_EQ(SlotOf(&Derived::Extra), 4);
}

}  // namespace
