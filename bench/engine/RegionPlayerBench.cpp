// One voice's sample oscillator for one block: two stereo regions layered, per-sample pitch
// modulation, looped or one-shot.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "bench/BenchPeriod.h"
#include "data/MultiWaveReader.h"
#include "data/SampleFile.h"
#include "engine/RegionPlayer.h"
#include "platform/Denormals.h"
#include "platform/LogSink.h"

namespace {

constexpr int kBlock = 128;
constexpr int kRate = 48000;
constexpr int kWaveFrames = 48000;

void Silent(const char*, void*) {}

// range(0): slots 1 or 2; range(1): loop mode (1 one-shot, 3 loop).
void BM_RegionPlayer(benchmark::State& state) {
  platform::ScopedFlushToZero ftz;
  platform::SetLogSink(&Silent, nullptr);
  const int slots = static_cast<int>(state.range(0));
  const int32_t mode = static_cast<int32_t>(state.range(1));

  MultiWaveReader set;
  for (int s = 0; s < slots; ++s) {
    auto wave = std::make_unique<SampleFile>();
    wave->Resize(2, kWaveFrames);
    for (int c = 0; c < 2; ++c)
      for (int k = 0; k < kWaveFrames; ++k) wave->Channel(c)[k] = static_cast<float>(std::sin(0.01 * k * (c + 1 + s)));
    wave->SetSampleRate(44100);
    wave->Loop().loopStart = 1000;
    wave->Loop().loopEnd = 40000;
    set.AddItem(std::move(wave));
    MswfRegion r;
    r.sampleIndex = static_cast<uint32_t>(s);
    r.rootKey = 60;
    set.Regions().push_back(r);
  }

  RegionPlayer player;
  player.SetOutputRate(kRate);
  player.SetFrames(kBlock);
  player.SetFadeStep(1.0f / (0.005f * kRate));
  player.SetDefaultLoopMode(mode);
  player.AttachSample(&set);
  std::vector<float> left(kBlock), right(kBlock), pm(kBlock);
  for (int n = 0; n < kBlock; ++n) pm[n] = 0.01f * std::sin(0.05f * n);

  int block = 0;
  for (auto _ : state) {
    // A new note every 300 blocks (0.8 s): the one-shot case keeps sounding.
    if (block % 300 == 0) player.NoteOn(67, 0.8f);
    player.Render(left.data(), right.data(), pm.data(), 1.0f);
    benchmark::DoNotOptimize(left.data());
    benchmark::DoNotOptimize(right.data());
    ++block;
  }
  player.AttachSample(nullptr);
  platform::SetLogSink(nullptr, nullptr);
  // One voice's block; sixteen voices take sixteen times the share.
  bench::ReportPeriodShare(state);
}
BENCHMARK(BM_RegionPlayer)->Args({1, 3})->Args({2, 3})->Args({2, 1});

}  // namespace
