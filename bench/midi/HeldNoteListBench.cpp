// Key input cost of the arpeggiator's held-note list: a full chord pressed and released,
// the worst case of a player mashing more than sixteen keys, and the copy the latched
// pattern takes on every clock tick.
#include <benchmark/benchmark.h>

#include "bench/BenchPeriod.h"
#include "midi/HeldNoteList.h"

namespace {

void BM_PressReleaseChord(benchmark::State& state) {
  const int keys = static_cast<int>(state.range(0));
  HeldNoteList l;
  for (auto _ : state) {
    for (int k = 0; k < keys; ++k) l.Add(36 + (k * 7) % 48, 100);
    for (int k = 0; k < keys; ++k) l.Remove(36 + (k * 7) % 48);
    benchmark::DoNotOptimize(l);
  }
  state.SetItemsProcessed(state.iterations() * keys * 2);
  // As if the whole chord went down and up within one period.
  bench::ReportPeriodShare(state);
}
BENCHMARK(BM_PressReleaseChord)->Arg(3)->Arg(16);

void BM_AddWhenFull(benchmark::State& state) {
  HeldNoteList l;
  for (int k = 0; k < 16; ++k) l.Add(k, 100);
  int key = 16;
  for (auto _ : state) {
    l.Add(key, 100);
    key = (key + 1) & 0x7F;
    benchmark::DoNotOptimize(l);
  }
  state.SetItemsProcessed(state.iterations());
  bench::ReportPeriodShare(state);
}
BENCHMARK(BM_AddWhenFull);

void BM_LatchCopyPerTick(benchmark::State& state) {
  HeldNoteList held;
  for (int k = 0; k < 16; ++k) held.Add(40 + k * 3, 100);
  HeldNoteList latched;
  for (auto _ : state) {
    benchmark::DoNotOptimize(held);
    latched = held;
    benchmark::DoNotOptimize(latched);
  }
  // One track's copy; a clock tick is longer than a period, so this bounds it from above.
  bench::ReportPeriodShare(state);
}
BENCHMARK(BM_LatchCopyPerTick);

}  // namespace
