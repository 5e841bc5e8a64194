// One 128-frame period of the chorus with both modes sounding (four swept lines).
#include <benchmark/benchmark.h>

#include <vector>

#include "audio/CJ6Chorus.h"
#include "bench/BenchPeriod.h"
#include "platform/Denormals.h"

namespace {

constexpr int kFrames = 128;

void BM_Effect_Chorus(benchmark::State& state) {
  platform::ScopedFlushToZero ftz;
  CJ6Chorus fx;
  fx.Reset(48000.0f);
  fx.SetParam(CJ6Chorus::kParamMode, static_cast<float>(state.range(0)));
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
    // Keep the signal bounded: the chorus adds its wet lines to the input every period.
    for (int c = 0; c < 2; ++c) {
      for (float& v : buf[c]) v *= 0.5f;
    }
    benchmark::DoNotOptimize(io[0]);
  }
  bench::ReportPeriodShare(state);
}
// 0 mode I only, 2 both modes.
BENCHMARK(BM_Effect_Chorus)->ArgName("mode")->Arg(0)->Arg(2);

}  // namespace
