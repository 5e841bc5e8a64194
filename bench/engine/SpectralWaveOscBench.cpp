#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "bench/BenchPeriod.h"
#include "data/WaveTable.h"
#include "numeric/FftProcessor.h"
#include "engine/SpectralWaveOsc.h"
#include "platform/Denormals.h"

namespace {

constexpr int32_t kFrames = 128;

// An analysed table of 256 variants fading from a sine to a bright cycle.
const WaveTable& Table() {
  static const std::unique_ptr<WaveTable> table = [] {
    auto t = std::make_unique<WaveTable>();
    std::vector<float> frames(2 * WaveTable::kSize);
    for (int32_t n = 0; n < WaveTable::kSize; ++n) {
      const float x = static_cast<float>(n) / WaveTable::kSize;
      frames[static_cast<std::size_t>(n)] = x < 0.5f ? 1.0f : -1.0f;
      frames[static_cast<std::size_t>(WaveTable::kSize + n)] = 2.0f * x - 1.0f;
    }
    t->FillVariants(2, frames.data());
    for (int32_t v = 0; v < WaveTable::kVariants; ++v) t->AnalyseVariant(v);
    return t;
  }();
  return *table;
}

struct Rig {
  Rig() {
    fft.InitForward(SpectralWaveOsc::kTableLength);
    fft.InitInverse(SpectralWaveOsc::kTableLength);
    osc.SetSampleRate(48000);
    osc.SetBlockSize(kFrames);
    osc.Reset();
    osc.SetWavetable(&Table());
    osc.SetPosition(0.4f);
  }
  FftProcessor fft;
  SpectralWaveOsc osc;
  std::vector<float> left = std::vector<float>(kFrames);
  std::vector<float> right = std::vector<float>(kFrames);
  std::vector<float> fm = std::vector<float>(kFrames, 0.01f);
  std::vector<float> pm = std::vector<float>(kFrames, 0.0f);
  std::vector<float> bm = std::vector<float>(kFrames, 0.1f);
};

// One table build per iteration (copy, morph, band limit, inverse FFT). A four-sample
// render takes each table so that the next build runs; it is timed with the build. The
// morph input moves a little every iteration: a build whose inputs did not move is skipped.
void BM_WtBuild(benchmark::State& state) {
  platform::ScopedFlushToZero ftz;
  Rig rig;
  rig.osc.SetBlockSize(4);
  rig.osc.SetMorphAlgorithm(static_cast<int32_t>(state.range(0)));
  rig.osc.SetSpectralMorph(0.4f);
  float nudge = 0.0f;
  rig.osc.SetInput(SpectralWaveOsc::kInputMorph, &nudge);
  for (int i = 0; i < 200; ++i) rig.osc.SmoothControls();
  rig.osc.Render(rig.left.data(), rig.right.data(), nullptr, 0.0f, 220.0f, 0.0f, nullptr, nullptr);
  for (auto _ : state) {
    nudge = nudge == 0.0f ? 0.001f : 0.0f;
    rig.osc.BuildTable(rig.fft);
    rig.osc.Render(rig.left.data(), rig.right.data(), nullptr, 0.0f, 220.0f, 0.0f, nullptr, nullptr);
    benchmark::DoNotOptimize(rig.osc.DisplayTable());
  }
  bench::ReportPeriodShare(state);
}
BENCHMARK(BM_WtBuild)->ArgName("morph")->DenseRange(0, 6);

// One 128-frame block per iteration (build and render, as a voice slot runs them every
// block), with FM, PM and bend buffers; bend 0 or 0.5. Nothing moves the table, so after
// the first blocks the builds are skipped, as for a held note.
void BM_WtBlock(benchmark::State& state) {
  platform::ScopedFlushToZero ftz;
  Rig rig;
  rig.osc.SetUnison(static_cast<int32_t>(state.range(0)) - 1, 0.5f);
  rig.osc.SetBend(state.range(1) != 0 ? 0.5f : 0.0f);
  rig.osc.SetMorphAlgorithm(1);
  for (auto _ : state) {
    rig.osc.SmoothControls();
    rig.osc.BuildTable(rig.fft);
    rig.osc.Render(rig.left.data(), rig.right.data(), rig.fm.data(), 0.5f, 440.0f, 0.5f, rig.pm.data(),
                   rig.bm.data());
    benchmark::DoNotOptimize(rig.left.data());
    benchmark::ClobberMemory();
  }
  bench::ReportPeriodShare(state);
}
BENCHMARK(BM_WtBlock)->ArgNames({"count", "bend"})->ArgsProduct({{1, 2, 3, 4}, {0, 1}});

}  // namespace
