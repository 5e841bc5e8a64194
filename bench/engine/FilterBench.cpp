// Filter slot per type (stereo, 128 frames, cutoff moving every block), a decay to silence
// against a loud block, and the waveshaper per curve.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "bench/BenchPeriod.h"
#include "engine/FilterSlot.h"
#include "engine/Shaper.h"
#include "platform/Denormals.h"
#include "platform/LogSink.h"

namespace {

constexpr int kFrames = 128;

FilterSlot MakeSlot(int type) {
  FilterSlot slot;
  slot.SetSampleRate(48000.0f);
  slot.SetFrames(kFrames);
  slot.SetType(type);
  return slot;
}

void BM_FilterType(benchmark::State& state) {
  platform::ScopedFlushToZero ftz;
  FilterSlot slot = MakeSlot(static_cast<int>(state.range(0)));
  std::vector<float> inL(kFrames), inR(kFrames), outL(kFrames), outR(kFrames);
  for (int i = 0; i < kFrames; ++i) {
    inL[i] = 0.5f * std::sin(0.05f * i);
    inR[i] = 0.5f * std::sin(0.031f * i);
  }
  int block = 0;
  for (auto _ : state) {
    // A slow sweep across the range, a new cutoff every block.
    const float cutoff = 100.0f * std::exp2(static_cast<float>(block++ % 512) * (7.0f / 512.0f));
    slot.Process(inL.data(), inR.data(), outL.data(), outR.data(), cutoff, 0.7f);
    benchmark::DoNotOptimize(outL.data());
    benchmark::DoNotOptimize(outR.data());
  }
  bench::ReportPeriodShare(state);
}
BENCHMARK(BM_FilterType)->ArgName("type")->DenseRange(0, FilterSlot::kTypeCount - 1);

// range(1) = 0: every block loud; 1: one loud block, then blocks of silence in which the
// states decay through the denormal range (flushed on the target and in the engine threads).
void BM_FilterDecay(benchmark::State& state) {
  platform::ScopedFlushToZero ftz;
  FilterSlot slot = MakeSlot(static_cast<int>(state.range(0)));
  const bool decay = state.range(1) != 0;
  std::vector<float> loud(kFrames), silence(kFrames, 0.0f), outL(kFrames), outR(kFrames);
  for (int i = 0; i < kFrames; ++i) loud[i] = (i & 8) ? 0.9f : -0.9f;
  slot.Process(loud.data(), loud.data(), outL.data(), outR.data(), 400.0f, 0.3f);
  const std::vector<float>& in = decay ? silence : loud;
  for (auto _ : state) {
    slot.Process(in.data(), in.data(), outL.data(), outR.data(), 400.0f, 0.3f);
    benchmark::DoNotOptimize(outL.data());
  }
  bench::ReportPeriodShare(state);
}
BENCHMARK(BM_FilterDecay)->ArgNames({"type", "decay"})->ArgsProduct({{1, 2, 3, 4, 7, 11}, {0, 1}});

void DropLog(const char*, void*) {}

void BM_ShaperCurve(benchmark::State& state) {
  platform::ScopedFlushToZero ftz;
  platform::SetLogSink(DropLog, nullptr);  // the constructor's self-test
  Shaper shaper;
  platform::SetLogSink(nullptr, nullptr);
  shaper.SetBlockSize(kFrames);
  shaper.SetType(static_cast<int>(state.range(0)));
  std::vector<float> src(kFrames), left(kFrames), right(kFrames), cm(kFrames), pgm(kFrames);
  for (int i = 0; i < kFrames; ++i) {
    src[i] = 0.8f * std::sin(0.07f * i);
    cm[i] = 0.1f * std::sin(0.01f * i);
    pgm[i] = 0.05f;
  }
  for (auto _ : state) {
    left = src;
    right = src;
    shaper.Process(left.data(), right.data(), cm.data(), pgm.data(), 0.3f, 1.2f);
    benchmark::DoNotOptimize(left.data());
    benchmark::DoNotOptimize(right.data());
  }
  bench::ReportPeriodShare(state);
}
BENCHMARK(BM_ShaperCurve)->ArgName("curve")->DenseRange(0, 5);

}  // namespace
