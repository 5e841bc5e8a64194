// The clip launcher's clock tick with seven busy tracks: four 64-step arpeggiators playing
// chords of sixteen held keys, the drum track firing 32 triggers a row, and two external
// tracks on 10 000-event MIDI sequences. The steady tick is what every clock tick costs;
// the quantum tick also starts a 10 000-event clip (its play list is rebuilt and sorted).
#include <benchmark/benchmark.h>

#include <memory>

#include "bench/BenchPeriod.h"
#include "midi/CClipCore.h"
#include "midi/CInstrumentSeq.h"
#include "midi/FakeRawMidiBackend.h"
#include "platform/LogSink.h"

namespace {

class NullServices : public TrackServices {
 public:
  void TrackNoteOn(int, int key, int, int, int, int) override { sum += key; }
  void TrackNoteOff(int, int key) override { sum += key; }
  void TrackControlChange(int, int, int value) override { sum += value; }
  void SendPartStop(int) override {}
  void TriggerDrumNote(int, int note, int) override { sum += note; }
  int DispatchMidiCC(int, int, int, int) override { return 1; }
  long sum = 0;
};

void Quiet(const char*, void*) {}

struct BusySet {
  BusySet() : core(out, fake) {
    platform::SetLogSink(&Quiet, nullptr);
    ClipMaster& m = core.Master();
    m.SetBarLength(4);  // every track launches on the quarter-bar quantum
    auto lock = m.Lock();
    for (int t = 0; t < 4; ++t) {
      auto& seq = static_cast<CInstrumentSeq&>(*m.Track(t));
      for (int s = 0; s < 2; ++s) {
        ClipData& c = seq.Clip(s);
        c.StepCount = 64;
        c.Factor = 6;
        for (auto& step : c.steps) step.Key = static_cast<uint8_t>(step.Pos % 3 ? step.Pos % 6 : 0);
      }
    }
    auto& drums = static_cast<CInstrumentSeq&>(*m.Track(4));
    for (auto& row : drums.Clip(0).rows)
      for (auto& trg : row.triggers) trg.Fire = 1;
    for (int t = 5; t < 7; ++t) {
      auto& seq = static_cast<CInstrumentSeq&>(*m.Track(t));
      for (int s = 0; s < 2; ++s) {
        ClipData& c = seq.Clip(s);
        c.Loop_PP = 96 * 64;
        for (int e = 0; e < 10000; ++e)
          c.events.push_back({kSeqNote, (e * 37) % c.Loop_PP, (e * 37) % c.Loop_PP + 20, 0,
                              static_cast<uint8_t>(30 + e % 60), 100});
        seq.CreateClip(s, kClipMidiSeq);
      }
      seq.EventsChanged();
    }
  }
  ~BusySet() { platform::SetLogSink(nullptr, nullptr); }

  void Start() {
    core.OnClockTick(0, 0);
    {
      auto lock = core.Master().Lock();
      for (int t = 0; t < 7; ++t) core.Master().Track(t)->LaunchScene(0);
    }
    for (int k = 0; k < 16; ++k)
      for (int t = 0; t < 4; ++t) core.TrackNoteInput(t, 0, 0x90, 40 + 3 * k, 100);
    core.OnClockTick(96, 0);
  }

  FakeRawMidiBackend fake;
  NullServices out;
  CClipCore core;
};

void BM_ClipTickSteady(benchmark::State& state) {
  BusySet set;
  set.Start();
  int tick = 97;
  for (auto _ : state) {
    if (tick % 96 == 0) ++tick;  // quantum ticks are measured below
    set.core.OnClockTick(tick++, 0);
  }
  benchmark::DoNotOptimize(set.out.sum);
  bench::ReportPeriodShare(state);
}
BENCHMARK(BM_ClipTickSteady);

void BM_ClipTickQuantumStartsLongSequence(benchmark::State& state) {
  BusySet set;
  set.Start();
  int scene = 0;
  int tick = 96;
  for (auto _ : state) {
    state.PauseTiming();
    scene ^= 1;
    {
      auto lock = set.core.Master().Lock();
      for (int t = 5; t < 7; ++t) set.core.Master().Track(t)->LaunchScene(scene);
    }
    tick += 96;
    state.ResumeTiming();
    set.core.OnClockTick(tick, 0);
  }
  benchmark::DoNotOptimize(set.out.sum);
  bench::ReportPeriodShare(state);
}
BENCHMARK(BM_ClipTickQuantumStartsLongSequence);

}  // namespace
