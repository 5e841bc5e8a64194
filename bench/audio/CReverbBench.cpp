// The reverb per 128-frame period, thin and thick (eight or sixteen taps), and the same late
// in a decaying tail (the tank's states near the subnormal range, flush-to-zero on).
#include <benchmark/benchmark.h>

#include <vector>

#include "audio/CReverb.h"
#include "bench/BenchPeriod.h"
#include "platform/Denormals.h"

namespace {

constexpr int kFrames = 128;

struct Period {
  std::vector<float> left, right, sc;
  float* bufs[4];
  Period() : left(kFrames), right(kFrames), sc(kFrames, 0.0f) {
    bufs[0] = left.data();
    bufs[1] = right.data();
    bufs[2] = sc.data();
    bufs[3] = sc.data();
  }
  void Noise(unsigned& seed) {
    for (int i = 0; i < kFrames; ++i) {
      left[i] = 0.25f * bench::NextNoise(seed);
      right[i] = -left[i];
    }
  }
  void Silence() {
    std::fill(left.begin(), left.end(), 0.0f);
    std::fill(right.begin(), right.end(), 0.0f);
  }
};

void BM_Reverb_Period(benchmark::State& state) {
  platform::ScopedFlushToZero ftz;
  CReverb reverb;
  reverb.Reset(48000.0f);
  reverb.SetParam(14, static_cast<float>(state.range(0)));
  Period p;
  unsigned seed = 1u;
  for (auto _ : state) {
    p.Noise(seed);
    reverb.Process(p.bufs, p.bufs, kFrames, 1.0f);
    benchmark::DoNotOptimize(p.left.data());
  }
  bench::ReportPeriodShare(state);
}
BENCHMARK(BM_Reverb_Period)->ArgName("thick")->Arg(0)->Arg(1);

// An impulse, then 20 s of silence before timing: the last periods of a tail must not cost
// more than a busy one.
void BM_Reverb_Tail(benchmark::State& state) {
  platform::ScopedFlushToZero ftz;
  CReverb reverb;
  reverb.Reset(48000.0f);
  reverb.SetParam(2, 0.9f);
  Period p;
  p.Silence();
  p.left[0] = p.right[0] = 1.0f;
  reverb.Process(p.bufs, p.bufs, kFrames, 1.0f);
  for (int i = 0; i < 20 * 375; ++i) {
    p.Silence();
    reverb.Process(p.bufs, p.bufs, kFrames, 1.0f);
  }
  for (auto _ : state) {
    p.Silence();
    reverb.Process(p.bufs, p.bufs, kFrames, 1.0f);
    benchmark::DoNotOptimize(p.left.data());
  }
  bench::ReportPeriodShare(state);
}
BENCHMARK(BM_Reverb_Tail);

}  // namespace
