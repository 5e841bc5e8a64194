// The six sequencer pages on the GUI tick, held against the 5 ms tick: each takes the tick
// message and paints while its track's clip plays on (the playing step's header moves, the
// song position is written), and the reload of all nine tabs when a track's clip changes.
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/GUIManager.h"
#include "bench/toolkit/PaintBench.h"
#include "midi/CInstrumentSeq.h"
#include "midi/FakeRawMidiBackend.h"
#include "pages/seq/appVA_Sequencer.h"
#include "platform/Paths.h"

namespace {

using toolkit_bench::Screen;

void ReportTickShare(benchmark::State& state) {
  state.counters["tick_share"] =
      benchmark::Counter(0.005, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

struct SixPages {
  SixPages() {
    char dir[] = "/tmp/bench_seq_XXXXXX";
    root = ::mkdtemp(dir) ? dir : "";
    platform::SetDataRoot(root);
    std::filesystem::create_directories(root + "/var/lib/ruv/working");
    platform::SetLogSink([](const char*, void*) {}, nullptr);
    for (const SequencerTrack& t : kSequencerTracks) {
      pages.push_back(std::make_unique<appVA_Sequencer>(&gm, t.track, t.name, uxPOINT(0, 40), 800, 440, 0x303030));
      tagUX_Message focus(UX_MSG_FOCUS, 1, 0);
      pages.back()->OnMessage(&focus);
    }
    Tick();
  }
  ~SixPages() {
    pages.clear();
    platform::SetLogSink(nullptr, nullptr);
    platform::SetDataRoot("");
    if (!root.empty()) std::filesystem::remove_all(root);
  }
  // Every track's clip 0 moves on one step.
  void Step() {
    ++step;
    auto lock = gm.ClipLauncher()->Master().Lock();
    for (const SequencerTrack& t : kSequencerTracks)
      if (auto* seq = dynamic_cast<CInstrumentSeq*>(gm.ClipLauncher()->Master().Track(t.track)))
        seq->Clip(0).position = step % 16;
  }
  void Tick() {
    for (auto& page : pages) {
      tagUX_Message tick(UX_MSG_TICK_EVENT);
      page->OnMessage(&tick);
      page->OnPaint();
    }
  }
  std::string root;
  Screen screen;
  FakeRawMidiBackend midi;
  GUIManager gm{&screen.dc, midi};
  std::vector<std::unique_ptr<appVA_Sequencer>> pages;
  int step = 0;
};

void SequencerSixPagesTick(benchmark::State& state) {
  SixPages six;
  for (auto _ : state) {
    six.Step();
    six.Tick();
  }
  ReportTickShare(state);
}
BENCHMARK(SequencerSixPagesTick)->Unit(benchmark::kMicrosecond);

void SequencerReloadAllTabs(benchmark::State& state) {
  SixPages six;
  for (auto _ : state) six.pages[0]->UpdateStepPages(SeqStepBank);
  ReportTickShare(state);
}
BENCHMARK(SequencerReloadAllTabs)->Unit(benchmark::kMicrosecond);

}  // namespace
