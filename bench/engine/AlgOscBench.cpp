#include <benchmark/benchmark.h>

#include <vector>

#include "bench/BenchPeriod.h"
#include "engine/AlgOsc.h"
#include "numeric/FftProcessor.h"
#include "platform/Denormals.h"

namespace {

constexpr int32_t kFrames = 128;

struct Rig {
  Rig() {
    fft.InitForward(AlgOsc::kN);
    fft.InitInverse(AlgOsc::kN);
    osc.SetSampleRate(48000);
    osc.SetBlockSize(kFrames);
    osc.Reset();
  }
  FftProcessor fft;
  AlgOsc osc;
  std::vector<float> left = std::vector<float>(kFrames);
  std::vector<float> right = std::vector<float>(kFrames);
  std::vector<float> fm = std::vector<float>(kFrames, 0.01f);
  std::vector<float> pm = std::vector<float>(kFrames, 0.0f);
};

// One table build (generation, forward FFT, band limit, inverse FFT) per iteration. A
// four-sample render after a Reset takes each table so that the next build can run; it is
// timed with the build (pausing the timer would cost more than it).
void BM_AlgBuild(benchmark::State& state) {
  platform::ScopedFlushToZero ftz;
  Rig rig;
  rig.osc.SetBlockSize(4);
  rig.osc.SetAlgorithm(static_cast<int32_t>(state.range(0)));
  rig.osc.SetShape(0.4f);
  rig.osc.SetP2(0.3f);
  rig.osc.OscDetune(rig.left.data(), rig.right.data(), nullptr, 0.0f, 440.0f, nullptr);
  for (auto _ : state) {
    rig.osc.BuildTable(rig.fft);
    rig.osc.Reset();
    rig.osc.OscDetune(rig.left.data(), rig.right.data(), nullptr, 0.0f, 440.0f, nullptr);
    benchmark::DoNotOptimize(rig.osc.DisplayTable());
  }
  bench::ReportPeriodShare(state);
}
BENCHMARK(BM_AlgBuild)->ArgName("alg")->DenseRange(0, 7);

// One 128-frame block per iteration, with FM and PM buffers, as a voice renders it.
void BM_AlgRender(benchmark::State& state) {
  platform::ScopedFlushToZero ftz;
  Rig rig;
  rig.osc.SetUnison(static_cast<int32_t>(state.range(0)));
  rig.osc.SetAlgorithm(1);
  rig.osc.BuildTable(rig.fft);
  for (auto _ : state) {
    rig.osc.OscDetune(rig.left.data(), rig.right.data(), rig.fm.data(), 0.5f, 440.0f, rig.pm.data());
    benchmark::DoNotOptimize(rig.left.data());
    benchmark::ClobberMemory();
  }
  bench::ReportPeriodShare(state);
}
BENCHMARK(BM_AlgRender)->ArgName("count")->DenseRange(1, 4);

}  // namespace
