// The MIDI track grid loading the edit clip into its roll on the GUI thread (the events are
// copied under the clip master's lock), with every event of the largest real MIDI file in
// the clip; held against the 20 ms between two paints.
#include <memory>

#include "bench/toolkit/PaintBench.h"
#include "midi/CClipCore.h"
#include "midi/CInstrumentSeq.h"
#include "midi/FakeRawMidiBackend.h"
#include "pages/midi/appVA_MidiTrackGrid.h"
#include "pages/widgets/uxPianoRoll.h"
#include "tests/pages/widgets/MidiCsvEvents.h"
#include "tests/toolkit/support/FakeHost.h"

namespace {

using QuietTrackServices = SilentTrackServices;

void ShowClipLargestFile(benchmark::State& state) {
  toolkit_bench::Screen screen;
  toolkit_test::FakeHost host{&screen.dc};
  QuietTrackServices services;
  FakeRawMidiBackend backend;
  CClipCore core(services, backend);
  int events = 0;
  {
    auto lock = core.Master().Lock();
    ClipData& clip = static_cast<CInstrumentSeq*>(core.Master().Track(0))->Clip(0);
    clip.events = widgets_test::EventsFromFile(widgets_test::kLargestMidiFile);
    clip.Numerator = 4;
    clip.Loop_PP = 16 * 4 * 96;
    events = static_cast<int>(clip.events.size());
  }
  if (events == 0) {
    state.SkipWithError("needs midicsv and the planetblupi-music-midi package (scripts/setup)");
    return;
  }
  appVA_MidiTrackGrid grid(&host, 0, "MIDI GRID", {0, 80}, 800, 320, 0x303030, &core, {});
  for (auto _ : state) {
    grid.ShowClip(0, 0);
    benchmark::DoNotOptimize(grid.Roll()->Events().data());
  }
  state.counters["events"] = events;
  toolkit_bench::Report(state);
}
BENCHMARK(ShowClipLargestFile)->Unit(benchmark::kMicrosecond);

}  // namespace
