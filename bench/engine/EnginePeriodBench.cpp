#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <memory>
#include <vector>

#include "bench/BenchPeriod.h"
#include "bench/engine/EnginePatches.h"
#include "data/WaveTable.h"
#include "engine/CSynthEngine.h"
#include "numeric/MathTables.h"
#include "platform/Denormals.h"
#include "platform/LogSink.h"

namespace {

constexpr int32_t kFrames = 128;
constexpr int32_t kRate = 48000;
constexpr double kDeadlineUs = 2200.0;
constexpr int kNotePeriods = 375;
constexpr int kWarmUpPeriods = 120;

void Quiet(const char*, void*) {}
using engine_patches::FrozenNow;
using engine_patches::HeavyPatch;
using engine_patches::LightPatch;

enum Patch { kLight = 0, kHeavy = 1 };

struct Rig {
  Rig() {
    initMathTables();
    platform::SetLogSink(&Quiet, nullptr);
    engine.Create(kRate, kFrames);
    engine.SetClock(&FrozenNow);
    for (int c = 0; c < 8; ++c) out[c] = buffers[c];
  }
  ~Rig() { platform::SetLogSink(nullptr, nullptr); }
  CSynthEngine engine;
  float buffers[8][kFrames] = {};
  float* out[8] = {};
};

using Clock = std::chrono::steady_clock;

// One iteration is one engine period: render thread 0, render thread 1 (here one after the
// other) and the mix. Args: sounding voices, parts they are spread over, patch, and 1 when
// the voices have finished but stay bound (a bound slot renders every block).
void BM_EnginePeriod(benchmark::State& state) {
  platform::ScopedFlushToZero ftz;
  const int voices = static_cast<int>(state.range(0));
  const int parts = static_cast<int>(state.range(1));
  const auto patch = static_cast<Patch>(state.range(2));
  const bool finished = state.range(3) != 0;
  auto rig = std::make_unique<Rig>();
  CSynthEngine& e = rig->engine;
  for (int p = 0; p < parts; ++p) {
    if (patch == kLight) LightPatch(e, p);
    else HeavyPatch(e, p);
  }
  auto play = [&] {
    for (int v = 0; v < voices; ++v) e.NoteOn(v % parts, 45 + 3 * v, 0.9f);
  };
  auto period = [&] {
    e.RenderVoices(nullptr, 0);
    e.RenderVoices(nullptr, 1);
    e.MixParts(rig->out, 0, 0.0f);
  };
  play();
  for (int k = 0; k < kWarmUpPeriods; ++k) period();
  if (finished) {
    for (int v = 0; v < voices; ++v) e.NoteOff(v % parts, 45 + 3 * v);
    for (int k = 0; k < 2000; ++k) period();
  }
  double threadUs[2] = {};
  // The notes have played the warm-up's periods already: every note lasts kNotePeriods, so
  // any kNotePeriods iterations in a row cover each stage of a note once.
  int blocks = finished ? 0 : kWarmUpPeriods;
  for (auto _ : state) {
    Clock::time_point t0, t1, t2;
    bench::CountedRegion([&] {
      t0 = Clock::now();
      e.RenderVoices(nullptr, 0);
      t1 = Clock::now();
      e.RenderVoices(nullptr, 1);
      t2 = Clock::now();
      e.MixParts(rig->out, 0, 0.0f);
    });
    benchmark::DoNotOptimize(rig->buffers);
    threadUs[0] += std::chrono::duration<double, std::micro>(t1 - t0).count();
    threadUs[1] += std::chrono::duration<double, std::micro>(t2 - t1).count();
    // New notes now and then keep restarts and attacks in the measurement.
    if (!finished && ++blocks == kNotePeriods) {
      blocks = 0;
      play();
    }
  }
  bench::ReportPeriodShare(state);
  const double n = static_cast<double>(state.iterations());
  if (n > 0) {
    state.counters["us_thread0"] = threadUs[0] / n;
    state.counters["us_thread1"] = threadUs[1] / n;
    state.counters["deadline_pct_thread0"] = 100.0 * threadUs[0] / n / kDeadlineUs;
    state.counters["deadline_pct_thread1"] = 100.0 * threadUs[1] / n / kDeadlineUs;
  }
}

void EngineArgs(benchmark::internal::Benchmark* b) {
  b->ArgNames({"voices", "parts", "patch", "finished"});
  for (int patch : {kLight, kHeavy}) {
    for (int voices : {1, 2, 4, 8, 16}) {
      for (int parts : {1, 2, 4}) {
        if (parts > voices) continue;
        b->Args({voices, parts, patch, 0});
      }
    }
    b->Args({16, 4, patch, 1});
  }
}
BENCHMARK(BM_EnginePeriod)->Apply(EngineArgs)->Unit(benchmark::kMicrosecond);
// The heavy case over exactly one note's periods, for the instruction count of scripts/perf
// (a fixed count: the notes' stages cost differently).
BENCHMARK(BM_EnginePeriod)
    ->ArgNames({"voices", "parts", "patch", "finished"})
    ->Args({16, 4, kHeavy, 0})
    ->Iterations(kNotePeriods)
    ->Unit(benchmark::kMicrosecond);

// One render thread's periods over whole notes, for the worst period scripts/perf reports
// (one counted region per period). Sixteen heavy voices over four parts all start in the
// first period; mode 0 plays whole notes (released after 250 periods, 125 of release), mode 1
// gated notes (all sixteen restarted every 25 periods, each held for 6). The other thread
// and the mix run outside the count.
void BM_RenderThreadNotes(benchmark::State& state) {
  platform::ScopedFlushToZero ftz;
  const int thread = static_cast<int>(state.range(0));
  const bool gated = state.range(1) != 0;
  constexpr int kVoices = 16, kParts = 4;
  auto rig = std::make_unique<Rig>();
  CSynthEngine& e = rig->engine;
  for (int p = 0; p < kParts; ++p) HeavyPatch(e, p);
  auto play = [&] {
    for (int v = 0; v < kVoices; ++v) e.NoteOn(v % kParts, 45 + 3 * v, 0.9f);
  };
  auto release = [&] {
    for (int v = 0; v < kVoices; ++v) e.NoteOff(v % kParts, 45 + 3 * v);
  };
  // One note through and gone first, so the count starts from a played engine, not a new one.
  play();
  for (int k = 0; k < kNotePeriods; ++k) {
    if (k == 250) release();
    e.RenderVoices(nullptr, 0);
    e.RenderVoices(nullptr, 1);
    e.MixParts(rig->out, 0, 0.0f);
  }
  int period = 0;
  for (auto _ : state) {
    const int phase = gated ? period % 25 : period % kNotePeriods;
    if (phase == 0) play();
    if (phase == (gated ? 6 : 250)) release();
    if (thread == 1) e.RenderVoices(nullptr, 0);
    bench::CountedRegion([&] { e.RenderVoices(nullptr, thread); });
    if (thread == 0) e.RenderVoices(nullptr, 1);
    e.MixParts(rig->out, 0, 0.0f);
    benchmark::DoNotOptimize(rig->buffers);
    ++period;
  }
  bench::ReportPeriodShare(state);
}
BENCHMARK(BM_RenderThreadNotes)
    ->ArgNames({"thread", "gated"})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({0, 1})
    ->Args({1, 1})
    ->Iterations(kNotePeriods)
    ->Unit(benchmark::kMicrosecond);

}  // namespace
