// One whole period of the audio process: the barrier with both engine threads rendering 16
// heavy voices over four parts, the engine's mix, four parts through full effect chains (nine
// effects each), the drum bus with sixteen pads sounding, and the mix. The time is the whole
// process's CPU time, both engine threads included, so the share is of all the work a period
// takes, not only of the audio thread's.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "audio/CAudioProcess.h"
#include "audio/CSamplePlayer.h"
#include "bench/engine/EnginePatches.h"
#include "audio/CKLTSynthEngine.h"
#include "bench/BenchPeriod.h"
#include "data/SampleFile.h"
#include "numeric/MathTables.h"
#include "platform/Denormals.h"
#include "platform/LogSink.h"

namespace {

uint32_t Uid(int target, int instance, uint32_t number) {
  return (static_cast<uint32_t>(target) << 16) | (static_cast<uint32_t>(instance) << 12) | number;
}

void BM_ProcessCycle_16HeavyVoicesFullChains(benchmark::State& state) {
  platform::ScopedFlushToZero ftz;
  initMathTables();
  platform::SetLogSink([](const char*, void*) {}, nullptr);
  CAudioProcess process;
  InitAudioProcess(&process, nullptr);
  CSynthEngine& engine = *static_cast<CKLTSynthEngine*>(process.Engine())->engine();
  engine.SetClock(&engine_patches::FrozenNow);
  for (int part = 0; part < 4; ++part) engine_patches::HeavyPatch(engine, part);
  PartMidiSettings settings;
  for (int v = 0; v < 16; ++v) process.SendMidi(v % 4, 0x90, 48 + v, 100, &settings);
  for (int part = 0; part < 4; ++part) {
    for (int type = 1; type <= 9; ++type) {
      process.SetParam(1, Uid(8 + part, type - 1, 0xF0), static_cast<float>(type));
      process.SetParam(1, Uid(8 + part, type - 1, 0x00F), 0.0f);
    }
  }
  // Sixteen pads on one four-second noise sample (1,500 periods), retriggered every 1,000
  // periods so they sound through the whole run.
  SampleFile pad;
  pad.Samples().assign(1, std::vector<float>(48000 * 4));
  unsigned seed = 7;
  for (float& x : pad.Samples()[0]) x = 0.5f * bench::NextNoise(seed);
  pad.SetSampleRate(48000);
  for (int p = 0; p < 16; ++p) process.SetPadSample(0, Uid(4, p, 0xA01), &pad);
  auto hitPads = [&process] {
    EngineEvent hit{};
    hit.type = kEventNoteOn;
    hit.part = 9;
    hit.second = 1.0f;
    for (int p = 0; p < 16; ++p) {
      hit.first.note = static_cast<uint8_t>(p);
      process.PostEvent(&hit);
    }
  };
  hitPads();
  for (int warm = 0; warm < 50; ++warm) process.ProcessCycle(0, 0.0f);
  platform::SetLogSink(nullptr, nullptr);
  constexpr int kRetriggerPeriods = 1000;
  int sincePads = 50;
  for (auto _ : state) {
    if (++sincePads == kRetriggerPeriods) {
      hitPads();
      sincePads = 0;
    }
    // The engine threads render inside the counted region too: the period waits for them.
    bench::CountedRegion([&] { process.ProcessCycle(0, 0.0f); });
    benchmark::DoNotOptimize(process.MixLeft()[0]);
  }
  bench::ReportPeriodShare(state);
  process.Stop();
}
BENCHMARK(BM_ProcessCycle_16HeavyVoicesFullChains)->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMicrosecond);
// A fixed number of periods for the instruction count of scripts/perf.
BENCHMARK(BM_ProcessCycle_16HeavyVoicesFullChains)->Iterations(200)->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace
