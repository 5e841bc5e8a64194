// One 128-frame period through the stereo delay at the effects page's defaults, in each
// routing; and the same after a long silence, where the repeats have decayed to nothing.
#include <benchmark/benchmark.h>

#include <vector>

#include "audio/CStereoDelay.h"
#include "bench/BenchPeriod.h"
#include "platform/Denormals.h"

namespace {

constexpr int kFrames = 128;

// The page's defaults: 0.2 s, feedback 30 %, low-pass 17 kHz, high-pass 60 Hz.
void SetPageDefaults(CStereoDelay& fx, float routing) {
  fx.Reset(48000.0f);
  fx.SetParam(0, routing);
  fx.SetParam(7, 17000.0f);
  fx.SetParam(1, 0.2f);
  fx.SetParam(8, 0.0f);
  fx.SetParam(6, 60.0f);
  fx.SetParam(2, 30.0f);
  fx.SetParam(3, 50.0f);
  fx.SetParam(4, 0.0f);
  fx.SetParam(5, 0.0f);
}

struct Period {
  std::vector<float> buffers[4];
  float* pointers[4];
  Period() {
    for (int c = 0; c < 4; ++c) {
      buffers[c].assign(kFrames, 0.0f);
      pointers[c] = buffers[c].data();
    }
  }
  Period(const Period&) = delete;
};

// -12 dBFS of noise.
std::vector<float> Noise() {
  std::vector<float> x(kFrames);
  unsigned seed = 1u;
  for (float& v : x) {
    v = bench::NextNoise(seed) * 0.25f;
  }
  return x;
}

void BM_StereoDelay_Period(benchmark::State& state) {
  platform::ScopedFlushToZero ftz;
  CStereoDelay fx;
  SetPageDefaults(fx, static_cast<float>(state.range(0)));
  Period period;
  const std::vector<float> noise = Noise();
  for (auto _ : state) {
    // The effects engine copies the part's signal into the buffers each period as well.
    period.buffers[0] = noise;
    period.buffers[1] = noise;
    fx.Process(period.pointers, period.pointers, kFrames, 1.0f);
    benchmark::DoNotOptimize(period.buffers[0].data());
  }
  bench::ReportPeriodShare(state);
}
BENCHMARK(BM_StereoDelay_Period)->ArgName("routing")->DenseRange(0, 1);

// An impulse, then 20 s of silence before timing starts: the tail has decayed below the
// smallest normal float and must cost no more than live signal.
void BM_StereoDelay_DecayedTail(benchmark::State& state) {
  platform::ScopedFlushToZero ftz;
  CStereoDelay fx;
  SetPageDefaults(fx, 1.0f);
  Period period;
  period.buffers[0][0] = 1.0f;
  for (int p = 0; p < 20 * 48000 / kFrames; ++p) {
    fx.Process(period.pointers, period.pointers, kFrames, 1.0f);
    for (int c = 0; c < 2; ++c) period.buffers[c].assign(kFrames, 0.0f);
  }
  for (auto _ : state) {
    fx.Process(period.pointers, period.pointers, kFrames, 1.0f);
    benchmark::DoNotOptimize(period.buffers[0].data());
  }
  bench::ReportPeriodShare(state);
}
BENCHMARK(BM_StereoDelay_DecayedTail);

}  // namespace
