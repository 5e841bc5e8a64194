// One 128-frame period of the ladder on both channels at the panel's defaults, and with
// the cutoff moving every period (eight redesigns).
#include <benchmark/benchmark.h>

#include <vector>

#include "audio/CMoogBiquadLadder.h"
#include "bench/BenchPeriod.h"
#include "platform/Denormals.h"

namespace {

constexpr int kFrames = 128;

struct Period {
  Period() : data(4, std::vector<float>(kFrames)) {
    unsigned seed = 1u;
    for (auto& ch : data) {
      for (float& v : ch) {
        v = 0.5f * bench::NextNoise(seed);
      }
    }
    for (int c = 0; c < 4; ++c) ptr[c] = data[c].data();
  }
  std::vector<std::vector<float>> data;
  float* ptr[4];
};

void BM_Ladder_Period(benchmark::State& state) {
  platform::ScopedFlushToZero ftz;
  const bool sweep = state.range(0) != 0;
  CMoogBiquadLadder fx;
  fx.Reset(48000.0f);
  fx.SetParam(CMoogBiquadLadder::kDriveCompensation, 50.0f);
  fx.SetParam(CMoogBiquadLadder::kResonance, 30.0f);
  fx.SetParam(CMoogBiquadLadder::kCutoff, 100.0f);
  Period p;
  float cutoff = 100.0f;
  for (auto _ : state) {
    if (sweep) {
      cutoff = cutoff < 5000.0f ? cutoff + 7.0f : 100.0f;
      fx.SetParam(CMoogBiquadLadder::kCutoff, cutoff);
    }
    fx.Process(p.ptr, p.ptr, kFrames, 1.0f);
    benchmark::DoNotOptimize(p.ptr[0][0]);
  }
  bench::ReportPeriodShare(state);
}
BENCHMARK(BM_Ladder_Period)->ArgName("sweep")->Arg(0)->Arg(1);

}  // namespace
