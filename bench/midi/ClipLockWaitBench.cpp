// How long the clock waits for the clip master's lock while the GUI thread stores or loads
// a clip set of sixteen 10 000-event clips with a Launchpad-type controller attached (its
// LED reset pauses 10 ms a row). The work's own time is the benchmark's time; the
// counters give the longest clock wait.
#include <benchmark/benchmark.h>

#include <stdlib.h>
#include <sys/stat.h>

#include <string>

#include "bench/midi/ClockWait.h"
#include "midi/CInstrumentSeq.h"
#include "midi/FakeRawMidiBackend.h"
#include "platform/LogSink.h"
#include "platform/Paths.h"

namespace {

class NullServices : public TrackServices {
 public:
  void TrackNoteOn(int, int, int, int, int, int) override {}
  void TrackNoteOff(int, int) override {}
  void TrackControlChange(int, int, int) override {}
  void SendPartStop(int) override {}
  void TriggerDrumNote(int, int, int) override {}
  int DispatchMidiCC(int, int, int, int) override { return 1; }
};

void Quiet(const char*, void*) {}

struct LongClipSet {
  LongClipSet() {
    platform::SetLogSink(&Quiet, nullptr);
    char dir[] = "/tmp/clipwaitXXXXXX";
    root = mkdtemp(dir);
    platform::SetDataRoot(root);
    for (const char* d : {"/var", "/var/lib", "/var/lib/ruv", "/var/lib/ruv/working",
                          "/var/lib/ruv/working/clips"})
      mkdir((root + d).c_str(), 0755);
    fake.cards = {FakeRawMidiBackend::Card{
        0, {FakeRawMidiBackend::Device{0, "Launchpad Pro MK3", {{"", true, true}}}}}};
    core = std::make_unique<CClipCore>(out, fake);
    core->DetectController();
    auto lock = core->Master().Lock();
    for (int t = 5; t < 7; ++t) {
      auto& seq = static_cast<CInstrumentSeq&>(*core->Master().Track(t));
      for (int s = 0; s < CInstrument::kScenes; ++s) {
        ClipData& c = seq.Clip(s);
        c.name = "long";
        c.Loop_PP = 96 * 64;
        for (int e = 0; e < 10000; ++e)
          c.events.push_back({kSeqNote, (e * 37) % c.Loop_PP, (e * 37) % c.Loop_PP + 20, 0,
                              static_cast<uint8_t>(30 + e % 60), 100});
        seq.CreateClip(s, kClipMidiSeq);
      }
      seq.EventsChanged();
    }
  }
  ~LongClipSet() {
    core.reset();
    std::string cmd = "rm -rf " + root;
    if (std::system(cmd.c_str()) != 0) {}
    platform::SetDataRoot("");
    platform::SetLogSink(nullptr, nullptr);
  }

  FakeRawMidiBackend fake;
  NullServices out;
  std::unique_ptr<CClipCore> core;
  std::string root;
};

// The floor: the longest tick while this thread only sleeps, which is what the machine's
// other work costs the clock.
void BM_ClockWaitIdle(benchmark::State& state) {
  LongClipSet set;
  double longest = 0;
  for (auto _ : state)
    longest = std::max(longest, bench::LongestClockTick(*set.core, [] {
      std::this_thread::sleep_for(std::chrono::milliseconds(150));
    }));
  bench::ReportClockWait(state, longest);
}
BENCHMARK(BM_ClockWaitIdle)->Iterations(4)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ClockWaitDuringClipSetStore(benchmark::State& state) {
  LongClipSet set;
  double longest = 0;
  for (auto _ : state)
    longest = std::max(longest, bench::LongestClockTick(*set.core, [&] {
      benchmark::DoNotOptimize(set.core->XMLStoreClipLauncher("long"));
    }));
  bench::ReportClockWait(state, longest);
}
BENCHMARK(BM_ClockWaitDuringClipSetStore)->Iterations(4)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ClockWaitDuringClipSetLoad(benchmark::State& state) {
  LongClipSet set;
  set.core->XMLStoreClipLauncher("long");
  double longest = 0;
  for (auto _ : state)
    longest = std::max(longest, bench::LongestClockTick(*set.core, [&] {
      benchmark::DoNotOptimize(set.core->XMLLoadClipLauncher("long"));
    }));
  bench::ReportClockWait(state, longest);
}
BENCHMARK(BM_ClockWaitDuringClipSetLoad)->Iterations(4)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
