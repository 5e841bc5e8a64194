// One 128-frame period of the three-band equaliser on both channels of a part.
#include <benchmark/benchmark.h>

#include <vector>

#include "audio/C3BandEQ.h"
#include "bench/BenchPeriod.h"
#include "platform/Denormals.h"

namespace {

constexpr int kFrames = 128;

// The EQ at the benchmarks' gains and a period of noise on each of its four buffers.
struct EqRig {
  C3BandEQ eq;
  std::vector<float> b[4];
  float* bufs[4];
  EqRig() {
    eq.Reset(48000);
    eq.SetParam(C3BandEQ::kLowGain, 40.0f);
    eq.SetParam(C3BandEQ::kMidGain, -30.0f);
    eq.SetParam(C3BandEQ::kHighGain, 20.0f);
    unsigned seed = 1u;
    for (int k = 0; k < 4; ++k) {
      b[k].resize(kFrames);
      for (float& v : b[k]) v = bench::NextNoise(seed);
      bufs[k] = b[k].data();
    }
  }
};

void BM_Effect_EQ(benchmark::State& state) {
  platform::ScopedFlushToZero ftz;
  EqRig rig;
  C3BandEQ& eq = rig.eq;
  float** bufs = rig.bufs;
  for (auto _ : state) {
    eq.Process(bufs, bufs, kFrames, 0.999f);
    benchmark::DoNotOptimize(bufs[0][0]);
  }
  bench::ReportPeriodShare(state);
}
BENCHMARK(BM_Effect_EQ);

// One period of a switch on or off at the page's default crossovers: the first (the crossovers
// gliding) or the second (the gains gliding) part of the fade.
void BM_Effect_EQ_FadePeriod(benchmark::State& state) {
  platform::ScopedFlushToZero ftz;
  const float at = state.range(0) == 0 ? 0.3f : 0.85f;
  EqRig rig;
  C3BandEQ& eq = rig.eq;
  float** bufs = rig.bufs;
  for (auto _ : state) {
    bench::CountedRegion([&] {
      eq.Fade(at, at + 0.026f);
      eq.Process(bufs, bufs, kFrames, 1.0f);
    });
    benchmark::DoNotOptimize(bufs[0][0]);
  }
  bench::ReportPeriodShare(state);
}
BENCHMARK(BM_Effect_EQ_FadePeriod)->ArgName("gains")->Arg(0)->Arg(1);

}  // namespace
