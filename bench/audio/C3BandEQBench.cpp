// One 128-frame period of the three-band equaliser on both channels of a part.
#include <benchmark/benchmark.h>

#include <vector>

#include "audio/C3BandEQ.h"
#include "bench/BenchPeriod.h"
#include "platform/Denormals.h"

namespace {

constexpr int kFrames = 128;

void BM_Effect_EQ(benchmark::State& state) {
  platform::ScopedFlushToZero ftz;
  C3BandEQ eq;
  eq.Reset(48000);
  eq.SetParam(C3BandEQ::kLowGain, 40.0f);
  eq.SetParam(C3BandEQ::kMidGain, -30.0f);
  eq.SetParam(C3BandEQ::kHighGain, 20.0f);
  std::vector<float> b[4];
  float* bufs[4];
  unsigned seed = 1u;
  for (int k = 0; k < 4; ++k) {
    b[k].resize(kFrames);
    for (float& v : b[k]) {
      v = bench::NextNoise(seed);
    }
    bufs[k] = b[k].data();
  }
  for (auto _ : state) {
    eq.Process(bufs, bufs, kFrames, 0.999f);
    benchmark::DoNotOptimize(bufs[0][0]);
  }
  bench::ReportPeriodShare(state);
}
BENCHMARK(BM_Effect_EQ);

}  // namespace
