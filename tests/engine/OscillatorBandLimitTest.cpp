// The harmonics both table oscillators play, measured from their output: a saw keeps every
// harmonic its 256-point table can hold at its own level, and nothing above 24 kHz folds
// back into the audio band.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <memory>
#include <string>
#include <vector>

#include "data/WaveTable.h"
#include "engine/AlgOsc.h"
#include "numeric/FftProcessor.h"
#include "engine/SpectralWaveOsc.h"
#include "platform/Denormals.h"

namespace {

constexpr int32_t kFrames = 128;
constexpr int32_t kRate = 48000;
constexpr int32_t kN = 256;  // table length of both oscillators
constexpr int kMeasured = 256 * kFrames;
constexpr double kPi = 3.14159265358979323846;

// Amplitude of the component at f Hz: a Blackman-Harris window keeps the neighbouring
// harmonics' leakage below -90 dB.
double Amplitude(const std::vector<float>& x, double f) {
  const double a[4] = {0.35875, 0.48829, 0.14128, 0.01168};
  const std::complex<double> step = std::polar(1.0, -2.0 * kPi * f / kRate);
  std::complex<double> rotor = 1.0, sum = 0.0;
  double windowSum = 0.0;
  const double n = static_cast<double>(x.size());
  for (std::size_t i = 0; i < x.size(); ++i) {
    const double t = 2.0 * kPi * static_cast<double>(i) / n;
    const double w = a[0] - a[1] * std::cos(t) + a[2] * std::cos(2.0 * t) - a[3] * std::cos(3.0 * t);
    sum += w * static_cast<double>(x[i]) * rotor;
    windowSum += w;
    if ((i & 1023) == 1023) rotor /= std::abs(rotor);
    rotor *= step;
  }
  return 2.0 * std::abs(sum) / windowSum;
}

// A table read with linear interpolation plays harmonic h of its N points scaled by sinc^2(h/N).
double InterpolationDroop(int h) {
  const double x = kPi * h / kN;
  const double s = std::sin(x) / x;
  return s * s;
}

// Left output after the table hand-over settled.
template <typename RenderBlock>
std::vector<float> Render(RenderBlock renderBlock) {
  std::vector<float> left(kFrames), right(kFrames), out;
  for (int b = 0; b < 8; ++b) renderBlock(left.data(), right.data());
  while (static_cast<int>(out.size()) < kMeasured) {
    renderBlock(left.data(), right.data());
    out.insert(out.end(), left.begin(), left.end());
  }
  return out;
}

std::vector<float> RenderAlgorithmicSaw(FftProcessor& fft, float frequency) {
  AlgOsc osc;
  osc.SetSampleRate(kRate);
  osc.SetBlockSize(kFrames);
  osc.Reset();
  osc.SetAlgorithm(0);  // "Just SAW"
  for (int i = 0; i < 3000; ++i) osc.SmoothControls();  // every control on its target
  return Render([&](float* left, float* right) {
    osc.SmoothControls();
    osc.BuildTable(fft);
    osc.OscDetune(left, right, nullptr, 0.0f, frequency, nullptr);
  });
}

// Every variant one cycle of a saw of 1023 harmonics.
const WaveTable& SawTable() {
  static const std::unique_ptr<WaveTable> table = [] {
    auto t = std::make_unique<WaveTable>();
    std::vector<float> frame(WaveTable::kSize);
    for (int32_t n = 0; n < WaveTable::kSize; ++n) {
      double v = 0.0;
      for (int h = 1; h < WaveTable::kSize / 2; ++h) v += std::sin(2.0 * kPi * h * n / WaveTable::kSize) / h;
      frame[static_cast<std::size_t>(n)] = static_cast<float>(v);
    }
    t->FillVariants(1, frame.data());
    t->AnalyseVariant(0);
    return t;
  }();
  return *table;
}

std::vector<float> RenderWavetableSaw(FftProcessor& fft, float frequency) {
  SpectralWaveOsc osc;
  osc.SetSampleRate(kRate);
  osc.SetBlockSize(kFrames);
  osc.Reset();
  osc.SetWavetable(&SawTable());
  osc.SetPosition(0.0f);
  osc.SetUnison(0, 1.0f);  // one voice, undetuned
  for (int i = 0; i < 3000; ++i) osc.SmoothControls();  // every control on its target
  return Render([&](float* left, float* right) {
    osc.SmoothControls();
    osc.BuildTable(fft);
    osc.Render(left, right, nullptr, 0.0f, frequency, 0.0f, nullptr, nullptr);
  });
}

// Harmonic h of the generated saw against the fundamental: 1/h for the additive saw, and
// for the ramp of N points sin(pi/N) / sin(pi h/N).
double AdditiveSaw(int h) { return 1.0 / h; }
double RampSaw(int h) { return std::sin(kPi / kN) / std::sin(kPi * h / kN); }

class OscillatorBandLimit : public ::testing::Test {
 protected:
  OscillatorBandLimit() {
    fft_.InitForward(kN);
    fft_.InitInverse(kN);
  }
  platform::ScopedFlushToZero ftz_;
  FftProcessor fft_;
};

TEST_F(OscillatorBandLimit, SawKeepsEveryHarmonicBelowTheLimitAtItsLevel) {
  struct Oscillator {
    const char* name;
    std::vector<float> (*render)(FftProcessor&, float);
    double (*harmonic)(int);
  };
  const Oscillator oscillators[] = {{"algorithmic", RenderAlgorithmicSaw, RampSaw},
                                    {"wavetable", RenderWavetableSaw, AdditiveSaw}};
  for (const Oscillator& o : oscillators) {
    // Notes whose period is no whole number of samples, so that the interpolation's images
    // fold back between the harmonics, not onto them.
    for (float f : {55.0f, 110.0f, 151.0f, 440.0f}) {
      const std::vector<float> out = o.render(fft_, f);
      const double fundamental = Amplitude(out, f);
      ASSERT_GT(fundamental, 0.1) << o.name << " " << f;
      // Up to 20 kHz, short of the harmonic that fades in under the limit; a 256-point table
      // holds 127 harmonics.
      double worst = 0.0;
      int worstHarmonic = 0;
      for (int h = 2; h < kN / 2 && h * f <= 20000.0f && (h + 1) * f <= 24000.0f; ++h) {
        const double expected = o.harmonic(h) * InterpolationDroop(h) / InterpolationDroop(1);
        const double measured = Amplitude(out, static_cast<double>(h) * f) / fundamental;
        const double error = std::fabs(20.0 * std::log10(measured / expected));
        if (!(error <= worst)) {
          worst = error;
          worstHarmonic = h;
        }
      }
      EXPECT_LT(worst, 1.0) << o.name << " at " << f << " Hz, harmonic " << worstHarmonic;
    }
  }
}

TEST_F(OscillatorBandLimit, NoHarmonicAboveTheLimitFoldsBack) {
  // The first harmonics above 24 kHz would fold back to 48 kHz - h f.
  for (auto render : {RenderAlgorithmicSaw, RenderWavetableSaw}) {
    for (float f : {440.0f, 3100.0f, 10000.0f}) {
      const std::vector<float> out = render(fft_, f);
      const double fundamental = Amplitude(out, f);
      const int first = static_cast<int>(24000.0f / f) + 1;
      for (int h = first; h < first + 3 && h * f < 48000.0f; ++h) {
        const double folded = Amplitude(out, 48000.0 - static_cast<double>(h) * f);
        EXPECT_LT(20.0 * std::log10(folded / fundamental), -70.0) << f << " Hz, harmonic " << h;
      }
    }
  }
}

}  // namespace
