// One 128-frame period of the dynamics processor, detecting on the part itself and on the
// drum side-chain.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "audio/CDynamicProcessor.h"
#include "bench/BenchPeriod.h"
#include "platform/Denormals.h"

namespace {

constexpr int kFrames = 128;

void BM_Effect_Dynamics(benchmark::State& state) {
  platform::ScopedFlushToZero ftz;
  CDynamicProcessor fx;
  fx.Reset(48000);
  fx.SetParam(CDynamicProcessor::kSideChain, static_cast<float>(state.range(0)));
  // A sine that crosses the knee, so all three branches of the gain computer run; each
  // iteration copies the next period in, as the effects engine copies the part's buffers.
  constexpr int kPeriods = 64;
  std::vector<float> source(kFrames * kPeriods);
  for (std::size_t i = 0; i < source.size(); ++i) source[i] = 0.9f * std::sin(0.05f * static_cast<float>(i));
  std::vector<float> b[4];
  float* bufs[4];
  for (int k = 0; k < 4; ++k) {
    b[k].resize(kFrames);
    bufs[k] = b[k].data();
  }
  int period = 0;
  for (auto _ : state) {
    const float* from = source.data() + period * kFrames;
    for (int k = 0; k < 4; ++k) std::copy(from, from + kFrames, b[k].begin());
    period = (period + 1) % kPeriods;
    fx.Process(bufs, bufs, kFrames, 1.0f);
    benchmark::DoNotOptimize(bufs[0][0]);
  }
  bench::ReportPeriodShare(state);
}
BENCHMARK(BM_Effect_Dynamics)->ArgName("sidechain")->Arg(0)->Arg(1);

}  // namespace
