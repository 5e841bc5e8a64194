// The resonator bank by the number of partials it tunes (at most sixteen ring), and the whole
// resonator oscillator of a voice (burst, colour filter, bank) struck every half second.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "bench/BenchPeriod.h"
#include "engine/ExciterResonatorOsc.h"
#include "engine/ResonatorOsc.h"
#include "platform/Denormals.h"

namespace {

constexpr int32_t kFrames = 128;

void BM_Resonator(benchmark::State& state) {
  platform::ScopedFlushToZero ftz;
  ResonatorOsc osc;
  osc.SetPartialCount(static_cast<int32_t>(state.range(0)));
  osc.SetBaseFrequency(220.0f / 48000.0f);
  osc.SetWeighting(static_cast<int32_t>(state.range(1)));
  std::vector<float> in(kFrames), left(kFrames), right(kFrames);
  for (int i = 0; i < kFrames; ++i) in[i] = 0.1f * std::sin(0.37f * static_cast<float>(i));
  int block = 0;
  for (auto _ : state) {
    // The timbre moves every block, as a modulated voice's would.
    osc.SetTimbre(static_cast<float>(block++ % 256) / 256.0f);
    osc.Process(in.data(), left.data(), right.data(), kFrames);
    benchmark::DoNotOptimize(left.data());
    benchmark::DoNotOptimize(right.data());
  }
  bench::ReportPeriodShare(state);
}
BENCHMARK(BM_Resonator)
    ->ArgNames({"partials", "weighting"})
    ->Args({32, ResonatorOsc::kCosineComb})
    ->Args({8, ResonatorOsc::kCosineComb})
    ->Args({2, ResonatorOsc::kCosineComb})
    ->Args({32, ResonatorOsc::kAllDamped});

// A voice's resonator oscillator: sixteen voices with two each would be 32 of these a period.
void BM_ExciterResonatorOsc(benchmark::State& state) {
  platform::ScopedFlushToZero ftz;
  ExciterResonatorOsc osc;
  osc.SetBlockSize(kFrames);
  osc.SetSampleRate(48000);
  osc.SetAttack(0.002f);
  osc.SetDecay(0.2f);
  osc.SetBrightness(40.0f);
  std::vector<float> left(kFrames), right(kFrames);
  int block = 0;
  for (auto _ : state) {
    if (block++ % 188 == 0) osc.Start();
    osc.Process(left.data(), right.data(), 220.0f);
    benchmark::DoNotOptimize(left.data());
    benchmark::DoNotOptimize(right.data());
  }
  bench::ReportPeriodShare(state);
}
BENCHMARK(BM_ExciterResonatorOsc);

}  // namespace
