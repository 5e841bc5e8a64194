// Per-voice modulation work of one block: four envelopes, the LFOs and the routing matrix.
#include <benchmark/benchmark.h>

#include <vector>

#include "bench/BenchPeriod.h"
#include "engine/EnvGen.h"
#include "engine/ModulationMatrix.h"
#include "engine/VoiceLfo.h"
#include "platform/Denormals.h"

namespace {

constexpr int kBlock = 128;
constexpr float kRate = 48000.0f;

// Four envelopes of one voice, 128 samples each, cycling through attack, decay, sustain and
// release.
void BM_EnvGen4x128(benchmark::State& state) {
  platform::ScopedFlushToZero ftz;
  EnvGen envs[4];
  for (EnvGen& e : envs) {
    e.SetSampleRate(kRate);
    e.SetAttackCurve(30);
    e.SetDecayReleaseCurve(60);
    e.SetAttack(20.0f);
    e.SetDecay(50.0f);
    e.SetSustain(0.5f);
    e.SetRelease(80.0f);
    e.SetVelocityAmount(0.5f);
  }
  float out[4][kBlock];
  int block = 0;
  for (auto _ : state) {
    if (block % 64 == 0)
      for (EnvGen& e : envs) e.Trigger(0.8f);
    if (block % 64 == 40)
      for (EnvGen& e : envs) e.Release();
    for (int k = 0; k < 4; ++k) {
      float rel = 0.0f, lvl = 0.0f;
      for (int i = 0; i < kBlock; ++i) out[k][i] = envs[k].Process(&rel, &lvl);
    }
    benchmark::DoNotOptimize(out);
    ++block;
  }
  bench::ReportPeriodShare(state);
}
BENCHMARK(BM_EnvGen4x128);

// One LFO block of 128 values: 0 a table wave, 1 RAND, 2 a user wave.
void BM_VoiceLfo128(benchmark::State& state) {
  platform::ScopedFlushToZero ftz;
  static std::vector<float> userWave(VoiceLfo::kTablePoints + 1);
  for (int i = 0; i <= VoiceLfo::kTablePoints; ++i) userWave[i] = (i % 64) / 32.0f - 1.0f;
  VoiceLfo lfo;
  lfo.SetSampleRate(kRate);
  lfo.SetBlockSize(kBlock);
  const int64_t kind = state.range(0);
  lfo.SetType(kind == 0 ? VoiceLfo::kSin : (kind == 1 ? VoiceLfo::kRand : VoiceLfo::kUser));
  lfo.SetUserTable(userWave.data(), VoiceLfo::kTablePoints);
  float out[kBlock];
  for (auto _ : state) {
    lfo.Process(out, 0.1f, 200.0f);
    benchmark::DoNotOptimize(out);
  }
  bench::ReportPeriodShare(state);
  state.SetLabel(kind == 0 ? "table" : (kind == 1 ? "RAND" : "user"));
}
BENCHMARK(BM_VoiceLfo128)->Arg(0)->Arg(1)->Arg(2);

// The matrix of one voice with all 24 routes in use: per-sample sources into per-sample
// destinations, plus one-value sources broadcast and block sources averaged into one value.
void BM_MatrixProcess24Routes(benchmark::State& state) {
  platform::ScopedFlushToZero ftz;
  ModulationMatrix m;
  std::vector<std::vector<float>> sources(8, std::vector<float>(kBlock, 0.3f));
  std::vector<std::vector<float>> destinations(8, std::vector<float>(kBlock));
  float perBlockSource = 0.7f;
  float perBlockDestination = 0.0f;
  for (int i = 0; i < 8; ++i) {
    m.AddSource(i, "SRC", kBlock, sources[i].data(), 1, static_cast<uint8_t>(i & 1));
    m.AddDestination(i, "DST", kBlock, destinations[i].data(), nullptr);
  }
  m.AddSource(8, "VELOCITY", 1, &perBlockSource, 1, 0);
  m.AddDestination(8, "LEVEL", 1, &perBlockDestination, nullptr);
  for (int slot = 0; slot < ModulationMatrix::kRoutes; ++slot) {
    if (slot < 20) {
      m.Connect(slot, slot % 8, (slot * 3) % 8, 0.25f, 1 + slot % 2);
    } else if (slot < 22) {
      m.Connect(slot, 8, slot % 8, 0.5f, ModulationMatrix::kUnipolar);
    } else {
      m.Connect(slot, slot % 8, 8, 0.5f, ModulationMatrix::kBipolar);
    }
  }
  for (auto _ : state) {
    m.Process();
    benchmark::DoNotOptimize(destinations[0].data());
  }
  bench::ReportPeriodShare(state);
}
BENCHMARK(BM_MatrixProcess24Routes);

}  // namespace
