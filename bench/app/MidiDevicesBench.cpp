// The MIDI devices page's port work on the GUI thread, held against the 5 ms GUI tick:
// reopening four configured raw-MIDI ports (closing each, starting its input thread again),
// and the check of their inputs that runs every 20th tick.
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "app/GUIManager.h"
#include "bench/app/ScratchDataRoot.h"
#include "bench/toolkit/PaintBench.h"
#include "midi/FakeRawMidiBackend.h"
#include "pages/StandardPages.h"
#include "pages/midi/appVA_MidiDevices.h"
#include "pages/midi/appVA_MidiMain.h"
#include "platform/Paths.h"
#include "toolkit/uxTabCtrl.h"
#include "toolkit/uxTabItemCtrl.h"

namespace {

using toolkit_bench::Screen;

constexpr unsigned kMidiTab = 8;

// Four devices, one on each port P1-P4, configured before the pages are built.
struct App {
  App() {
    for (int i = 0; i < 4; ++i) {
      const std::string name = "Keys " + std::to_string(i + 1);
      midi.cards.push_back(FakeRawMidiBackend::Card{i + 1, {{0, name, {{"", true, false}}}}, 0, 0});
      MidiPortConfig* port = gm.DeviceConfig().Port(i);
      port->Device = name;
      port->Enabled = 1;
    }
    gm.SetSleep([](uint32_t) {});
    gm.BuildPages();
    for (int i = 0; i < gm.MainMenu()->GetTabCount(); ++i) {
      uxTabItemCtrl* item = gm.MainMenu()->GetTabItem(i);
      if (item->GetUserData() == kMidiTab)
        if (auto* page = dynamic_cast<appVA_MidiMain*>(item->ActivePanel())) devices = page->DevicesPage();
    }
  }
  Screen screen;
  FakeRawMidiBackend midi;
  GUIManager gm{&screen.dc, midi, &StandardPages()};
  app_bench::ScratchDataRoot data{"bench_midi", "/var/lib/ruv/working"};
  appVA_MidiDevices* devices = nullptr;
};

void ReportTickShare(benchmark::State& state) {
  state.counters["gui_tick_share"] =
      benchmark::Counter(0.005, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void MidiDevicesOpenFourPorts(benchmark::State& state) {
  App app;
  if (app.devices == nullptr || !app.devices->PortOpen(3)) {
    state.SkipWithError("the MIDI devices page or its ports are missing");
    return;
  }
  for (auto _ : state) app.devices->OpenPorts();
  ReportTickShare(state);
}
BENCHMARK(MidiDevicesOpenFourPorts)->Unit(benchmark::kMicrosecond);

void MidiDevicesCheckFourPorts(benchmark::State& state) {
  App app;
  if (app.devices == nullptr) {
    state.SkipWithError("the MIDI devices page is missing");
    return;
  }
  for (auto _ : state) app.devices->CheckPorts();
  ReportTickShare(state);
}
BENCHMARK(MidiDevicesCheckFourPorts)->Unit(benchmark::kMicrosecond);

}  // namespace
