// The tube preamp per 128-frame period: eight triode stages and two shelving EQs per frame.
#include <benchmark/benchmark.h>

#include <vector>

#include "audio/CTubePreamp.h"
#include "bench/BenchPeriod.h"
#include "platform/Denormals.h"

namespace {

constexpr int kFrames = 128;

void BM_TubePreamp_Period(benchmark::State& state) {
  platform::ScopedFlushToZero ftz;
  CTubePreamp preamp;
  preamp.Reset(48000.0f);
  // The page's defaults: shelves 500 Hz and 2000 Hz flat, output -4.7 dB, drive 1.
  preamp.SetParam(1, 500.0f);
  preamp.SetParam(3, 2000.0f);
  preamp.SetParam(4, -4.7f);
  preamp.SetParam(5, 1.0f);
  std::vector<float> left(kFrames), right(kFrames), sc(kFrames, 0.0f);
  float* bufs[4] = {left.data(), right.data(), sc.data(), sc.data()};
  unsigned seed = 1u;
  for (auto _ : state) {
    for (int i = 0; i < kFrames; ++i) {
      left[i] = 0.25f * bench::NextNoise(seed);
      right[i] = -left[i];
    }
    preamp.Process(bufs, bufs, kFrames, 1.0f);
    benchmark::DoNotOptimize(left.data());
  }
  bench::ReportPeriodShare(state);
}
BENCHMARK(BM_TubePreamp_Period);

}  // namespace
