// Magnitude responses measured from impulse responses against the analytic bilinear designs
// (prewarped at the cutoff): within 0.05 dB where the response is above -60 dB, within 1e-4
// absolute below.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "engine/CDualMoogLadderFilter.h"
#include "engine/CDualSEMFilter.h"
#include "engine/CMoogLadderFilter.h"
#include "engine/CSEMFilter.h"
#include "engine/CVAOnePoleFilter.h"
#include "engine/DualFourPoleFilter.h"
#include "engine/FourPoleFilter.h"
#include "platform/Denormals.h"
#include "tests/support/FilterResponse.h"

namespace {

using filter_test::Complex;
using filter_test::Db;
using filter_test::Dft;
using filter_test::ImpulseResponse;
using filter_test::Sigma;

constexpr int kLength = 32768;
constexpr double kProbes[] = {30, 100, 250, 700, 1500, 3000, 6000, 9000, 12000, 16000, 20000};

template <typename Analytic>
void ExpectMagnitude(const std::vector<float>& h, double fc, Analytic analytic,
                     const std::string& what) {
  for (double f : kProbes) {
    const double measured = std::abs(Dft(h, f));
    const double expected = std::abs(analytic(Sigma(f, fc)));
    if (expected > 1e-3) {
      EXPECT_NEAR(Db(measured), Db(expected), 0.05) << what << " at " << f << " Hz";
    } else {
      EXPECT_NEAR(measured, expected, 1e-4) << what << " at " << f << " Hz";
    }
  }
}

class FilterResponse : public ::testing::Test {
 protected:
  platform::ScopedFlushToZero ftz_;
};

TEST_F(FilterResponse, OnePoleStageIsTheBilinearOnePole) {
  struct Case {
    int mode;
    Complex (*analytic)(Complex);
  };
  const Case cases[] = {
      {CVAOnePoleFilter::kLowPass, [](Complex s) { return 1.0 / (1.0 + s); }},
      {CVAOnePoleFilter::kHighPass, [](Complex s) { return s / (1.0 + s); }},
      {CVAOnePoleFilter::kAllPass, [](Complex s) { return (1.0 - s) / (1.0 + s); }},
  };
  for (const Case& c : cases) {
    for (float fc : {100.0f, 1000.0f, 10000.0f}) {
      CVAOnePoleFilter stage;
      stage.SetSampleRate(48000.0f);
      stage.SetCutoff(fc);
      stage.SetMode(c.mode);
      stage.UpdateCoefficients();
      const auto h = ImpulseResponse(
          [&](const float* in, float* out, int n) {
            for (int i = 0; i < n; ++i) out[i] = stage.ProcessSample(in[i]);
          },
          kLength);
      ExpectMagnitude(h, fc, c.analytic, "mode " + std::to_string(c.mode) + " fc " + std::to_string(fc));
      // The prewarp puts the -3 dB point of the low- and high-pass exactly at the cutoff.
      if (c.mode != CVAOnePoleFilter::kAllPass) {
        EXPECT_NEAR(std::abs(Dft(h, fc)), M_SQRT1_2, 1e-4);
      }
    }
  }
}

// Fourth-order Butterworth prototype with both dampings divided by 1 + 6 r.
Complex FourPole(Complex s, double r) {
  const double d1 = 0.765367 / (1.0 + 6.0 * r), d2 = 1.847759 / (1.0 + 6.0 * r);
  return 1.0 / ((s * s + d1 * s + 1.0) * (s * s + d2 * s + 1.0));
}

TEST_F(FilterResponse, FourPoleIsTheBilinearButterworthAndItsResonantForms) {
  for (double r : {0.0, 0.3, 0.8}) {
    for (float fc : {200.0f, 1000.0f, 5000.0f, 12000.0f}) {
      DualFourPoleFilter dual;
      dual.SetSampleRate(48000.0f);
      std::vector<float> right(kLength);
      int offset = 0;
      const auto h = ImpulseResponse(
          [&](const float* in, float* out, int n) {
            // The right channel gets half the impulse and must answer with half the response.
            float half[128];
            for (int i = 0; i < n; ++i) half[i] = 0.5f * in[i];
            dual.Process(in, half, out, fc, static_cast<float>(r), right.data() + offset);
            offset += n;
          },
          kLength);
      const std::string what = "r " + std::to_string(r) + " fc " + std::to_string(fc);
      ExpectMagnitude(h, fc, [r](Complex s) { return FourPole(s, r); }, "dual " + what);
      for (int i = 0; i < kLength; i += 97) ASSERT_NEAR(right[i], 0.5f * h[i], 1e-7f) << i;

      // The mono model halves the sum of its two inputs.
      FourPoleFilter mono;
      mono.SetSampleRate(48000);
      mono.count = 128;
      const auto hm = ImpulseResponse(
          [&](const float* in, float* out, int) { mono.Process(in, in, out, fc, static_cast<float>(r)); },
          kLength);
      ExpectMagnitude(hm, fc, [r](Complex s) { return FourPole(s, r); }, "mono " + what);
    }
  }
}

TEST_F(FilterResponse, SemOutputsAreTheBilinearStateVariableFilter) {
  struct Case {
    int type;
    Complex (*analytic)(Complex, double R);
  };
  const Case cases[] = {
      {CDualSEMFilter::kLowPass, [](Complex s, double R) { return 1.0 / (s * s + 2.0 * R * s + 1.0); }},
      {CDualSEMFilter::kBandPass, [](Complex s, double R) { return s / (s * s + 2.0 * R * s + 1.0); }},
      {CDualSEMFilter::kHighPass, [](Complex s, double R) { return s * s / (s * s + 2.0 * R * s + 1.0); }},
      {CDualSEMFilter::kNotch,
       [](Complex s, double R) { return 0.5 * (s * s + 1.0) / (s * s + 2.0 * R * s + 1.0); }},
  };
  // Resonance 0.0507 gives Q 0.707 in the stereo core; 0.6 gives Q 2.95.
  for (double r : {0.0507, 0.6}) {
    const double Q = r * 0.15 * 24.5 / 0.9 + 0.5;
    for (const Case& c : cases) {
      for (float fc : {300.0f, 2000.0f, 9000.0f}) {
        CDualSEMFilter sem;
        sem.SetSampleRate(48000.0f);
        sem.SetType(c.type);
        std::vector<float> right(128);
        const auto h = ImpulseResponse(
            [&](const float* in, float* out, int n) {
              sem.Process(in, in, out, fc, static_cast<float>(r), right.data());
              (void)n;
            },
            kLength);
        const double R = 1.0 / (2.0 * Q);
        ExpectMagnitude(h, fc, [&](Complex s) { return c.analytic(s, R); },
                        "type " + std::to_string(c.type) + " r " + std::to_string(r) + " fc " +
                            std::to_string(fc));
      }
    }
  }
}

TEST_F(FilterResponse, MonoSemReachesAHigherQThanTheStereoCore) {
  // Resonance 0.3: Q 8.67 in the mono filter, 1.73 in the stereo core.
  const float r = 0.3f;
  for (float fc : {500.0f, 4000.0f}) {
    CSEMFilter mono;
    mono.sampleRate = 48000.0f;
    mono.frames = 128;
    mono.SetType(CSEMFilter::kLowPass);
    const std::vector<float> zeros(128, 0.0f);
    const auto h = ImpulseResponse(
        [&](const float* in, float* out, int) { mono.Process(in, zeros.data(), out, fc, r); }, kLength);
    const double R = 1.0 / (2.0 * (r * 24.5 / 0.9 + 0.5));
    ExpectMagnitude(h, fc, [R](Complex s) { return 1.0 / (s * s + 2.0 * R * s + 1.0); }, "mono SEM");
  }
}

// The ladder resolves its feedback without delay, so it is the bilinear image of the
// analogue ladder: four one-poles in a loop with gain k, or two one-poles and an all-pass.
Complex LadderFourPole(Complex s, double k) { return 1.0 / (std::pow(1.0 + s, 4) + k); }
Complex LadderTwoPole(Complex s, double k) {
  const Complex forward = (1.0 - s) / std::pow(1.0 + s, 3);
  return forward / (1.0 + std::min(k, 2.0) * forward);
}

TEST_F(FilterResponse, MoogLadderIsTheBilinearLadderWithItsOutputGain) {
  for (int mode : {CDualMoogLadderFilter::kFourPole, CDualMoogLadderFilter::kTwoPole}) {
    // (At resonance 1 the two-pole loop sits exactly on its self-oscillation edge.)
    for (double r : {0.0, 0.5, 0.9}) {
      for (float fc : {300.0f, 3000.0f, 12000.0f}) {
        CDualMoogLadderFilter dual;
        dual.SetSampleRate(48000.0f);
        dual.SetMode(mode);
        std::vector<float> right(128);
        const auto h = ImpulseResponse(
            [&](const float* in, float* out, int) {
              dual.Process(in, in, out, fc, static_cast<float>(r), right.data());
            },
            kLength);
        const double k = 2.0 * r;
        const std::string what =
            "mode " + std::to_string(mode) + " r " + std::to_string(r) + " fc " + std::to_string(fc);
        ExpectMagnitude(h, fc,
                        [&](Complex s) {
                          return 1.1 * (mode == 0 ? LadderFourPole(s, k) : LadderTwoPole(s, k));
                        },
                        "dual " + what);

        // The mono ladder has no output gain: the stereo output divided by 1.1.
        CMoogLadderFilter mono;
        mono.SetSampleRate(48000.0f);
        mono.SetMode(mode);
        mono.SetFrames(128);
        const std::vector<float> zeros(128, 0.0f);
        const auto hm = ImpulseResponse(
            [&](const float* in, float* out, int) {
              mono.Process(in, zeros.data(), out, fc, static_cast<float>(r));
            },
            kLength);
        for (int i = 0; i < 4096; ++i) ASSERT_NEAR(hm[i], h[i] / 1.1f, 1e-6f) << what << " sample " << i;
      }
    }
  }
}

}  // namespace
