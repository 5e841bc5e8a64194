// One 128-frame period of the modulated delay in each mode, swept by its LFO.
#include <benchmark/benchmark.h>

#include <vector>

#include "audio/CModDelay.h"
#include "bench/BenchPeriod.h"
#include "platform/Denormals.h"

namespace {

constexpr int kFrames = 128;

void BM_Effect_ModDelay(benchmark::State& state) {
  platform::ScopedFlushToZero ftz;
  CModDelay fx;
  fx.Reset(48000.0f);
  fx.SetParam(CModDelay::kParamMode, static_cast<float>(state.range(0)));
  fx.SetParam(CModDelay::kParamRate, 0.2f);
  fx.SetParam(CModDelay::kParamDepth, 25.0f);
  fx.SetParam(CModDelay::kParamFeedback, 10.0f);
  std::vector<float> buf[4];
  unsigned seed = 1u;
  for (std::vector<float>& b : buf) {
    b.resize(kFrames);
    for (float& v : b) {
      v = bench::NextNoise(seed);
    }
  }
  float* io[4] = {buf[0].data(), buf[1].data(), buf[2].data(), buf[3].data()};
  for (auto _ : state) {
    fx.Process(io, io, kFrames, 1.0f);
    benchmark::DoNotOptimize(io[0]);
  }
  bench::ReportPeriodShare(state);
}
// 0 flanger, 1 chorus, 2 vibrato.
BENCHMARK(BM_Effect_ModDelay)->ArgName("mode")->DenseRange(0, 2);

}  // namespace
