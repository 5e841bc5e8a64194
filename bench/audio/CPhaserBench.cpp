// One 128-frame period of the phaser on both channels at the panel's defaults (depth 10 %,
// intensity 25 %): the sweep moves every stage, so all twelve are redesigned each period.
#include <benchmark/benchmark.h>

#include <vector>

#include "audio/CPhaser.h"
#include "bench/BenchPeriod.h"
#include "platform/Denormals.h"

namespace {

constexpr int kFrames = 128;

void BM_Phaser_Period(benchmark::State& state) {
  platform::ScopedFlushToZero ftz;
  CPhaser fx;
  fx.Reset(48000.0f);
  fx.SetParam(CPhaser::kRate, 0.2f);
  fx.SetParam(CPhaser::kDepth, 10.0f);
  fx.SetParam(CPhaser::kIntensity, 25.0f);
  std::vector<std::vector<float>> data(4, std::vector<float>(kFrames));
  unsigned seed = 1u;
  for (auto& ch : data) {
    for (float& v : ch) {
      v = 0.5f * bench::NextNoise(seed);
    }
  }
  float* ptr[4] = {data[0].data(), data[1].data(), data[2].data(), data[3].data()};
  for (auto _ : state) {
    fx.Process(ptr, ptr, kFrames, 1.0f);
    benchmark::DoNotOptimize(ptr[0][0]);
  }
  bench::ReportPeriodShare(state);
}
BENCHMARK(BM_Phaser_Period);

}  // namespace
