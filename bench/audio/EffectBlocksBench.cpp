// The effect building blocks per 128-frame block: a biquad section in each realisation, an
// AudioFilter in its working form, a redesign per algorithm (as a swept phaser stage
// costs), and the LFO.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "audio/AudioFilter.h"
#include "audio/Biquad.h"
#include "audio/LFO.h"
#include "bench/BenchPeriod.h"
#include "platform/Denormals.h"

namespace {

constexpr int kFrames = 128;

std::vector<float> Noise() {
  std::vector<float> x(kFrames);
  unsigned seed = 1u;
  for (float& v : x) {
    v = bench::NextNoise(seed);
  }
  return x;
}

void BM_Biquad_Block(benchmark::State& state) {
  platform::ScopedFlushToZero ftz;
  const float c[Biquad::kNumCoefficients] = {0.2f, 0.4f, 0.2f, -1.8f, 0.9025f, 1.0f, 0.0f};
  Biquad b;
  b.SetRealisation(static_cast<int32_t>(state.range(0)));
  b.SetCoefficients(c);
  const std::vector<float> in = Noise();
  std::vector<float> out(kFrames);
  for (auto _ : state) {
    for (int i = 0; i < kFrames; ++i) out[i] = b.ProcessSample(in[i]);
    benchmark::DoNotOptimize(out.data());
  }
  bench::ReportPeriodShare(state);
}
BENCHMARK(BM_Biquad_Block)->ArgName("form")->DenseRange(0, 3);

// The owners' per-sample loop: storage value first (for a zero-delay feedback), then the
// sample, as the ladder and phaser stages run.
void BM_AudioFilter_Form3(benchmark::State& state) {
  platform::ScopedFlushToZero ftz;
  AudioFilter f;
  f.Reset(48000.0f);
  f.SetParameters(AudioFilter::kLowShelf1, 400.0f, 0.707f, 6.0f);
  const std::vector<float> in = Noise();
  std::vector<float> out(kFrames);
  for (auto _ : state) {
    for (int i = 0; i < kFrames; ++i) out[i] = f.ProcessSample(in[i]) + f.GetStorageValue();
    benchmark::DoNotOptimize(out.data());
  }
  bench::ReportPeriodShare(state);
}
BENCHMARK(BM_AudioFilter_Form3);

// One redesign per iteration, the corner moving each time so nothing is skipped.
void BM_AudioFilter_Redesign(benchmark::State& state) {
  platform::ScopedFlushToZero ftz;
  const int32_t algorithm = static_cast<int32_t>(state.range(0));
  AudioFilter f;
  f.Reset(48000.0f);
  float fc = 1000.0f;
  for (auto _ : state) {
    fc = fc < 2000.0f ? fc + 1.0f : 1000.0f;
    f.SetParameters(algorithm, fc, 2.0f, 3.0f);
    benchmark::DoNotOptimize(f.Coefficient(Biquad::kA0));
  }
  // A phaser redesigns twelve stages per block.
  bench::ReportPeriodShare(state, 1.0 / 12.0);
}
BENCHMARK(BM_AudioFilter_Redesign)->ArgName("alg")->DenseRange(0, AudioFilter::kNumAlgorithms - 1);

void BM_LFO_Block(benchmark::State& state) {
  platform::ScopedFlushToZero ftz;
  LFO lfo;
  lfo.SetWaveform(static_cast<int32_t>(state.range(0)));
  lfo.SetFrequency(0.37f);
  lfo.Reset(48000.0f);
  std::vector<float> out(kFrames);
  for (auto _ : state) {
    for (int i = 0; i < kFrames; ++i) {
      const LfoOutput o = lfo.RenderOutput();
      out[i] = o.normal + o.quadrature;
    }
    benchmark::DoNotOptimize(out.data());
  }
  bench::ReportPeriodShare(state);
}
BENCHMARK(BM_LFO_Block)->ArgName("wave")->DenseRange(0, 2);

}  // namespace
